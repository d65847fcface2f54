// Scopes the folder tree holds while it works: each undoes its change when it
// ends, so an early return or an exception can't leave the tree half-set. The
// tree's refreshes asked by the watcher wait while any TCountScope on its
// deferrals lives, since a refresh deletes nodes the code it would interrupt
// may still be using.
#pragma once
#include <windows.h>

#include <utility>

#include "ui/scopes.h"
#include "ui/treenodes.h"

namespace pix {

// Suspends a tree's drawing; nested locks resume it only when the last ends.
class TRedrawLock {
 public:
  TRedrawLock(const TTreeNodes& tree, int& locks) : tree_(tree), locks_(locks) {
    if (locks_++ == 0) Send(FALSE);
  }
  ~TRedrawLock() {
    if (--locks_ == 0) {
      Send(TRUE);
      InvalidateRect(tree_.Handle(), nullptr, TRUE);
    }
  }
  TRedrawLock(const TRedrawLock&) = delete;
  TRedrawLock& operator=(const TRedrawLock&) = delete;

 private:
  void Send(BOOL redraw) const { tree_.Send(WM_SETREDRAW, redraw, 0); }
  const TTreeNodes& tree_;
  int& locks_;
};

// Keeps a window from drawing at all, its frame and scroll bars too, while a
// hold lives: under Wine the tree redraws its scroll bar at each change of it
// while it expands. Holds nest; when the last ends, the whole window is drawn
// again once, at its next painting. A hidden window stays as it is.
class TDrawingHolds {
 public:
  void Hold(HWND window) {
    if (count_++ == 0 && (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE)) {
      window_ = window;
      DefWindowProcW(window, WM_SETREDRAW, FALSE, 0);
    }
  }
  void Release() {
    if (count_ == 0 || --count_ > 0 || !window_) return;
    HWND w = std::exchange(window_, nullptr);
    DefWindowProcW(w, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }

 private:
  int count_ = 0;
  HWND window_ = nullptr;  // the window held hidden, while one is
};

class TDrawingHold {
 public:
  TDrawingHold(TDrawingHolds& holds, HWND window) : holds_(holds) { holds_.Hold(window); }
  ~TDrawingHold() { holds_.Release(); }
  TDrawingHold(const TDrawingHold&) = delete;
  TDrawingHold& operator=(const TDrawingHold&) = delete;

 private:
  TDrawingHolds& holds_;
};

}  // namespace pix
