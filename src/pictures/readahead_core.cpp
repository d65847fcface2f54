#include "pictures/readahead_core.h"

namespace pix {

TNeighbours ReadAheadNeighbours(int count, int index, int previous, bool wrap) {
  TNeighbours n;
  if (count < 2 || index < 0 || index >= count) return n;
  auto next = [&](int i) { return i + 1 < count ? i + 1 : wrap ? 0 : -1; };
  auto prior = [&](int i) { return i > 0 ? i - 1 : wrap ? count - 1 : -1; };
  int ahead = next(index), behind = prior(index);
  bool back = previous >= 0 && previous < count && previous != index && prior(previous) == index &&
              next(previous) != index;
  n.first = back ? behind : ahead;
  n.second = back ? ahead : behind;
  if (n.second == n.first) n.second = -1;  // two entries in a ring: one neighbour
  if (n.first < 0) n.first = n.second, n.second = -1;
  return n;
}

bool ReadAheadFits(int64_t width, int64_t height, bool wideAddressSpace) {
  if (width <= 0 || height <= 0) return false;
  return wideAddressSpace || width * height <= kReadAheadMaxPixels32;
}

TPictureCost JPEGPictureCost(int64_t width, int64_t height, uint64_t fileBytes) {
  if (width <= 0 || height <= 0) return {fileBytes, fileBytes};
  uint64_t w = static_cast<uint64_t>(width), h = static_cast<uint64_t>(height);
  uint64_t pixels = ((w * 24 + 31) & ~uint64_t{31}) / 8 * h;
  // A progressive file's coefficients: two bytes a sample, chroma halved both ways.
  uint64_t coefficients = w * h * 3;
  return {pixels + fileBytes, pixels + fileBytes + coefficients};
}

TMemoryBudget ReadAheadBudget(uint64_t addressSpace, uint64_t physical, bool wideAddressSpace) {
  TMemoryBudget b;
  b.usable = wideAddressSpace ? physical / 2 : addressSpace / 8 * 5;
  b.keepCap = wideAddressSpace ? b.usable / 4 : b.usable / 5;
  return b;
}

bool BudgetAllows(const TMemoryBudget& budget, uint64_t shownPeak, uint64_t kept) {
  if (kept > budget.keepCap || shownPeak > budget.usable / 2) return false;
  return kept <= budget.usable - 2 * shownPeak;
}

}  // namespace pix
