#include "pictures/imagehost.h"

#include "pictures/jpeg.h"
#include "ui/app.h"
#include "ui/keyfocus.h"

namespace pix {

namespace {

// A key that moves to another picture is waiting.
bool StepKeyWaiting() {
  return KeyDownWaiting({VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_HOME, VK_END});
}

// The decode interrupt, and whether the view reads ahead, for one paint.
struct InterruptScope {
  bool (*saved)() = JPEGDecodeHooks().Interrupted;
  bool savedReads = JPEGDecodeHooks().ViewReadsAhead;
  explicit InterruptScope(bool on) {
    if (on) JPEGDecodeHooks().Interrupted = StepKeyWaiting;
    JPEGDecodeHooks().ViewReadsAhead = on;
  }
  ~InterruptScope() {
    JPEGDecodeHooks().Interrupted = saved;
    JPEGDecodeHooks().ViewReadsAhead = savedReads;
  }
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;
};

}  // namespace

void TImageHost::Create(HWND parent, const TImageHostArgs& a) {
  Dock(a.dock);
  CreateOwn({.name = "PixlumenImage", .background = GetSysColorBrush(COLOR_BTNFACE)}, "",
            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, parent, CreationBounds(a.dock, a.bounds));
  view_.SetParent(Handle());
  view_.SetBounds(ClientRect());
}

void TImageHost::Paint(HDC dc, const RECT& client) {
  try {
    InterruptScope interrupt(StepKeysInterruptDecode);
    view_.Paint(dc);
    PaintFocus(Handle(), dc, client);
  } catch (const EJPEGInterrupted&) {
    // Paint again after the key, unless it brings another picture first. The
    // paint already began, so this region stays invalid past its end.
    RECT again;
    if (GetClipBox(dc, &again) <= NULLREGION) again = client;
    InvalidateRect(Handle(), &again, FALSE);
    return;
  } catch (...) {
    // Nothing was drawn where the background was left for the picture (the
    // paint's clipping keeps this fill to the region being painted).
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    throw;
  }
}

void TImageHost::PaintFailed(std::exception_ptr e) {
  if (!OnPaintError) std::rethrow_exception(e);
  OnPaintError(e);
}

// An opaque picture paints every pixel of its rectangle: only the rest is filled
// first, so a repaint writes each pixel once and the picture does not flash.
BOOL TImageHost::EraseBackground(HDC dc) {
  RECT client;
  GetClientRect(Handle(), &client);
  int saved = SaveDC(dc);
  TGraphic* g = Picture().Graphic();
  if (g && !g->Transparent() && view_.Visible) {
    TRect d = view_.DestRect();
    TRect b = view_.Bounds();
    ExcludeClipRect(dc, b.left + d.left, b.top + d.top, b.left + d.right, b.top + d.bottom);
  }
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  RestoreDC(dc, saved);
  return TRUE;
}

bool TImageHost::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  // As a tab stop (the open dialog's preview), Enter and Space act as a double-click.
  if (FocusKeyMessage(Handle(), msg, wp, lp, result, OnDblClick)) return true;
  switch (msg) {
    case WM_SIZE:
      view_.SetBounds(ClientRect());
      return TPaintedControl::HandleMessage(msg, wp, lp, result);
    case WM_LBUTTONDBLCLK:
      if (OnDblClick) OnDblClick();
      return true;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT && !Application().ApplyCursor() && Cursor) {
        SetCursor(Cursor);
        result = TRUE;
        return true;
      }
      return TPaintedControl::HandleMessage(msg, wp, lp, result);
    default:
      return TPaintedControl::HandleMessage(msg, wp, lp, result);
  }
}

}  // namespace pix
