// A panel with the classic frame: an outer and an inner bevel with a border
// between them, a background colour of its own, and a caption drawn centred in
// whatever its children leave uncovered.
#pragma once
#include <string>

#include "ui/control.h"

namespace pix {

enum class TBevelCut { None, Lowered, Raised };

struct TFramedPanelStyle {
  TBevelCut outer = TBevelCut::Raised;
  TBevelCut inner = TBevelCut::None;
  int borderWidth = 0;        // between the two bevels
  bool singleBorder = false;  // a one-pixel line around the whole panel
  int color = COLOR_BTNFACE;  // a system colour index
  bool doubleBuffered = false;
  bool tabStop = false;
};

struct TFramedPanelArgs {
  TDock dock = {};
  TRect bounds = {};
  TFramedPanelStyle style = {};
};

class TFramedPanel : public TPaintedControl {
 public:
  void Create(HWND parent, const TFramedPanelArgs& a);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  const TFramedPanelStyle& Style() const { return style_; }
  void SetBorderWidth(int width);
  // The client area less bevels and border.
  TRect DockArea() const override;

  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 protected:
  // Draws background, frame and caption into `dc`, covering `client`.
  virtual void PaintPanel(HDC dc, const RECT& client);

 private:
  void Paint(HDC dc, const RECT& client) override;
  TFramedPanelStyle style_;
  std::string caption_;
  HFONT font_ = nullptr;
};

}  // namespace pix
