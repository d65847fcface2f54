// A flat button that shows a small glyph and takes the focus only from the
// keyboard, as a tab stop (SetTabStop in keyfocus.h): raised
// under the mouse, sunk while pressed, the glyph greyed when disabled. Its hint
// shows as a tooltip whether or not its window is active.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/handles.h"

namespace pix {

// Where the button docks, if anywhere, and where it is created.
struct TSpeedButtonArgs {
  TDock dock = {};
  TRect bounds = {};
};

class TSpeedButton : public TPaintedControl {
 public:
  ~TSpeedButton() override;
  void Create(HWND parent, const TSpeedButtonArgs& a);
  // A bitmap of the program's resources; its bottom-left pixel's colour is see-through.
  void LoadGlyph(const char* resourceName);
  int GlyphWidth() const { return glyphW_; }
  void SetHint(const std::string& hint);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  void Click();

  std::function<void()> OnClick;

  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void Paint(HDC dc, const RECT& client) override;
  void DrawGlyph(HDC dc, int x, int y, bool enabled) const;
  bool Inside(LPARAM lp) const;

  int glyphW_ = 0, glyphH_ = 0;
  std::vector<uint32_t> glyph_;  // top-down 0x00RRGGBB
  uint32_t clear_ = 0;           // the see-through colour
  TOwnedWindow tip_;
  bool hot_ = false, pressed_ = false;
};

}  // namespace pix
