#include "pictures/exif_core.h"

#include <cstring>

namespace pix {

namespace {

constexpr uint8_t kExifName[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShort = 3;
constexpr size_t kEntryBytes = 12;

// The TIFF structure after the segment's name, read in its own byte order.
struct Tiff {
  const uint8_t* p;
  size_t size;
  bool little;
  uint16_t U16(size_t at) const {
    return little ? static_cast<uint16_t>(p[at] | p[at + 1] << 8)
                  : static_cast<uint16_t>(p[at] << 8 | p[at + 1]);
  }
  uint32_t U32(size_t at) const {
    uint32_t a = U16(at), b = U16(at + 2);
    return little ? b << 16 | a : a << 16 | b;
  }
};

int FirstDirectoryOrientation(const Tiff& t) {
  if (t.U16(2) != 42) return kOrientationAsStored;
  uint32_t ifd = t.U32(4);
  // Offsets are compared by subtraction: no sum may wrap around.
  if (ifd > t.size || t.size - ifd < 2) return kOrientationAsStored;
  size_t entries = t.U16(ifd);
  if ((t.size - ifd - 2) / kEntryBytes < entries) return kOrientationAsStored;
  for (size_t i = 0; i < entries; ++i) {
    size_t at = ifd + 2 + i * kEntryBytes;
    if (t.U16(at) != kOrientationTag) continue;
    if (t.U16(at + 2) != kShort || t.U32(at + 4) != 1) return kOrientationAsStored;
    uint16_t value = t.U16(at + 8);
    return value >= 1 && value <= 8 ? value : kOrientationAsStored;
  }
  return kOrientationAsStored;
}

}  // namespace

int ExifSegmentOrientation(const uint8_t* segment, size_t size) {
  if (!segment || size < sizeof kExifName || std::memcmp(segment, kExifName, sizeof kExifName))
    return 0;
  Tiff t{segment + sizeof kExifName, size - sizeof kExifName, false};
  if (t.size < 8) return kOrientationAsStored;
  if (t.p[0] == 'I' && t.p[1] == 'I')
    t.little = true;
  else if (!(t.p[0] == 'M' && t.p[1] == 'M'))
    return kOrientationAsStored;
  return FirstDirectoryOrientation(t);
}

}  // namespace pix
