// Scopes the folder tree holds while it works: each undoes its change when it
// ends, so an early return or an exception can't leave the tree half-set.
#pragma once
#include <windows.h>

#include "ui/treenodes.h"

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

}  // namespace pix
