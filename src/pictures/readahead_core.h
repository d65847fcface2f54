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

// What a JPEG picture of width x height from a file of `fileBytes` costs in
// memory: kept decoded (its 24-bit pixels and the file's bytes), and at the
// peak of its decode (libjpeg's buffers of a multi-scan file besides).
struct TPictureCost {
  uint64_t kept = 0, peak = 0;
};
TPictureCost JPEGPictureCost(int64_t width, int64_t height, uint64_t fileBytes);

// The memory that pictures kept for later may take. `usable` is what the
// program's pictures may use in all; `keepCap` the most kept beside the shown
// picture. A 32-bit process is bound by its address space (2, 3 or 4 GB), with
// room left for code, heaps and the splits between blocks; a 64-bit one by
// the machine's memory.
struct TMemoryBudget {
  uint64_t usable = 0, keepCap = 0;
};
TMemoryBudget ReadAheadBudget(uint64_t addressSpace, uint64_t physical, bool wideAddressSpace);

// Whether `kept` bytes beside the shown picture leave room for it and for the
// next load, taken to be as large as the shown one at its peak (the next
// picture of a folder of photos is much like this one). A shown picture that
// leaves no such room keeps nothing beside it.
bool BudgetAllows(const TMemoryBudget& budget, uint64_t shownPeak, uint64_t kept);

}  // namespace pix
