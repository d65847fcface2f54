#include "pictures/turn_core.h"

#include <algorithm>
#include <cstring>

namespace pix {

namespace {

// Where a stored (x, y) is shown. Without a swap: x' = x or width-1-x,
// y' = y or height-1-y. With one: x' = y or height-1-y, y' = x or width-1-x.
struct Mapping {
  bool swap, reverseX, reverseY;  // reverseX: the shown x runs against its source
};

Mapping MappingOf(int orientation) {
  switch (orientation) {
    case 2:
      return {false, true, false};
    case 3:
      return {false, true, true};
    case 4:
      return {false, false, true};
    case 5:
      return {true, false, false};
    case 6:
      return {true, true, false};
    case 7:
      return {true, true, true};
    case 8:
      return {true, false, true};
    default:
      return {false, false, false};
  }
}

// Columns per block when rows become columns: a block of the band (up to 64
// rows of 64 pixels) stays in the first-level cache while its pixels go out.
constexpr int kBlock = 64;

template <int B>
void CopyPixel(uint8_t* to, const uint8_t* from) {
  std::memcpy(to, from, B);
}

template <int B>
void RowsAcross(const Mapping& m, int width, int height, int y0, int count, const uint8_t* band,
                ptrdiff_t bandStep, TPixelRows shown) {
  for (int i = 0; i < count; ++i) {
    int y = y0 + i;
    const uint8_t* from = band + i * bandStep;
    uint8_t* to =
        shown.first + static_cast<ptrdiff_t>(m.reverseY ? height - 1 - y : y) * shown.step;
    if (!m.reverseX) {
      std::memcpy(to, from, static_cast<size_t>(width) * B);
      continue;
    }
    for (int x = 0, back = width - 1; x < width; ++x, --back)
      CopyPixel<B>(to + back * B, from + x * B);
  }
}

template <int B>
void RowsToColumns(const Mapping& m, int width, int height, int y0, int count, const uint8_t* band,
                   ptrdiff_t bandStep, TPixelRows shown) {
  // The shown column of stored row y0, and the way later rows go from it.
  int column = m.reverseX ? height - 1 - y0 : y0;
  ptrdiff_t next = m.reverseX ? -B : B;
  for (int x0 = 0; x0 < width; x0 += kBlock) {
    int x1 = std::min(width, x0 + kBlock);
    for (int x = x0; x < x1; ++x) {
      int row = m.reverseY ? width - 1 - x : x;
      uint8_t* to = shown.first + static_cast<ptrdiff_t>(row) * shown.step + column * B;
      const uint8_t* from = band + x * B;
      for (int i = 0; i < count; ++i, to += next, from += bandStep) CopyPixel<B>(to, from);
    }
  }
}

}  // namespace

bool OrientationSwapsSides(int orientation) {
  return MappingOf(orientation).swap;
}

TTurnedRect TurnedRows(int orientation, int width, int height, int top, int bottom) {
  Mapping m = MappingOf(orientation);
  // Without a swap the rows stay rows (reversed by reverseY); with one they
  // become columns (reversed by reverseX).
  bool reversed = m.swap ? m.reverseX : m.reverseY;
  int from = reversed ? height - bottom : top;
  int to = reversed ? height - top : bottom;
  if (m.swap) return {from, 0, to, width};
  return {0, from, width, to};
}

void TurnRows(int orientation, int width, int height, int bytesPerPixel, int y0, int count,
              const uint8_t* band, ptrdiff_t bandStep, TPixelRows shown) {
  Mapping m = MappingOf(orientation);
  auto run = m.swap ? (bytesPerPixel == 1 ? RowsToColumns<1> : RowsToColumns<3>)
                    : (bytesPerPixel == 1 ? RowsAcross<1> : RowsAcross<3>);
  run(m, width, height, y0, count, band, bandStep, shown);
}

}  // namespace pix
