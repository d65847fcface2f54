#include "ui/label.h"

#include <windowsx.h>

#include "ui/keyfocus.h"
#include "ui/text.h"

namespace pix {

TLabel::~TLabel() {
  DestroyHandle();
}

void TLabel::Create(HWND parent, const TLabelArgs& a) {
  Dock(a.dock);
  // No double-click class style: two quick clicks on a link are two clicks.
  CreateOwn({.name = "PixlumenLabel", .style = 0}, "", WS_CHILD | WS_VISIBLE, 0, parent,
            {a.bounds.left, a.bounds.top, a.bounds.left, a.bounds.top});
  SetCaption(a.caption);
}

void TLabel::SetCaption(const std::string& caption) {
  caption_ = caption;
  // The window text too, for anything that reads windows rather than this object.
  if (Handle()) SetWindowTextW(Handle(), Widen(caption_).c_str());
  AutoSize();
  Invalidate();
}

void TLabel::SetOwnFont(const TFontSpec& style) {
  HFONT font =
      CreateFontW(style.height, 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL, FALSE, style.underline,
                  FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH | FF_DONTCARE, Widen(style.name).c_str());
  if (!font) return;  // keep the font it has
  ownFont_.Reset(font);
  AutoSize();
  Invalidate();
}

COLORREF TLabel::FontColor() const {
  return color_ == kSystemTextColor ? GetSysColor(COLOR_WINDOWTEXT) : color_;
}

void TLabel::SetFontColor(COLORREF color) {
  if (color == color_) return;
  color_ = color;
  Invalidate(false);
}

void TLabel::AutoSize() {
  if (!Handle() || !autoSize_) return;
  TWindowDC dc(Handle());
  TSelectObject selectFont(dc, CurrentFont());
  std::wstring text = Widen(caption_);
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  if (text.empty()) {
    // An empty label keeps the height of a line so it stays where it was laid out.
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    r.bottom = tm.tmHeight;
  }
  SetWindowPos(Handle(), nullptr, 0, 0, r.right, r.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TLabel::Paint(HDC dc, const RECT& client) {
  RECT r = client;
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  TSelectObject selectFont(dc, CurrentFont());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, FontColor());
  std::wstring text = Widen(caption_);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_NOPREFIX);
  PaintFocus(Handle(), dc, client);
}

void TLabel::MouseMoved() {
  if (inside_) return;
  inside_ = true;
  TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, Handle(), 0};
  TrackMouseEvent(&tme);
  if (OnMouseEnter) OnMouseEnter();
}

void TLabel::MouseLeft() {
  pressed_ = false;
  if (!inside_) return;
  inside_ = false;
  if (OnMouseLeave) OnMouseLeave();
}

bool TLabel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (FocusKeyMessage(Handle(), msg, wp, lp, result, OnClick)) return true;
  switch (msg) {
    case WM_SETFONT:
      parentFont_ = reinterpret_cast<HFONT>(wp);
      if (!ownFont_) {
        AutoSize();
        if (LOWORD(lp)) Invalidate();
      }
      return true;
    case WM_GETFONT:
      result = reinterpret_cast<LRESULT>(CurrentFont());
      return true;
    case WM_MOUSEMOVE:
      MouseMoved();
      return true;
    case WM_MOUSELEAVE:
      MouseLeft();
      return true;
    case WM_LBUTTONDOWN:
      pressed_ = true;
      return true;
    case WM_LBUTTONUP: {
      RECT r;
      GetClientRect(Handle(), &r);
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      bool click = pressed_ && PtInRect(&r, pt);
      pressed_ = false;
      if (click && OnClick) OnClick();
      return true;
    }
    case WM_SETCURSOR:
      if (TPaintedControl::HandleMessage(msg, wp, lp, result)) return true;
      if (LOWORD(lp) != HTCLIENT) return false;
      ::SetCursor(CursorHandle(cursor_));
      result = TRUE;
      return true;
    default:
      return TPaintedControl::HandleMessage(msg, wp, lp, result);
  }
}

}  // namespace pix
