// The parts of single Windows metafile records that the platform's player
// reads: each record's fixed parameters, and everything it reads by a count or
// an object index, must lie inside its record (or the object table). Where the
// players disagree on a record's layout, every reading must pass.
#include "pictures/bytes_core.h"
#include "pictures/metafile_core.h"
#include "pictures/metafile_dib_core.h"
#include "pictures/metafile_table_core.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace pix {

namespace {

// A packed bitmap (header, table, pixels in a row) from `p` to the record's end.
// The platform's conversion into an enhanced metafile copies as many pixel
// bytes as the header's image size says and as many colours as it implies,
// so both are written out: an implied table has been seen to overrun its
// buffers, and an image size of 0 leaves the converted record without pixels.
bool PackedDibInside(uint8_t* p, uint64_t bytes, uint32_t usage, int64_t rows = -1) {
  DibLayout dib;
  if (!ReadDibLayout(p, bytes, usage, rows, dib) || dib.pixelBytes > bytes - dib.headerBytes)
    return false;
  if (U32(p) < 40) return true;
  if (dib.bitCount <= 8 && U32(p + 32) == 0) Put32(p + 32, 1u << dib.bitCount);
  uint32_t compression = U32(p + 16);
  if (compression == 0 || compression == 3 || compression == 6)
    Put32(p + 20, static_cast<uint32_t>(dib.pixelBytes));
  return true;
}

// A device-dependent bitmap the player makes from width, height, planes and
// bits per pixel, its rows padded to 16 bits, its pixels at `bitsAt`.
struct Ddb {
  uint64_t width, height, planes, bits, bitsAt;
};
bool DdbInside(const Ddb& d, uint64_t left) {
  if (d.width == 0 || d.height == 0) return true;  // nothing is read
  uint64_t bits = d.bits <= 1    ? 1
                  : d.bits <= 4  ? 4
                  : d.bits <= 8  ? 8
                  : d.bits <= 16 ? 16
                  : d.bits <= 24 ? 24
                  : d.bits <= 32 ? 32
                                 : 0;
  if (bits == 0) return true;  // refused by the player before it reads
  uint64_t stride = (d.width * bits + 15) / 16 * 2;
  return d.bitsAt + d.height * stride * (d.planes ? d.planes : 1) <= left;
}

// The old bitmap-in-record copies. The published layout has a bitmap header
// (type, width, height, row bytes, planes and bit count bytes) after the
// copy's parameters, at `h`, and its pixels after that.
bool PublishedBitmapInside(const uint8_t* p, uint64_t left, uint64_t h) {
  uint64_t height = U16(p + h + 4), rowBytes = U16(p + h + 6);
  return DdbInside({U16(p + h + 2), height, p[h + 8], p[h + 9], h + 10}, left) &&
         h + 10 + height * rowBytes <= left;
}

// Wine's player reads the bitmap's width, height, planes and bit count from
// other words (older Wine: planes and bit count as the bytes of one word), so
// its readings must pass too.
uint64_t Word(const uint8_t* p, uint64_t at) {
  return U16(p + at);
}
bool OldBitCopyInside(uint8_t* p, uint64_t left, uint32_t) {  // words 7, 8, 10 and 11, pixels at 12
  return PublishedBitmapInside(p, left, 16) &&
         DdbInside({Word(p, 14), Word(p, 16), Word(p, 20), Word(p, 22), 24}, left) &&
         DdbInside({Word(p, 14), Word(p, 16), p[20], p[21], 22}, left);
}
bool OldStretchCopyInside(uint8_t* p, uint64_t left,
                          uint32_t) {  // words 10, 11, 13 and 14, pixels at 15
  return PublishedBitmapInside(p, left, 20) &&
         DdbInside({Word(p, 20), Word(p, 22), Word(p, 26), Word(p, 28), 30}, left) &&
         DdbInside({Word(p, 20), Word(p, 22), p[26], p[27], 28}, left);
}

// The pattern brush of a bitmap: the published bitmap header and its pixels
// after 18 reserved bytes; Wine's player reads a pattern style as a bitmap
// info header's size fields with pixels at 48, and a device-independent
// pattern as a packed bitmap.
bool PatternBrushInside(uint8_t* p, uint64_t left, uint32_t) {
  uint64_t width = U16(p + 2), height = U16(p + 4), rowBytes = U16(p + 6);
  if (!DdbInside({width, height, p[8], p[9], 28}, left) || 28 + height * rowBytes > left)
    return false;
  switch (U16(p)) {
    case kBsPattern: {
      auto abs32 = [](uint32_t v) {
        int64_t s = int32_t(v);
        return uint64_t(s < 0 ? -s : s);
      };
      return DdbInside({abs32(U32(p + 8)), abs32(U32(p + 12)), U16(p + 16), U16(p + 18), 48}, left);
    }
    case kBsDibPatternPt:
      return PackedDibInside(p + 4, left - 4, U16(p + 2));
    default:
      return true;
  }
}

// A region: its header, then scans of a count, top, bottom, the count's
// coordinates and the count again.
bool RegionScansInside(uint8_t* p, uint64_t left, uint32_t) {
  uint64_t at = 22;
  for (uint32_t scan = 0, scans = U16(p + 10); scan < scans; ++scan) {
    if (at + 2 > left) return false;
    at += 2 * (uint64_t(U16(p + at)) + 4);
    if (at > left) return false;
  }
  return true;
}

// The DIB stretch without a bitmap (rop, source height, width, y, x, a
// reserved word, destination height, width, y, x) stands for a pattern fill
// when its raster operation reads no source; Wine's player would read a
// bitmap past it. It becomes that fill, or a comment when the operation
// needs the missing source, in a record of the same size: the function word
// just before the parameters `p` changes.
void StandInForBareStretch(uint8_t* p) {
  if (RopReadsSource(U32(p))) {
    Put16(p - 2, kMetaEscape);
    Put16(p, kMfComment);
    Put16(p + 2, 18);
    std::fill(p + 4, p + 22, uint8_t(0));
  } else {
    Put16(p - 2, kMetaPatBlt);  // rop, height, width, y, x
    std::copy(p + 14, p + 22, p + 4);
    std::fill(p + 12, p + 22, uint8_t(0));
  }
}

// The rules past each record's fixed parameters, given the parameters `p`, the
// `left` bytes from them to the record's end and the object table's size.

// The object indices at `At`, each in the table.
template <uint64_t... At>
bool Objects(uint8_t* p, uint64_t, uint32_t objects) {
  return ((U16(p + At) < objects) && ...);
}

bool ClipRegion(uint8_t* p, uint64_t left, uint32_t objects) {  // 0 is none
  return U16(p) == 0 || Objects<0>(p, left, objects);
}

bool Points(uint8_t* p, uint64_t left, uint32_t) {
  return 2 + 4ull * U16(p) <= left;
}

bool PolyPolygon(uint8_t* p, uint64_t left, uint32_t) {
  uint64_t polys = U16(p);
  if (2 + 2 * polys > left) return false;
  uint64_t points = 0;
  for (uint64_t i = 0; i < polys; ++i) points += U16(p + 2 + 2 * i);
  return 2 + 2 * polys + 4 * points <= left;
}

bool Text(uint8_t* p, uint64_t left, uint32_t) {  // length, text padded to a word, y, x
  return 2 + ((U16(p) + 1ull) & ~1ull) + 4 <= left;
}

bool ExtText(uint8_t* p, uint64_t left, uint32_t) {  // y, x, length, options, [rectangle], text
  uint64_t rect = (U16(p + 6) & 0x0006) ? 8 : 0;     // ETO_OPAQUE, ETO_CLIPPED
  return 8 + rect + U16(p + 4) <= left;
}

// A version (creation) or a start (the others), the count, the entries.
bool PaletteEntries(uint8_t* p, uint64_t left, uint32_t) {
  return 4 + 4ull * U16(p + 2) <= left;
}

// 9 words without a bitmap, the bitmap after 8 with one.
bool DibCopy(uint8_t* p, uint64_t left, uint32_t) {
  return left <= 18 || PackedDibInside(p + 16, left - 16, 0);
}

// Its stretching form: Wine reads a bitmap after 10 words always.
bool DibStretchCopy(uint8_t* p, uint64_t left, uint32_t) {
  if (left == 22) {
    StandInForBareStretch(p);
    return true;
  }
  return left > 20 && PackedDibInside(p + 20, left - 20, 0);
}

bool StretchDib(uint8_t* p, uint64_t left, uint32_t) {  // rop, usage, 9 words, bitmap
  return PackedDibInside(p + 22, left - 22, U16(p + 4));
}

bool DibToDevice(uint8_t* p, uint64_t left, uint32_t) {  // usage, scan count, ... 9 words, bitmap
  return PackedDibInside(p + 18, left - 18, U16(p), U16(p + 2));
}

// Style, usage, bitmap (RGB colours for a pattern style).
bool DibPatternBrush(uint8_t* p, uint64_t left, uint32_t) {
  return PackedDibInside(p + 4, left - 4, U16(p) == kBsPattern ? 0 : U16(p + 2));
}

// Each record function the players read parameters of: the bytes of its fixed
// parameters, after the 6-byte size and function, and what it reads past them
// (none: nothing).
struct WindowsRow {
  uint16_t type;
  uint16_t params;
  bool (*inside)(uint8_t* p, uint64_t left, uint32_t objects);
};

// Modes, object indices, restore levels, palette sizes and counts take a word;
// palettes, colours, points, extents and escapes two; brushes, scalings and
// rectangles four.
constexpr auto kWindowsRows = std::to_array<WindowsRow>({
    {kMetaSetPalEntries, 4, PaletteEntries},
    {kMetaCreatePalette, 4, PaletteEntries},
    {kMetaSetBkMode, 2, nullptr},
    {kMetaSetMapMode, 2, nullptr},
    {kMetaSetRop2, 2, nullptr},
    {kMetaSetRelAbs, 2, nullptr},
    {kMetaSetPolyFillMode, 2, nullptr},
    {kMetaSetStretchBltMode, 2, nullptr},
    {kMetaSetTextCharExtra, 2, nullptr},
    {kMetaRestoreDC, 2, nullptr},
    {kMetaInvertRegion, 2, Objects<0>},
    {kMetaPaintRegion, 2, Objects<0>},
    {kMetaSelectClipRegion, 2, ClipRegion},
    {kMetaSelectObject, 2, Objects<0>},
    {kMetaSetTextAlign, 2, nullptr},
    {kMetaResizePalette, 2, nullptr},
    {kMetaDibCreatePatternBrush, 4, DibPatternBrush},
    {kMetaSetLayout, 4, nullptr},
    {kMetaDeleteObject, 2, Objects<0>},
    {kMetaCreatePatternBrush, 28, PatternBrushInside},  // bitmap header, reserved
    {kMetaSetBkColor, 4, nullptr},
    {kMetaSetTextColor, 4, nullptr},
    {kMetaSetTextJustification, 4, nullptr},
    {kMetaSetWindowOrg, 4, nullptr},
    {kMetaSetWindowExt, 4, nullptr},
    {kMetaSetViewportOrg, 4, nullptr},
    {kMetaSetViewportExt, 4, nullptr},
    {kMetaOffsetWindowOrg, 4, nullptr},
    {kMetaOffsetViewportOrg, 4, nullptr},
    {kMetaLineTo, 4, nullptr},
    {kMetaMoveTo, 4, nullptr},
    {kMetaOffsetClipRgn, 4, nullptr},
    {kMetaFillRegion, 4, Objects<0, 2>},  // brush, region
    {kMetaSetMapperFlags, 4, nullptr},
    {kMetaSelectPalette, 2, Objects<0>},
    {kMetaCreatePenIndirect, 10, nullptr},
    {kMetaCreateFontIndirect, 50, nullptr},  // 18 bytes and a 32-byte face name
    {kMetaCreateBrushIndirect, 8, nullptr},
    {kMetaPolygon, 2, Points},
    {kMetaPolyline, 2, Points},
    {kMetaScaleWindowExt, 8, nullptr},
    {kMetaScaleViewportExt, 8, nullptr},
    {kMetaExcludeClipRect, 8, nullptr},
    {kMetaIntersectClipRect, 8, nullptr},
    {kMetaEllipse, 8, nullptr},
    {kMetaFloodFill, 8, nullptr},
    {kMetaRectangle, 8, nullptr},
    {kMetaSetPixel, 8, nullptr},
    {kMetaFrameRegion, 8, Objects<4, 6>},  // height, width, brush, region
    {kMetaAnimatePalette, 4, PaletteEntries},
    {kMetaTextOut, 2, Text},
    {kMetaPolyPolygon, 2, PolyPolygon},
    {kMetaExtFloodFill, 10, nullptr},
    {kMetaRoundRect, 12, nullptr},
    {kMetaPatBlt, 12, nullptr},
    {kMetaEscape, 4, nullptr},
    {kMetaCreateRegion, 22, RegionScansInside},  // its header
    {kMetaArc, 16, nullptr},
    {kMetaPie, 16, nullptr},
    {kMetaChord, 16, nullptr},
    {kMetaBitBlt, 26, OldBitCopyInside},  // with its bitmap header
    {kMetaDibBitBlt, 18, DibCopy},
    {kMetaExtTextOut, 8, ExtText},                // text out's fixed part
    {kMetaStretchBlt, 30, OldStretchCopyInside},  // with its bitmap header
    {kMetaDibStretchBlt, 20, DibStretchCopy},
    {kMetaSetDibToDev, 18, DibToDevice},
    {kMetaStretchDib, 22, StretchDib},
});
static_assert(TypesAscend(kWindowsRows), "Windows record rows out of order or repeated");

const uint32_t kRecordHeadBytes = 6;  // size and function

}  // namespace

uint32_t WindowsRecordMinimum(uint16_t function) {
  const WindowsRow* row = FindRecordRow(kWindowsRows, function);
  return kRecordHeadBytes + (row ? row->params : 0);
}

bool WindowsRecordInside(uint8_t* rec, uint64_t bytes, uint32_t objects) {
  const WindowsRow* row = FindRecordRow(kWindowsRows, U16(rec + 4));
  if (bytes < kRecordHeadBytes + (row ? row->params : 0)) return false;
  return !row || !row->inside || row->inside(rec + 6, bytes - 6, objects);
}

}  // namespace pix
