// What to read ahead: the neighbours of the shown entry of a list, and whether a
// picture fits the budget of the address space. No platform headers here.
#pragma once
#include <cstdint>

namespace pix {

// Indexes of the neighbours to read ahead, the one in the direction of the last
// step first; -1 for none.
struct TNeighbours {
  int first = -1, second = -1;
};

// The neighbours of `index` in a list of `count` entries. `previous` is the
// entry shown before (-1 when none): a step from it to the next entry reads the
// following one first, a step back the one before; any other move reads forward
// first. With `wrap` the list is a ring (the full-screen view steps round it);
// without, the ends have one neighbour. An entry never neighbours itself.
TNeighbours ReadAheadNeighbours(int count, int index, int previous, bool wrap);

// Pixels a neighbour may have to be read ahead: a 32-bit process keeps its
// address space for what is shown (three decoded 48-megapixel pictures are
// already over 400 MB of it); a 64-bit one reads ahead whatever the decoder takes.
constexpr int64_t kReadAheadMaxPixels32 = 48'000'000;
bool ReadAheadFits(int64_t width, int64_t height, bool wideAddressSpace);

}  // namespace pix
