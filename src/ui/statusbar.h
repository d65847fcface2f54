// The status bar: panels with centred text, edges given in window pixels.
#pragma once
#include "ui/control.h"

namespace pix {

class TStatusBar : public TControl {
public:
  void Create(HWND parent, int height, const std::vector<int>& edges);
  void SetPanelText(int panel, const std::string& text);
  std::string PanelText(int panel) const;

private:
  int panels_ = 0;
};

}  // namespace pix
