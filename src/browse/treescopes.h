// Scopes the folder tree holds while it works: each undoes its change when it
// ends, so an early return or an exception can't leave the tree half-set.
#pragma once
#include <windows.h>

#include "ui/control.h"

namespace pix {

// Sets a flag while it lives.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = old_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

// Counts itself while it lives: the tree's refreshes asked by the watcher wait
// while any lives, since a refresh deletes nodes the code it would interrupt
// may still be using.
class TCountScope {
 public:
  explicit TCountScope(int& count) : count_(count) { ++count_; }
  ~TCountScope() { --count_; }
  TCountScope(const TCountScope&) = delete;
  TCountScope& operator=(const TCountScope&) = delete;

 private:
  int& count_;
};

// Suspends a control's drawing; nested locks resume it only when the last
// ends. The requests go straight to the control's own procedure `proc`, not
// through its subclass.
class TRedrawLock {
 public:
  TRedrawLock(const TControl& control, WNDPROC proc, int& locks)
      : control_(control), proc_(proc), locks_(locks) {
    if (locks_++ == 0) Send(FALSE);
  }
  ~TRedrawLock() {
    if (--locks_ == 0) {
      Send(TRUE);
      InvalidateRect(control_.Handle(), nullptr, TRUE);
    }
  }
  TRedrawLock(const TRedrawLock&) = delete;
  TRedrawLock& operator=(const TRedrawLock&) = delete;

 private:
  void Send(BOOL redraw) const {
    if (HWND window = control_.Handle()) CallWindowProcA(proc_, window, WM_SETREDRAW, redraw, 0);
  }
  const TControl& control_;
  WNDPROC proc_;
  int& locks_;
};

}  // namespace pix
