// Where windows go among several monitors, kept apart from window handles: each
// monitor is given by its work area.
#pragma once
#include <vector>

#include "ui/dock_core.h"

namespace pix {

// Centred as CentredIn does, but never starting left of or above the area: a
// window larger than the area keeps its top-left corner on it.
TRect CentredOnWorkArea(const TRect& area, int width, int height, int down = 2);

// A window's outer rectangle, brought back where the user can reach it. While
// its caption strip (its top `captionHeight` pixels) meets some work area over
// at least `minVisible` pixels of its width (or all of it, when narrower), it
// is returned as it is. Otherwise it moves onto the nearest work area, keeping
// its size where that fits and shrinking to the area where not. With no work
// areas it stays.
TRect BroughtOnScreen(const std::vector<TRect>& workAreas, const TRect& window, int captionHeight,
                      int minVisible);

}  // namespace pix
