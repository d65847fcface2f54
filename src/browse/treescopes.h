// Scopes the folder tree holds while it works: each undoes its change when it
// ends, so an early return or an exception can't leave the tree half-set. The
// tree's refreshes asked by the watcher wait while any TCountScope on its
// deferrals lives, since a refresh deletes nodes the code it would interrupt
// may still be using.
#pragma once
#include <windows.h>

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

}  // namespace pix
