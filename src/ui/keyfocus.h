// Keyboard use of a control of our own painting that is a tab stop (in a
// dialog, where the platform's dialog manager moves the focus): it shows the
// focus, and Enter or Space use it.
#pragma once
#include <windows.h>

#include <functional>

namespace pix {

// Makes `wnd` a tab stop, or no longer one.
inline void SetTabStop(HWND wnd, bool on) {
  LONG style = GetWindowLongA(wnd, GWL_STYLE);
  SetWindowLongA(wnd, GWL_STYLE, on ? style | WS_TABSTOP : style & ~WS_TABSTOP);
}

// The focus messages and keys of such a control; true when the message was
// answered. Enter is asked for, or the dialog would take it for its own button.
inline bool FocusKeyMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result,
                            const std::function<void()>& use) {
  if (!(GetWindowLongA(wnd, GWL_STYLE) & WS_TABSTOP)) return false;
  switch (msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(wnd, nullptr, FALSE);
      return true;
    case WM_GETDLGCODE: {
      const MSG* m = reinterpret_cast<const MSG*>(lp);
      result = m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN ? DLGC_WANTMESSAGE : 0;
      return true;
    }
    case WM_KEYDOWN:
      if (wp != VK_RETURN && wp != VK_SPACE) return false;
      if (use) use();
      return true;
    default:
      return false;
  }
}

// Drawn last over the control's face while it has the focus.
inline void PaintFocus(HWND wnd, HDC dc, const RECT& client) {
  if (GetFocus() != wnd || !(GetWindowLongA(wnd, GWL_STYLE) & WS_TABSTOP)) return;
  RECT r = client;
  InflateRect(&r, -1, -1);
  DrawFocusRect(dc, &r);
}

}  // namespace pix
