// The status bar: panels with centred text, edges given in window pixels.
#pragma once
#include "ui/control.h"

namespace pix {

// Docked along the bottom of its container (align Bottom), the dock's height high.
struct TStatusBarArgs {
  TDock dock = {};
  std::vector<int> edges;  // the right edges of the panels but the last
  // A panel that shows paths: a path too long for it is shortened in the middle,
  // the whole path shown by a tooltip over the panel.
  int pathPanel = -1;
};

class TStatusBar : public TControl {
 public:
  void Create(HWND parent, const TStatusBarArgs& a);
  // A new height and new panel edges (another density); the texts stay.
  void SetLayout(int height, const std::vector<int>& edges);
  void SetPanelText(int panel, const std::string& text);
  // The panel's whole text: for the path panel, the path as given.
  std::string PanelText(int panel) const;
  // What the panel shows, read back from the control.
  std::string ShownText(int panel) const;
  // The whole path the path panel's tooltip shows, read back from it; "" while
  // the path is shown whole (no tip then).
  std::string TipText(int panel) const;

  // Laid out anew: the path panel's width has changed with the bar's.
  void SetBounds(const TRect& r) override;

 private:
  void FitPathPanel();
  void SetShown(int panel, const std::string& text);
  void PlacePathTip(bool shortened);
  int panels_ = 0;
  int pathPanel_ = -1;
  std::vector<int> edges_;
  std::string path_;
  HWND tip_ = nullptr;  // owned by the bar's window, which takes it along
};

}  // namespace pix
