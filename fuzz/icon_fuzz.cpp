// Icon directory, image checks and the image choice on arbitrary bytes: every
// part a checked image points at must lie inside the file.
#include <cstdlib>

#include "pictures/icon_core.h"
#include "ui/errors.h"

using namespace pix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t n) {
  IconHeader header;
  if (!ReadIconHeader(data, n, header)) return 0;
  std::vector<IconDirEntry> entries;
  try {
    entries = ReadIconDirectory(data, n);
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  std::vector<bool> usable = UsableIconEntries(data, n, entries);
  for (uint16_t depth : {1, 4, 8, 16, 32}) {
    int best = ChooseIconEntry(entries, 32, 32, depth, usable);
    if (best < 0) continue;
    IconImageLayout l;
    if (!CheckIconImage(data, n, entries[size_t(best)], l)) abort();  // chose an unusable entry
    const IconDirEntry& e = entries[size_t(best)];
    if (l.mask + l.maskSize > uint64_t(e.offset) + e.size || l.mask + l.maskSize > n) abort();
    // Touch every byte the platform would read.
    volatile uint8_t sum = 0;
    for (size_t i = l.header; i < l.mask + l.maskSize; ++i) sum = uint8_t(sum + data[i]);
  }
  return 0;
}
