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

}  // namespace pix
