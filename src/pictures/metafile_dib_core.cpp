#include "pictures/metafile_dib_core.h"

#include "pictures/bytes_core.h"

namespace pix {

namespace {

uint64_t Abs32(uint32_t v) {
  int64_t s = static_cast<int32_t>(v);
  return static_cast<uint64_t>(s < 0 ? -s : s);
}

bool Uncompressed(uint32_t compression) {
  return compression == 0 || compression == 3 || compression == 6;  // none, bit fields
}

}  // namespace

bool ReadDibLayout(const uint8_t* bmi, uint64_t bmiBytes, uint32_t usage, int64_t rows,
                   DibLayout& out) {
  if (bmiBytes < 12) return false;
  uint32_t size = U32(bmi);
  // Palette indices are 2 bytes each; any other usage is sized at its largest.
  uint64_t width, height, colours, entry = (usage == 1 || usage == 2) ? 2 : 4;
  uint32_t bits, compression = 0;
  uint64_t header = size;
  if (size == 12) {
    width = U16(bmi + 4);
    height = U16(bmi + 6);
    bits = U16(bmi + 10);
    colours = bits <= 8 ? 1u << bits : 0;
    out.sectionable = width != 0 && height != 0;
    if (entry == 4) entry = 3;
  } else {
    if (size < 40 || size > bmiBytes) return false;
    width = Abs32(U32(bmi + 4));
    height = Abs32(U32(bmi + 8));
    bits = U16(bmi + 14);
    compression = U32(bmi + 16);
    out.sectionable = I32(bmi + 4) > 0 && height != 0 && (compression == 0 || compression == 3);
    uint32_t used = U32(bmi + 32);
    colours = used ? used : bits <= 8 ? 1u << bits : 0;
    // Colour masks follow a 40-byte header; the players place the table after
    // them even when the header claims a few bytes more.
    uint64_t masks = compression == 3 ? 12 : compression == 6 ? 16 : 0;
    if (masks && header < 40 + masks) header = 40 + masks;
  }
  out.headerBytes = header + colours * entry;
  out.bitCount = bits;
  out.width = width;
  out.height = height;
  if (out.headerBytes > bmiBytes) return false;
  if (Uncompressed(compression)) {
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (compression != 0 && bits != 16 && bits != 32) return false;
    // Only bottom-up bitmaps are read by their scan lines; top-down ones whole.
    bool topDown = size != 12 && I32(bmi + 8) < 0;
    uint64_t r = rows >= 0 && !topDown ? static_cast<uint64_t>(rows) : height;
    uint64_t rowBytes = ((width * bits + 31) / 32) * 4;
    out.pixelBytes = r && rowBytes > UINT64_MAX / r ? UINT64_MAX : rowBytes * r;
  } else {
    out.pixelBytes = U32(bmi + 20);  // compressed: the recorded image size is what is read
    if (out.pixelBytes == 0) return false;
  }
  return true;
}

}  // namespace pix
