#include "pictures/icon_core.h"
#include "pictures/bmp_core.h"
#include "pictures/bytes_core.h"

#include <cstring>

#include "ui/errors.h"

namespace pix {

namespace {

const uint32_t kMostColours = 2147483647;
const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const size_t kPngHeaderEnd = 8 + 8 + 13 + 4;  // signature, IHDR length and type, fields, CRC

uint32_t Big32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

bool PngDepthAllowed(uint8_t colourType, uint8_t depth) {
  switch (colourType) {
    case 0:  // grey
      return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:  // palette
      return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:  // RGB
    case 4:  // grey and alpha
    case 6:  // RGBA
      return depth == 8 || depth == 16;
    default:
      return false;
  }
}

}  // namespace

bool IsPng(const uint8_t* data, size_t n) {
  return n >= sizeof kPngSignature && std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0;
}

bool ReadPngHeader(const uint8_t* data, size_t n, PngHeader& out) {
  if (n < kPngHeaderEnd || !IsPng(data, n)) return false;
  const uint8_t* c = data + 8;
  if (Big32(c) != 13 || std::memcmp(c + 4, "IHDR", 4) != 0) return false;
  const uint8_t* f = c + 8;
  PngHeader h;
  h.width = Big32(f);
  h.height = Big32(f + 4);
  h.bitDepth = f[8];
  h.colourType = f[9];
  h.interlace = f[12];
  if (h.width == 0 || h.height == 0 || h.width > 0x7FFFFFFF || h.height > 0x7FFFFFFF) return false;
  if (!PngDepthAllowed(h.colourType, h.bitDepth) || f[10] != 0 || f[11] != 0 || h.interlace > 1)
    return false;
  out = h;
  return true;
}

int IconEntryWidth(const IconDirEntry& e) {
  return e.width ? e.width : 256;
}
int IconEntryHeight(const IconDirEntry& e) {
  return e.height ? e.height : 256;
}

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
  return BetterOnAxis(IconEntryWidth(e), IconEntryWidth(best), desiredW) &&
         BetterOnAxis(IconEntryHeight(e), IconEntryHeight(best), desiredH);
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

namespace {

// A PNG image: the platform decodes it into a 32-bit bitmap and copies that
// into the icon's own, each a block of its own. On a 64-bit address space its
// pixels answer to the same store limit as a compressed bitmap's; a 32-bit one
// (2 GiB, already holding the pictures shown and read ahead) finds two such
// blocks only far smaller.
constexpr uint64_t kNarrowPngStore = uint64_t(1) << 27;  // 32 Mi pixels

bool CheckPngImage(const uint8_t* p, const IconDirEntry& e, bool wide, IconImageLayout& out) {
  PngHeader png;
  if (!ReadPngHeader(p, e.size, png)) return false;
  uint64_t store = uint64_t(png.width) * png.height * 4;
  if (wide ? !bmp::StoreSizeAcceptable(store, 0, wide) : store > kNarrowPngStore) return false;
  out = IconImageLayout{};
  out.png = true;
  out.pngSize = e.size;
  out.width = static_cast<int32_t>(png.width);
  out.height = static_cast<int32_t>(png.height);
  out.header = e.offset;
  return true;
}

uint32_t ColourEntries(uint16_t bitCount) {
  switch (bitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    case 16:
    case 24:
    case 32:
      return 0;
    default:
      return 0xFFFFFFFF;  // not a depth the platform reads
  }
}

}  // namespace

bool CheckIconImage(const uint8_t* data, size_t n, const IconDirEntry& e, IconImageLayout& out,
                    bool wideAddressSpace) {
  // 64-bit sums: an offset plus size that wraps 32 bits cannot pass.
  if (static_cast<uint64_t>(e.offset) + e.size > n) return false;
  const uint8_t* p = data + e.offset;
  if (IsPng(p, e.size)) return CheckPngImage(p, e, wideAddressSpace, out);
  if (e.size < 40) return false;

  // The image's own header decides its size, as it does for the platform; the
  // directory's bytes only take part in the choice.
  int32_t width = static_cast<int32_t>(U32(p + 4));
  int32_t rawHeight = static_cast<int32_t>(U32(p + 8));
  uint16_t bitCount = U16(p + 14);
  uint32_t compression = U32(p + 16);
  uint32_t entries = ColourEntries(bitCount);
  if (width <= 0 || rawHeight < 2 || compression != 0 || entries == 0xFFFFFFFF) return false;
  uint32_t height = static_cast<uint32_t>(rawHeight) >> 1;
  uint64_t colourSize = BitmapRowBytes(static_cast<uint64_t>(width), bitCount) * height;
  uint64_t maskSize = BitmapRowBytes(static_cast<uint64_t>(width), 1) * height;
  uint64_t need = 40 + 4ull * entries + colourSize + maskSize;
  if (need > e.size) return false;

  out = IconImageLayout{};
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
