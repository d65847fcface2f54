// The parts of single metafile records that the platform's player reads by a
// count, an offset or an object index: each must lie inside its record (or the
// object table), or the file is refused before the player sees it.
#include "pictures/metafile_core.h"
#include "pictures/bytes_core.h"

#include <cstdint>

namespace pix {

namespace {

int64_t Abs32(uint32_t v) {
  int64_t s = static_cast<int32_t>(v);
  return s < 0 ? -s : s;
}

// Header plus colour table, and the pixel bytes an uncompressed bitmap needs
// (`rows` replaces the height when not negative). False for a header the
// player could not size or a header and table longer than `bmiBytes`.
bool DibSizes(const uint8_t* bmi, uint64_t bmiBytes, uint32_t usage, int64_t rows,
              uint64_t& headerBytes, uint64_t& pixelBytes) {
  if (bmiBytes < 12) return false;
  uint32_t size = U32(bmi);
  uint64_t width, height, colours, entry = usage == 1 ? 2 : 4;  // DIB_PAL_COLORS: indices
  uint32_t bits, compression = 0, masks = 0;
  if (size == 12) {
    width = U16(bmi + 4);
    height = U16(bmi + 6);
    bits = U16(bmi + 10);
    colours = bits <= 8 ? 1u << bits : 0;
    if (usage != 1) entry = 3;
  } else {
    if (size < 40 || size > bmiBytes) return false;
    width = static_cast<uint64_t>(Abs32(U32(bmi + 4)));
    height = static_cast<uint64_t>(Abs32(U32(bmi + 8)));
    bits = U16(bmi + 14);
    compression = U32(bmi + 16);
    uint32_t used = U32(bmi + 32);
    colours = used ? used : bits <= 8 ? 1u << bits : 0;
    if (size == 40 && compression == 3) masks = 12;
  }
  headerBytes = size + masks + colours * entry;
  if (headerBytes > bmiBytes) return false;
  if (compression == 0 || compression == 3) {
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (compression == 3 && bits != 16 && bits != 32) return false;
    uint64_t r = rows >= 0 ? static_cast<uint64_t>(rows) : height;
    uint64_t rowBytes = ((width * bits + 31) / 32) * 4;
    pixelBytes = r && rowBytes > UINT64_MAX / r ? UINT64_MAX : rowBytes * r;
  } else {
    pixelBytes = U32(bmi + 20);  // compressed: the recorded image size is what is read
  }
  return true;
}

// An enhanced record's bitmap given by offset and size pairs; none when cbBmi is 0.
bool EnhancedDibInside(const uint8_t* rec, uint32_t size, uint32_t at, uint32_t usage,
                       int64_t rows = -1) {
  uint32_t offBmi = U32(rec + at), cbBmi = U32(rec + at + 4);
  uint32_t offBits = U32(rec + at + 8), cbBits = U32(rec + at + 12);
  if (cbBmi == 0) return true;
  if (uint64_t(offBmi) + cbBmi > size || uint64_t(offBits) + cbBits > size) return false;
  uint64_t header, pixels;
  return DibSizes(rec + offBmi, cbBmi, usage, rows, header, pixels) && pixels <= cbBits;
}

// A packed bitmap (header, table, pixels in a row) from `p` to the record's end.
// A table whose length the header leaves implied gets it written out: the
// platform's conversion of such records into an enhanced metafile has been
// seen to overrun its buffers on them.
bool PackedDibInside(uint8_t* p, uint64_t bytes, uint32_t usage, int64_t rows = -1) {
  uint64_t header, pixels;
  if (!DibSizes(p, bytes, usage, rows, header, pixels) || pixels > bytes - header) return false;
  uint32_t bits = U32(p) >= 40 ? U16(p + 14) : 0;
  if (bits && bits <= 8 && U32(p + 32) == 0) Put32(p + 32, 1u << bits);
  return true;
}

bool RegionInside(const uint8_t* rec, uint32_t size, uint32_t cbAt, uint32_t dataAt) {
  uint32_t cb = U32(rec + cbAt);
  if (size < dataAt || cb > size - dataAt) return false;
  if (cb == 0) return true;
  if (cb < 32) return false;
  return 32 + 16ull * U32(rec + dataAt + 8) <= cb;  // RGNDATAHEADER, then nCount rectangles
}

// Object indices: stock objects carry the high bit; 0 is the metafile itself.
bool Handle(uint32_t index, uint32_t handles, bool stockAllowed) {
  if (index & 0x80000000u) return stockAllowed;
  return index != 0 && index < handles;
}

}  // namespace

bool EnhancedRecordInside(const uint8_t* rec, uint32_t size, uint32_t handles) {
  uint32_t type = U32(rec);
  auto need = [&](uint32_t bytes) { return size >= bytes; };
  switch (type) {
    case 2: case 3: case 4: case 5: case 6:  // poly-Bezier, polygon, polyline and the -To forms
      return need(28) && 28 + 8ull * U32(rec + 24) <= size;
    case 85: case 86: case 87: case 88: case 89:  // their 16-bit forms
      return need(28) && 28 + 4ull * U32(rec + 24) <= size;
    case 7: case 8: case 90: case 91: {  // poly-polylines and poly-polygons
      if (!need(32)) return false;
      uint64_t polys = U32(rec + 24), points = U32(rec + 28);
      uint64_t point = type >= 90 ? 4 : 8;
      if (32 + 4 * polys + point * points > size) return false;
      uint64_t sum = 0;
      for (uint64_t i = 0; i < polys; ++i) sum += U32(rec + 32 + 4 * i);
      return sum <= points;
    }
    case 56: return need(28) && 28 + 9ull * U32(rec + 24) <= size;  // poly-draw
    case 92: return need(28) && 28 + 5ull * U32(rec + 24) <= size;
    case 83: case 84: {  // text out, ANSI and wide
      if (!need(76)) return false;
      uint64_t chars = U32(rec + 44), off = U32(rec + 48), offDx = U32(rec + 72);
      uint32_t options = U32(rec + 52);
      if (chars == 0) return true;
      if (off + chars * (type == 84 ? 2 : 1) > size) return false;
      return offDx == 0 || offDx + chars * ((options & 0x2000) ? 8 : 4) <= size;  // ETO_PDY: pairs
    }
    case 49:  // create palette
      return need(16) && Handle(U32(rec + 8), handles, false) && 16 + 4ull * U16(rec + 14) <= size;
    case 50:  // set palette entries
      return need(20) && Handle(U32(rec + 8), handles, false) && 20 + 4ull * U32(rec + 16) <= size;
    case 51: return need(16) && Handle(U32(rec + 8), handles, false);  // resize palette
    case 70: return need(12) && 12ull + U32(rec + 8) <= size;  // comment
    case 71: return need(32) && RegionInside(rec, size, 24, 32) && Handle(U32(rec + 28), handles, true);
    case 72: return need(40) && RegionInside(rec, size, 24, 40) && Handle(U32(rec + 28), handles, true);
    case 73: case 74: return need(28) && RegionInside(rec, size, 24, 28);
    case 75: return need(16) && RegionInside(rec, size, 8, 16);  // clip region
    case 76: case 77: case 114: case 116:  // bit-block, stretch, alpha and transparent copies
      return need(100) && EnhancedDibInside(rec, size, 84, U32(rec + 80));
    case 78:  // masked copy
      return need(128) && EnhancedDibInside(rec, size, 84, U32(rec + 80)) &&
             EnhancedDibInside(rec, size, 112, U32(rec + 108));
    case 79:  // parallelogram copy
      return need(140) && EnhancedDibInside(rec, size, 96, U32(rec + 92)) &&
             EnhancedDibInside(rec, size, 124, U32(rec + 120));
    case 80:  // bits to device: only the recorded scan lines
      return need(76) && EnhancedDibInside(rec, size, 48, U32(rec + 64), U32(rec + 72));
    case 81: return need(80) && EnhancedDibInside(rec, size, 48, U32(rec + 64));  // stretch bits
    case 93: case 94:  // pattern brushes
      return need(32) && Handle(U32(rec + 8), handles, false) &&
             EnhancedDibInside(rec, size, 16, U32(rec + 12));
    case 95:  // extended pen: bitmap, then style entries
      return need(52) && Handle(U32(rec + 8), handles, false) &&
             EnhancedDibInside(rec, size, 12, 0) && 52 + 4ull * U32(rec + 48) <= size;
    case 38: case 39: case 82: case 99: case 122:  // pen, brush, font, colour spaces
      return need(12) && Handle(U32(rec + 8), handles, false);
    case 37: case 48: case 100:  // select object, palette, colour space
      return need(12) && Handle(U32(rec + 8), handles, true);
    case 40: case 101:  // delete object, colour space
      return need(12) && Handle(U32(rec + 8), handles, false);
    default: return true;
  }
}

bool WindowsRecordInside(uint8_t* rec, uint64_t bytes, uint32_t objects) {
  uint16_t function = U16(rec + 4);
  uint8_t* p = rec + 6;  // parameters
  uint64_t left = bytes - 6;
  auto need = [&](uint64_t n) { return left >= n; };
  switch (function) {
    case 0x0324: case 0x0325:  // polygon, polyline
      return need(2) && 2 + 4ull * U16(p) <= left;
    case 0x0538: {  // poly-polygon
      if (!need(2)) return false;
      uint64_t polys = U16(p);
      if (2 + 2 * polys > left) return false;
      uint64_t points = 0;
      for (uint64_t i = 0; i < polys; ++i) points += U16(p + 2 + 2 * i);
      return 2 + 2 * polys + 4 * points <= left;
    }
    case 0x0521:  // text out: length, text padded to a word, y, x
      return need(2) && 2 + ((U16(p) + 1ull) & ~1ull) + 4 <= left;
    case 0x0a32: {  // extended text out: y, x, length, options, [rectangle], text
      if (!need(8)) return false;
      uint64_t rect = (U16(p + 6) & 0x0006) ? 8 : 0;  // ETO_OPAQUE, ETO_CLIPPED
      return 8 + rect + U16(p + 4) <= left;
    }
    case 0x00f7:  // create palette: version, count, entries
      return need(4) && 4 + 4ull * U16(p + 2) <= left;
    case 0x0037: case 0x0436:  // set and animate palette entries: start, count, entries
      return need(4) && 4 + 4ull * U16(p + 2) <= left;
    case 0x0940:  // device-independent bit-block copy; 9 words without a bitmap
      return left <= 18 || PackedDibInside(p + 16, left - 16, 0);
    case 0x0b41:  // its stretching form; 11 words without a bitmap
      return left <= 22 || PackedDibInside(p + 20, left - 20, 0);
    case 0x0f43:  // stretch bits: rop, usage, 9 words, bitmap
      return need(22) && PackedDibInside(p + 22, left - 22, U16(p + 4));
    case 0x0d33:  // bits to device: usage, scan count, ... 9 words, bitmap
      return need(18) && PackedDibInside(p + 18, left - 18, U16(p), U16(p + 2));
    case 0x0142:  // pattern brush: style, usage, bitmap (a style of 3 holds an old bitmap)
      return need(4) && (U16(p) == 3 || PackedDibInside(p + 4, left - 4, U16(p + 2)));
    case 0x012d: case 0x01f0: case 0x0234: case 0x012c:  // select, delete, select palette, clip region
    case 0x012a: case 0x012b:                           // invert, paint region
      return need(2) && U16(p) < objects;
    case 0x0228:  // fill region: region, brush
      return need(4) && U16(p) < objects && U16(p + 2) < objects;
    case 0x0429:  // frame region: region, brush, height, width
      return need(4) && U16(p) < objects && U16(p + 2) < objects;
    default: return true;
  }
}

}  // namespace pix
