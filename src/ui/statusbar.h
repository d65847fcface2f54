// The status bar: panels with centred text, edges given in window pixels.
#pragma once
#include "ui/control.h"

namespace pix {

// Docked at the bottom of `in`, if given, `height` high.
struct TStatusBarArgs {
  TControl* in = nullptr;
  int height = 0;
  std::vector<int> edges;  // the right edges of the panels but the last
};

class TStatusBar : public TControl {
 public:
  void Create(HWND parent, const TStatusBarArgs& a);
  // A new height and new panel edges (another density); the texts stay.
  void SetLayout(int height, const std::vector<int>& edges);
  void SetPanelText(int panel, const std::string& text);
  std::string PanelText(int panel) const;

 private:
  int panels_ = 0;
};

}  // namespace pix
