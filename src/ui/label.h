// A static text the program draws itself (through the W text functions, so any
// text shows whatever the code page), in its own font and colour, sized to its
// text. It reports clicks and the mouse entering and leaving it, and shows its
// own cursor.
#pragma once
#include <functional>
#include <string>

#include "ui/app.h"
#include "ui/control.h"
#include "ui/handles.h"
#include "ui/keyfocus.h"

namespace pix {

// A font of the label's own; `height` is as CreateFont takes it (negative: the
// character height in pixels), already scaled to the screen.
struct TFontSpec {
  std::string name = "MS Sans Serif";
  int height = -13;
  bool bold = false;
  bool underline = false;
};

struct TLabelArgs {
  TDock dock = {};
  TRect bounds = {};  // its size is the caption's while the label sizes itself
  std::string caption;
};

class TLabel : public TPaintedControl {
 public:
  static constexpr COLORREF kSystemTextColor = CLR_INVALID;
  ~TLabel() override;
  // Creates the label at the top-left of its bounds, sized to its caption.
  void Create(HWND parent, const TLabelArgs& a);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  // Without a font of its own the label uses the one its parent hands it.
  void SetOwnFont(const TFontSpec& style);
  HFONT CurrentFont() const { return ownFont_ ? ownFont_.Get() : parentFont_; }
  // The text colour; kSystemTextColor means the system's window-text colour.
  COLORREF FontColor() const;
  void SetFontColor(COLORREF color);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }
  bool MouseInside() const { return inside_; }
  // On (the default), the label takes the size of its caption.
  void SetAutoSize(bool on) { autoSize_ = on; }
  // A tab stop (a link): it shows the focus, and Enter or Space clicks it.
  void SetTabStop(bool on) { pix::SetTabStop(Handle(), on); }

  std::function<void()> OnClick;
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;

  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void AutoSize();
  void Paint(HDC dc, const RECT& client) override;
  void MouseMoved();
  void MouseLeft();

  std::string caption_;
  TOwnedFont ownFont_;
  HFONT parentFont_ = nullptr;
  COLORREF color_ = kSystemTextColor;
  TCursor cursor_ = TCursor::crDefault;
  bool inside_ = false;
  bool pressed_ = false;
  bool autoSize_ = true;
};

}  // namespace pix
