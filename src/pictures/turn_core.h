// Showing a stored picture the way its orientation says (the values of
// exif_core.h): rows moved into the shown picture a band at a time as they
// are decoded. No platform headers here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace pix {

// Orientations 5 to 8 swap the picture's width and height.
bool OrientationSwapsSides(int orientation);

// The part of the shown picture that stored rows [top, bottom) of a stored
// picture `width` x `height` end up in.
struct TTurnedRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
TTurnedRect TurnedRows(int orientation, int width, int height, int top, int bottom);

// Rows of pixels: row r starts at first + r * step (step negative for bottom-up).
struct TPixelRows {
  uint8_t* first = nullptr;
  ptrdiff_t step = 0;
};

// Moves `count` stored rows, the first of them stored row `y0`, of a picture
// `width` x `height` with `bytesPerPixel` (1 or 3) from `band` (row i at
// band + i * bandStep) to where they are shown in `shown`. Rows turned into
// columns go over in blocks that stay in the processor's cache.
void TurnRows(int orientation, int width, int height, int bytesPerPixel, int y0, int count,
              const uint8_t* band, ptrdiff_t bandStep, TPixelRows shown);

}  // namespace pix
