// Rules of the screen's density that need no window: which image set a density
// uses, the default window size, and the way back from scaled pixels to layout
// units, so a form laid out again at another density starts from its own numbers.
#pragma once
#include <string>

namespace pix {

constexpr int kBaseDpi = 96;  // 100 %

// The side of the images drawn for `dpi`: 16 up to 120 dots per inch (125 %),
// 24 up to 168 (175 %), 32 above.
int ImageSizeForDpi(int dpi);
// The resource holding the `size` pixel set of the images named `base`: the base
// name for 16 pixels, the name and the size after it otherwise ("COMMANDS24").
std::string ImageResourceName(const std::string& base, int size);

// A length given at 96 dots per inch, at `dpi` (rounded as MulDiv rounds).
int ScaleByDpi(int value, int dpi);
// A default window extent: `value` at 96 dots per inch scaled to `dpi`, no more
// than `room` (the monitor's work area) when that is known (> 0).
int DefaultExtent(int value, int dpi, int room);

// The layout units (sizes given for a 16-pixel text height) of a length that is
// `pixels` at `textHeight`. `units` is what the length was laid out from: kept
// when the length is still what it gave, so a pane that nobody resized comes out
// exactly as a fresh layout would at any later density.
int UnscaleForText(int pixels, int textHeight, int units);

}  // namespace pix
