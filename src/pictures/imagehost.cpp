#include "pictures/imagehost.h"

#include "ui/app.h"

namespace pix {

void TImageHost::Create(HWND parent, const TRect& r) {
  CreateOwn("PixlumenImage", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, parent, r, CS_DBLCLKS,
            GetSysColorBrush(COLOR_BTNFACE));
  view_.SetParent(Handle());
  view_.SetBounds(ClientRect());
}

void TImageHost::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle(), &ps);
  try {
    view_.Paint(dc);
  } catch (...) {
    // Validate first so a report does not bring the same paint back at once.
    EndPaint(Handle(), &ps);
    if (!OnPaintError) throw;
    OnPaintError(std::current_exception());
    return;
  }
  EndPaint(Handle(), &ps);
}

bool TImageHost::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_PAINT: Paint(); return true;
    case WM_SIZE: view_.SetBounds(ClientRect()); return TControl::HandleMessage(msg, wp, lp, result);
    case WM_LBUTTONDBLCLK:
      if (OnDblClick) OnDblClick();
      return true;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT && !Application().ApplyCursor() && Cursor) {
        SetCursor(Cursor);
        result = TRUE;
        return true;
      }
      return TControl::HandleMessage(msg, wp, lp, result);
    default: return TControl::HandleMessage(msg, wp, lp, result);
  }
}

}  // namespace pix
