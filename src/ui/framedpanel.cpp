#include "ui/framedpanel.h"

#include "ui/app.h"
#include "ui/handles.h"
#include "ui/text.h"

namespace pix {

namespace {
int BevelWidth(TBevelCut cut) {
  return cut == TBevelCut::None ? 0 : 1;
}

void DrawBevel(HDC dc, RECT& r, TBevelCut cut) {
  if (cut == TBevelCut::None) return;
  DrawEdge(dc, &r, cut == TBevelCut::Raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
  InflateRect(&r, -1, -1);
}
}  // namespace

void TFramedPanel::Create(HWND parent, const TFramedPanelArgs& a) {
  Dock(a.dock);
  const TFramedPanelStyle& style = a.style;
  style_ = style;
  DWORD ws = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (style.singleBorder) ws |= WS_BORDER;
  if (style.tabStop) ws |= WS_TABSTOP;
  CreateOwn({.name = "PixlumenFramedPanel", .style = CS_HREDRAW | CS_VREDRAW}, "", ws, 0, parent,
            CreationBounds(a.dock, a.bounds));
}

void TFramedPanel::SetBorderWidth(int width) {
  if (width == style_.borderWidth) return;
  style_.borderWidth = width;
  Realign();
  Invalidate();
}

void TFramedPanel::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  // Also the window text, for anything that reads windows rather than this object.
  if (Handle()) SetWindowTextW(Handle(), Widen(caption_).c_str());
  Invalidate();
}

TRect TFramedPanel::DockArea() const {
  TRect r = ClientRect();
  int inset = BevelWidth(style_.outer) + style_.borderWidth + BevelWidth(style_.inner);
  return {r.left + inset, r.top + inset, r.right - inset, r.bottom - inset};
}

void TFramedPanel::PaintPanel(HDC dc, const RECT& client) {
  FillRect(dc, &client, GetSysColorBrush(style_.color));
  RECT r = client;
  DrawBevel(dc, r, style_.outer);
  InflateRect(&r, -style_.borderWidth, -style_.borderWidth);
  DrawBevel(dc, r, style_.inner);
  if (caption_.empty()) return;
  TSelectObject selectFont(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  std::wstring text = Widen(caption_);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void TFramedPanel::Paint(HDC dc, const RECT& client) {
  if (style_.doubleBuffered) {
    // Drawn aside and copied at once, so a resize never shows a bare background.
    TMemoryDC mem(dc);
    TOwnedBitmap bmp(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (mem && bmp) {
      TSelectObject select(mem, bmp);
      PaintPanel(mem, client);
      BitBlt(dc, 0, 0, client.right, client.bottom, mem, 0, 0, SRCCOPY);
      return;
    }
  }
  PaintPanel(dc, client);
}

bool TFramedPanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wp);
      if (LOWORD(lp)) Invalidate();
      return true;
    case WM_GETFONT:
      result = reinterpret_cast<LRESULT>(font_);
      return true;
    default:
      return TPaintedControl::HandleMessage(msg, wp, lp, result);
  }
}

}  // namespace pix
