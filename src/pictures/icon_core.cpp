#include "pictures/icon_core.h"
#include "pictures/bytes_core.h"

#include <cstring>

#include "ui/errors.h"

namespace pix {

namespace {

const uint32_t kMostColours = 2147483647;

}  // namespace

bool ReadIconHeader(const uint8_t* data, size_t n, IconHeader& header) {
  if (n < 6) return false;
  header.type = U16(data + 2);
  header.count = U16(data + 4);
  return true;
}

std::vector<IconDirEntry> ReadIconDirectory(const uint8_t* data, size_t n) {
  IconHeader h;
  // A directory that is empty or runs past the file is refused rather than read as zeros.
  if (!ReadIconHeader(data, n, h) || h.count == 0 || 6 + 16 * static_cast<uint64_t>(h.count) > n)
    throw EInvalidGraphic("Icon image is not valid");
  std::vector<IconDirEntry> entries(h.count);
  for (size_t i = 0; i < h.count; ++i) {
    const uint8_t* p = data + 6 + 16 * i;
    IconDirEntry& e = entries[i];
    e.width = p[0];
    e.height = p[1];
    e.colours = U16(p + 2);
    e.size = U32(p + 8);
    e.offset = U32(p + 12);
  }
  return entries;
}

uint32_t IconScreenColours(uint16_t depth) {
  return depth <= 8 ? 1u << depth : kMostColours;
}

uint32_t IconColourWeight(const IconDirEntry& e) {
  return e.colours ? e.colours : kMostColours;
}

static bool BetterOnAxis(int e, int best, int desired) {
  int dE = e - desired, dB = best - desired;
  if ((dE < 0 ? -dE : dE) > (dB < 0 ? -dB : dB)) return false;
  return dE <= 0 || dB >= dE;
}

bool IconBetterSize(const IconDirEntry& e, const IconDirEntry& best, int desiredW, int desiredH) {
  return BetterOnAxis(e.width, best.width, desiredW) &&
         BetterOnAxis(e.height, best.height, desiredH);
}

int ChooseIconEntry(const std::vector<IconDirEntry>& entries, int desiredW, int desiredH,
                    uint16_t depth, const std::vector<bool>& usable) {
  auto ok = [&](size_t i) { return usable.empty() || (i < usable.size() && usable[i]); };
  const uint32_t screen = IconScreenColours(depth);
  int best = -1;
  uint32_t weight = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!ok(i)) continue;
    const IconDirEntry& e = entries[i];
    uint32_t w = IconColourWeight(e);
    if (best < 0) {
      // The starting choice is taken whatever the screen shows.
      best = static_cast<int>(i);
      weight = w;
    } else if (w <= screen && w >= weight &&
               IconBetterSize(e, entries[static_cast<size_t>(best)], desiredW, desiredH)) {
      best = static_cast<int>(i);
      weight = w;
    }
  }
  return best;
}

uint64_t BitmapRowBytes(uint64_t width, uint32_t bitCount) {
  return ((width * bitCount + 31) & ~static_cast<uint64_t>(31)) / 8;
}

bool CheckIconImage(const uint8_t* data, size_t n, const IconDirEntry& e, IconImageLayout& out) {
  // 64-bit sums: an offset plus size that wraps 32 bits cannot pass.
  if (static_cast<uint64_t>(e.offset) + e.size > n || e.size < 40) return false;
  if (e.width == 0 || e.height == 0) return false;
  const uint8_t* p = data + e.offset;
  static const uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (std::memcmp(p, png, sizeof png) == 0) return false;  // the DIB path can't read PNG

  int32_t width = static_cast<int32_t>(U32(p + 4));
  uint32_t rawHeight = U32(p + 8);
  uint16_t bitCount = U16(p + 14);
  uint32_t compression = U32(p + 16);
  if (width <= 0 || rawHeight != 2u * e.height || compression != 0) return false;
  uint32_t entries;
  switch (bitCount) {
    case 1:
      entries = 2;
      break;
    case 4:
      entries = 16;
      break;
    case 8:
      entries = 256;
      break;
    case 16:
    case 24:
    case 32:
      entries = 0;
      break;
    default:
      return false;
  }
  uint32_t height = rawHeight >> 1;
  uint64_t colourSize = BitmapRowBytes(static_cast<uint64_t>(width), bitCount) * height;
  uint64_t maskSize = BitmapRowBytes(static_cast<uint64_t>(width), 1) * height;
  uint64_t need = 40 + 4ull * entries + colourSize + maskSize;
  if (need > e.size) return false;

  out.width = width;
  out.height = static_cast<int32_t>(height);
  out.bitCount = bitCount;
  out.header = e.offset;
  out.colourTable = e.offset + 40;
  out.colourEntries = entries;
  out.colour = out.colourTable + 4 * static_cast<size_t>(entries);
  out.colourSize = static_cast<size_t>(colourSize);
  out.mask = out.colour + out.colourSize;
  out.maskSize = static_cast<size_t>(maskSize);
  return true;
}

std::vector<bool> UsableIconEntries(const uint8_t* data, size_t n,
                                    const std::vector<IconDirEntry>& entries) {
  std::vector<bool> usable(entries.size());
  IconImageLayout layout;
  for (size_t i = 0; i < entries.size(); ++i)
    usable[i] = CheckIconImage(data, n, entries[i], layout);
  return usable;
}

}  // namespace pix
