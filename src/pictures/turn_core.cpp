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

// Byte by byte: a 3-byte copy call costs a 32-bit build several times more.
template <int B>
void CopyPixel(uint8_t* to, const uint8_t* from) {
  for (int b = 0; b < B; ++b) to[b] = from[b];
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

// Rows become columns a tile at a time: a few pixels across each row of the
// band, read in order, are gathered as pieces of the shown rows, which then go
// out whole. Reading down the band's columns instead costs several times more.
constexpr int kTile = 8, kTileRows = 64;

template <int B>
void RowsToColumns(const Mapping& m, int width, int height, int y0, int count, const uint8_t* band,
                   ptrdiff_t bandStep, TPixelRows shown) {
  uint8_t tile[kTile][kTileRows * B];
  for (int i0 = 0; i0 < count; i0 += kTileRows) {
    int n = std::min(kTileRows, count - i0), y = y0 + i0;
    int left = m.reverseX ? height - y - n : y;  // the leftmost shown column of these rows
    for (int x0 = 0; x0 < width; x0 += kTile) {
      int across = std::min(kTile, width - x0);
      for (int i = 0; i < n; ++i) {
        const uint8_t* from = band + (i0 + i) * bandStep + x0 * B;
        uint8_t* to = &tile[0][(m.reverseX ? n - 1 - i : i) * B];
        for (int k = 0; k < across; ++k, from += B, to += sizeof tile[0]) CopyPixel<B>(to, from);
      }
      for (int k = 0; k < across; ++k) {
        int row = m.reverseY ? width - 1 - (x0 + k) : x0 + k;
        std::memcpy(shown.first + static_cast<ptrdiff_t>(row) * shown.step + left * B, tile[k],
                    static_cast<size_t>(n) * B);
      }
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
