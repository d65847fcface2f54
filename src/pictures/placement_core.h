// Where a picture view puts its picture: the placement rule, free of any
// platform so that it is exercised natively as well as on Windows.
#pragma once
#include "ui/dock_core.h"

namespace pix {

struct PlacementSettings {
  bool center = true;
  bool proportional = false;  // reduce-to-fit, keeping the proportions
  bool stretch = false;       // always fit to the view
};

// The rectangle, in view coordinates, that a w x h picture is drawn into in a
// view of cw x ch pixels.
TRect PlacementRect(int w, int h, int cw, int ch, const PlacementSettings& s);

// True when the picture is larger than the view in either direction (the test
// that decides whether reduce-to-fit has anything to do).
inline bool LargerThanView(int w, int h, int cw, int ch) {
  return w > cw || h > ch;
}

// True when the rectangle covers the whole cw x ch view.
inline bool CoversView(const TRect& r, int cw, int ch) {
  return r.left <= 0 && r.top <= 0 && r.right >= cw && r.bottom >= ch;
}

}  // namespace pix
