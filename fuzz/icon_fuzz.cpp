// Icon directory, image checks and the image choice on arbitrary bytes: every
// part a checked image points at must lie inside the file, and a PNG image
// handed on must have a sound header within the pixel limit.
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
    if (l.width <= 0 || l.height <= 0) abort();
    size_t end = l.png ? l.header + l.pngSize : l.mask + l.maskSize;
    if (end > uint64_t(e.offset) + e.size || end > n) abort();
    // A PNG handed on is one the platform may decode within the store limit.
    PngHeader png;
    if (l.png && (!ReadPngHeader(data + l.header, l.pngSize, png) ||
                  uint64_t(png.width) * png.height * 4 > (uint64_t(1) << 30)))
      abort();
    // Touch every byte the platform would read.
    volatile uint8_t sum = 0;
    for (size_t i = l.header; i < end; ++i) sum = uint8_t(sum + data[i]);
  }
  return 0;
}
