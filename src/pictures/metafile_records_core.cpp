// The parts of single enhanced metafile records that the platform's player
// reads: each record's fixed part, and everything it reads by a count, an
// offset or an object index, must lie inside its record (or the object table),
// or the file is refused before the player sees it.
#include "pictures/bytes_core.h"
#include "pictures/metafile_core.h"
#include "pictures/metafile_dib_core.h"

#include <algorithm>
#include <cstdint>

namespace pix {

uint32_t EnhancedRecordMinimum(uint32_t type) {
  switch (type) {
    case 1: return 88;                                     // header
    case 2: case 3: case 4: case 5: case 6: return 28;     // poly-Bezier, -gon, -line, -To forms
    case 7: case 8: return 32;                             // poly-polyline, poly-polygon
    case 9: case 10: case 11: case 12: case 13: return 16; // extents, origins, brush origin
    case 14: return 20;                                    // end of file
    case 15: return 20;                                    // set pixel
    case 16: case 17: case 18: case 19: case 20: case 21: case 22: return 12;  // modes
    case 23: return 32;                                    // colour adjustment
    case 24: case 25: return 12;                           // text and background colours
    case 26: case 27: return 16;                           // offset clip region, move to
    case 29: case 30: case 31: case 32: return 24;         // clip rectangles, scaled extents
    case 34: return 12;                                    // restore DC
    case 35: return 32;                                    // set world transform
    case 36: return 36;                                    // modify world transform
    case 37: return 12;                                    // select object
    case 38: return 28;                                    // create pen
    case 39: return 24;                                    // create brush
    case 40: return 12;                                    // delete object
    case 41: return 28;                                    // angle arc
    case 42: case 43: return 24;                           // ellipse, rectangle
    case 44: return 32;                                    // round rectangle
    case 45: case 46: case 47: case 55: return 40;         // arc, chord, pie, arc to
    case 48: return 12;                                    // select palette
    case 49: return 16;                                    // create palette
    case 50: return 20;                                    // set palette entries
    case 51: return 16;                                    // resize palette
    case 53: return 24;                                    // flood fill
    case 54: return 16;                                    // line to
    case 56: return 28;                                    // poly-draw
    case 57: case 58: return 12;                           // arc direction, miter limit
    case 62: case 63: case 64: return 24;                  // fill, stroke paths
    case 67: return 12;                                    // select clip path
    case 70: return 12;                                    // comment
    case 71: return 32;                                    // fill region
    case 72: return 40;                                    // frame region
    case 73: case 74: return 28;                           // invert, paint region
    case 75: return 16;                                    // select clip region
    case 76: return 100;                                   // bit-block copy
    case 77: return 108;                                   // stretching copy
    case 78: return 128;                                   // masked copy
    case 79: return 140;                                   // parallelogram copy
    case 80: return 76;                                    // bits to device
    case 81: return 80;                                    // stretch bits
    case 82: return 104;                                   // font: a whole LOGFONTW
    case 83: case 84: return 76;                           // text out
    case 85: case 86: case 87: case 88: case 89: return 28;  // 16-bit poly forms
    case 90: case 91: return 32;                           // 16-bit poly-poly forms
    case 92: return 28;                                    // 16-bit poly-draw
    case 93: case 94: return 32;                           // pattern brushes
    case 95: return 52;                                    // extended pen
    case 96: case 97: return 40;                           // poly text out
    case 98: return 12;                                    // colour management mode
    case 99: return 340;                                   // colour space, LOGCOLORSPACEA
    case 100: case 101: return 12;                         // set, delete colour space
    case 102: return 12;                                   // OpenGL record
    case 103: return 28;                                   // bounded OpenGL record
    case 104: return 48;                                   // pixel format
    case 105: case 106: return 16;                         // escapes
    case 108: return 36;                                   // small text out
    case 109: return 16;                                   // force font mapping
    case 110: return 20;                                   // named escape
    case 111: return 24;                                   // colour-correct palette
    case 112: case 113: return 20;                         // colour profiles
    case 114: return 108;                                  // alpha blend
    case 115: return 12;                                   // layout
    case 116: return 108;                                  // transparent copy
    case 118: return 36;                                   // gradient fill
    case 119: return 12;                                   // linked fonts
    case 120: return 16;                                   // text justification
    case 121: return 24;                                   // colour match to target
    case 122: return 608;                                  // colour space, LOGCOLORSPACEW
    default: return 8;  // no parameters, or a type players skip
  }
}

namespace {

const uint32_t kEtoPdy = 0x2000;        // the spacing array holds x and y pairs
const uint32_t kEtoNoRect = 0x100;      // small text out: no clipping rectangle
const uint32_t kEtoSmallChars = 0x200;  // small text out: 8-bit characters

// When a record's bitmap counts as absent. The player reads a bitmap at its
// offset whenever the offset is not 0 (or always, for the records that need
// one), whatever its recorded size says.
enum class Bitmap { Required, AbsentWhenBothZero, AbsentWhenNoSize };

// A bitmap given by offset and size pairs at `at`: header and table inside
// their part, the pixels inside theirs. The copy records' players put it in a
// DIB section and copy the pixels in whether or not one was made, so those
// ask for one the platform makes (`section`).
bool DibInside(const uint8_t* rec, uint32_t size, uint32_t at, uint32_t usage, Bitmap rule,
               int64_t rows = -1, bool section = false) {
  uint32_t offBmi = U32(rec + at), cbBmi = U32(rec + at + 4);
  uint32_t offBits = U32(rec + at + 8), cbBits = U32(rec + at + 12);
  if (rule == Bitmap::AbsentWhenBothZero && offBmi == 0 && cbBmi == 0) return true;
  if (rule == Bitmap::AbsentWhenNoSize && cbBmi == 0) return true;
  if (uint64_t(offBmi) + cbBmi > size || uint64_t(offBits) + cbBits > size) return false;
  DibLayout dib;
  return ReadDibLayout(rec + offBmi, cbBmi, usage, rows, dib) && dib.pixelBytes <= cbBits &&
         (dib.sectionable || !section);
}

bool SectionInside(const uint8_t* rec, uint32_t size, uint32_t at, uint32_t usage, Bitmap rule) {
  return DibInside(rec, size, at, usage, rule, -1, true);
}

// The blending copies fail when their source leaves the bitmap; Wine's player
// reads past it instead. The source rectangle at 44 (origin) and 100 (size).
bool SourceInsideBitmap(const uint8_t* rec) {
  if (U32(rec + 84) == 0 && U32(rec + 88) == 0) return true;  // no bitmap
  DibLayout dib;
  if (!ReadDibLayout(rec + U32(rec + 84), U32(rec + 88), U32(rec + 80), -1, dib)) return false;
  int64_t x = I32(rec + 44), y = I32(rec + 48), cx = I32(rec + 100), cy = I32(rec + 104);
  return x >= 0 && y >= 0 && cx >= 0 && cy >= 0 && uint64_t(x + cx) <= dib.width &&
         uint64_t(y + cy) <= dib.height;
}

// Region data: a header of at least 32 bytes, then nCount rectangles.
bool RegionFits(const uint8_t* rgn, uint64_t cb) {
  if (cb < 32) return false;
  uint64_t header = U32(rgn);
  return header >= 32 && header + 16ull * U32(rgn + 8) <= cb;
}

// A region of cbAt bytes at dataAt, as the fill, frame, invert and paint
// records carry it: the player reads it whatever the recorded size, so it must be there.
bool RegionInside(const uint8_t* rec, uint32_t size, uint32_t cbAt, uint32_t dataAt) {
  uint32_t cb = U32(rec + cbAt);
  return cb <= size - dataAt && RegionFits(rec + dataAt, cb);
}

// Object indices: stock objects carry the high bit; 0 is the metafile itself.
bool Handle(uint32_t index, uint32_t handles, bool stockAllowed) {
  if (index & 0x80000000u) return stockAllowed;
  return index != 0 && index < handles;
}

// One EMRTEXT at `at`: its characters and spacing inside the record. The
// spacing is read whenever its offset is not 0, and always for poly text.
bool TextInside(const uint8_t* rec, uint32_t size, uint32_t at, uint64_t charBytes,
                bool spacingAlways) {
  uint64_t chars = U32(rec + at + 8), off = U32(rec + at + 12), offDx = U32(rec + at + 36);
  uint32_t options = U32(rec + at + 16);
  if (chars == 0) return true;
  if (off + chars * charBytes > size) return false;
  if (offDx == 0 && !spacingAlways) return true;
  return offDx + chars * ((options & kEtoPdy) ? 8 : 4) <= size;
}

bool PolyTextInside(const uint8_t* rec, uint32_t size, uint64_t charBytes) {
  uint64_t strings = U32(rec + 36);
  if (40 + 40 * strings > size) return false;
  for (uint64_t i = 0; i < strings; ++i)
    if (!TextInside(rec, size, static_cast<uint32_t>(40 + 40 * i), charBytes, true)) return false;
  return true;
}

bool PolyPolyInside(const uint8_t* rec, uint32_t size, uint64_t pointBytes) {
  uint64_t polys = U32(rec + 24), points = U32(rec + 28);
  if (32 + 4 * polys + pointBytes * points > size) return false;
  uint64_t sum = 0;  // the players draw the counts' sum of points
  for (uint64_t i = 0; i < polys; ++i) sum += U32(rec + 32 + 4 * i);
  return sum <= points;
}

bool GradientInside(const uint8_t* rec, uint32_t size) {
  uint64_t vertices = U32(rec + 24), meshes = U32(rec + 28);
  uint32_t mode = U32(rec + 32);  // rectangles across, down, or triangles
  if (mode > 2) return false;
  return 36 + 16 * vertices + meshes * (mode == 2 ? 12 : 8) <= size;
}

bool SmallTextInside(const uint8_t* rec, uint32_t size) {
  uint64_t chars = U32(rec + 16);
  uint32_t options = U32(rec + 20);
  uint64_t rect = (options & kEtoNoRect) ? 0 : 16;
  return 36 + rect + chars * ((options & kEtoSmallChars) ? 1 : 2) <= size;
}

// Records carrying one or two byte counts of data after their fixed part.
bool DataInside(const uint8_t* rec, uint32_t size, uint32_t fixed, uint32_t firstCount,
                int counts) {
  uint64_t total = fixed;
  for (int i = 0; i < counts; ++i) total += U32(rec + firstCount + 4 * i);
  return total <= size;
}

}  // namespace

bool EnhancedRecordInside(const uint8_t* rec, uint32_t size, uint32_t handles) {
  uint32_t type = U32(rec);
  if (size < EnhancedRecordMinimum(type)) return false;
  auto object = [&](uint32_t at, bool stock) { return Handle(U32(rec + at), handles, stock); };
  switch (type) {
    case 2: case 3: case 4: case 5: case 6:  // points of 8 bytes
      return 28 + 8ull * U32(rec + 24) <= size;
    case 85: case 86: case 87: case 88: case 89:  // points of 4 bytes
      return 28 + 4ull * U32(rec + 24) <= size;
    case 7: case 8: return PolyPolyInside(rec, size, 8);
    case 90: case 91: return PolyPolyInside(rec, size, 4);
    case 56: return 28 + 9ull * U32(rec + 24) <= size;  // points and their types
    case 92: return 28 + 5ull * U32(rec + 24) <= size;
    case 83: return TextInside(rec, size, 36, 1, false);
    case 84: return TextInside(rec, size, 36, 2, false);
    case 96: return PolyTextInside(rec, size, 1);
    case 97: return PolyTextInside(rec, size, 2);
    case 108: return SmallTextInside(rec, size);
    case 49: return object(8, false) && 16 + 4ull * U16(rec + 14) <= size;  // create palette
    case 50: return object(8, false) && 20 + 4ull * U32(rec + 16) <= size;  // set entries
    case 51: case 111: return object(8, false);  // resize, colour-correct palette
    case 70: return 12ull + U32(rec + 8) <= size;  // comment
    // Restore DC: levels back from the current one; Wine's player takes the
    // magnitude of -2^31 for a small one and pops states that are not there.
    case 34: return I32(rec + 8) < 0 && U32(rec + 8) != 0x80000000u;
    // Fill and frame region: Wine's player takes the brush from the object
    // table whatever the index, so the player paints stock brushes itself
    // (EnhancedRecordPlay).
    case kEmrFillRgn: return RegionInside(rec, size, 24, 32) && object(28, true);
    case kEmrFrameRgn: return RegionInside(rec, size, 24, 40) && object(28, true);
    case 73: case 74: return RegionInside(rec, size, 24, 28);
    case 75: {  // clip region: none when empty, but read whenever the record could hold one
      uint32_t cb = U32(rec + 8);
      if (cb > size - 16) return false;
      if (cb != 0) return RegionFits(rec + 16, cb);
      return size < 52 || RegionFits(rec + 16, size - 16);
    }
    case 76: case 77:  // bit-block and stretching copies
      return SectionInside(rec, size, 84, U32(rec + 80), Bitmap::AbsentWhenBothZero);
    case 114: case 116:  // alpha blend, transparent copy
      return SectionInside(rec, size, 84, U32(rec + 80), Bitmap::AbsentWhenBothZero) &&
             SourceInsideBitmap(rec);
    case 78:  // masked copy: the player reads both bitmaps whatever their offsets
      return SectionInside(rec, size, 84, U32(rec + 80), Bitmap::Required) &&
             SectionInside(rec, size, 112, U32(rec + 108), Bitmap::Required);
    case 79:  // parallelogram copy, likewise
      return SectionInside(rec, size, 96, U32(rec + 92), Bitmap::Required) &&
             SectionInside(rec, size, 124, U32(rec + 120), Bitmap::Required);
    case 80:  // bits to device: only the recorded scan lines
      return DibInside(rec, size, 48, U32(rec + 64), Bitmap::Required, U32(rec + 72));
    // Stretch bits may carry no bitmap when the raster operation reads none;
    // Wine's player would read one at the offset all the same, so such
    // records never reach it (EnhancedRecordPlay).
    case kEmrStretchDIBits:
      return DibInside(rec, size, 48, U32(rec + 64), Bitmap::AbsentWhenNoSize);
    case 93: case 94:  // pattern brushes
      return object(8, false) && DibInside(rec, size, 16, U32(rec + 12), Bitmap::Required);
    case 95:  // extended pen: an optional pattern bitmap, then style entries
      return object(8, false) && DibInside(rec, size, 12, 0, Bitmap::AbsentWhenNoSize) &&
             52 + 4ull * U32(rec + 48) <= size;
    case 118: return GradientInside(rec, size);
    case 38: case 39: case 82: case 99: return object(8, false);  // pen, brush, font, colour space
    case 122: return object(8, false) && DataInside(rec, size, 608, 604, 1);
    case 37: case 48: return object(8, true);  // select object, palette
    case 100: return object(8, false);          // select colour space: no stock ones
    case 40: case 101: return object(8, false);  // delete object, colour space
    case 102: return DataInside(rec, size, 12, 8, 1);    // OpenGL data
    case 103: return DataInside(rec, size, 28, 24, 1);
    case 110: return DataInside(rec, size, 20, 12, 2);   // named escape: driver, data
    case 112: case 113: return DataInside(rec, size, 20, 12, 2);  // profile name, data
    case 121: return DataInside(rec, size, 24, 16, 2);
    case 119: return 12 + 8ull * U32(rec + 8) <= size;   // linked fonts
    default: return true;
  }
}

uint64_t EnhancedHeaderLength(const uint8_t* data) {
  uint64_t length = U32(data + 4);
  if (U32(data + 60) != 0) length = std::min<uint64_t>(length, U32(data + 64));
  if (length >= 100 && U32(data + 88) != 0) length = std::min<uint64_t>(length, U32(data + 92));
  return length;
}

bool EnhancedHeaderInside(const uint8_t* data, size_t n, uint32_t eofPalette) {
  uint32_t size = U32(data + 4);
  if (U32(data + 48) != n) return false;
  if (U16(data + 56) == 0) return false;  // slot 0 of the object table is the metafile
  if (U32(data + 68) != eofPalette) return false;
  // The player scales by the reference device's millimetres per pixel.
  for (int at = 72; at < 88; at += 4)
    if (I32(data + at) <= 0) return false;
  uint64_t chars = U32(data + 60), offDescription = U32(data + 64);
  if (chars && (offDescription < 88 || offDescription + 2 * chars > size)) return false;
  if (EnhancedHeaderLength(data) >= 100) {  // a pixel format lies past the fields
    uint64_t cb = U32(data + 88), off = U32(data + 92);
    if (cb && off + cb > size) return false;
  }
  return true;
}

}  // namespace pix
