// The parts of single Windows metafile records that the platform's player
// reads: each record's fixed parameters, and everything it reads by a count or
// an object index, must lie inside its record (or the object table). Where the
// players disagree on a record's layout, every reading must pass.
#include "pictures/bytes_core.h"
#include "pictures/metafile_core.h"
#include "pictures/metafile_dib_core.h"

#include <algorithm>
#include <cstdint>

namespace pix {

uint32_t WindowsRecordMinimum(uint16_t function) {
  uint32_t params = 0;  // parameter bytes after the 6-byte size and function
  switch (function) {
    case kMetaSetBkMode:
    case kMetaSetMapMode:
    case kMetaSetRop2:
    case kMetaSetRelAbs:
    case kMetaSetPolyFillMode:
    case kMetaSetStretchBltMode:
    case kMetaSetTextCharExtra:
    case kMetaRestoreDC:
    case kMetaInvertRegion:
    case kMetaPaintRegion:
    case kMetaSelectClipRegion:
    case kMetaSelectObject:
    case kMetaSetTextAlign:
    case kMetaResizePalette:
    case kMetaDeleteObject:
    case kMetaSelectPalette:
      params = 2;
      break;  // modes, object indices, restore level, palette size
    case kMetaSetPalEntries:
    case kMetaAnimatePalette:
    case kMetaCreatePalette:
    case kMetaDibCreatePatternBrush:
    case kMetaSetLayout:
    case kMetaSetBkColor:
    case kMetaSetTextColor:
    case kMetaSetTextJustification:
    case kMetaSetWindowOrg:
    case kMetaSetWindowExt:
    case kMetaSetViewportOrg:
    case kMetaSetViewportExt:
    case kMetaOffsetWindowOrg:
    case kMetaOffsetViewportOrg:
    case kMetaLineTo:
    case kMetaMoveTo:
    case kMetaOffsetClipRgn:
    case kMetaFillRegion:
    case kMetaSetMapperFlags:
    case kMetaEscape:
      params = 4;
      break;  // palettes, colours, points, extents, escapes
    case kMetaCreateBrushIndirect:
    case kMetaScaleWindowExt:
    case kMetaScaleViewportExt:
    case kMetaExcludeClipRect:
    case kMetaIntersectClipRect:
    case kMetaEllipse:
    case kMetaFloodFill:
    case kMetaRectangle:
    case kMetaSetPixel:
    case kMetaFrameRegion:
    case kMetaExtTextOut:
      params = 8;
      break;  // brush, scalings, rectangles, text out's fixed part
    case kMetaCreatePenIndirect:
    case kMetaExtFloodFill:
      params = 10;
      break;
    case kMetaRoundRect:
    case kMetaPatBlt:
      params = 12;
      break;
    case kMetaArc:
    case kMetaPie:
    case kMetaChord:
      params = 16;
      break;
    case kMetaDibBitBlt:
    case kMetaSetDibToDev:
      params = 18;
      break;
    case kMetaDibStretchBlt:
      params = 20;
      break;
    case kMetaStretchDib:
      params = 22;
      break;
    case kMetaCreateRegion:
      params = 22;
      break;  // its header
    case kMetaBitBlt:
      params = 26;
      break;  // with its bitmap header
    case kMetaCreatePatternBrush:
      params = 28;
      break;  // bitmap header, reserved
    case kMetaStretchBlt:
      params = 30;
      break;  // with its bitmap header
    case kMetaCreateFontIndirect:
      params = 50;
      break;  // 18 bytes and a 32-byte face name
    case kMetaPolygon:
    case kMetaPolyline:
    case kMetaTextOut:
    case kMetaPolyPolygon:
      params = 2;
      break;  // counts
    default:
      break;  // no parameters, or a function players skip
  }
  return 6 + params;
}

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
bool OldCopyInside(const uint8_t* p, uint64_t left, uint16_t function) {
  auto w = [&](uint64_t at) { return uint64_t(U16(p + at)); };
  if (function == kMetaBitBlt)  // words 7, 8, 10 and 11, pixels at word 12
    return PublishedBitmapInside(p, left, 16) &&
           DdbInside({w(14), w(16), w(20), w(22), 24}, left) &&
           DdbInside({w(14), w(16), p[20], p[21], 22}, left);
  // stretching copy: words 10, 11, 13 and 14, pixels at word 15
  return PublishedBitmapInside(p, left, 20) && DdbInside({w(20), w(22), w(26), w(28), 30}, left) &&
         DdbInside({w(20), w(22), p[26], p[27], 28}, left);
}

// The pattern brush of a bitmap: the published bitmap header and its pixels
// after 18 reserved bytes; Wine's player reads style 3 as a bitmap info
// header's size fields with pixels at 48, and style 5 as a packed bitmap.
bool PatternBrushInside(uint8_t* p, uint64_t left) {
  uint64_t width = U16(p + 2), height = U16(p + 4), rowBytes = U16(p + 6);
  if (!DdbInside({width, height, p[8], p[9], 28}, left) || 28 + height * rowBytes > left)
    return false;
  switch (U16(p)) {
    case 3: {
      auto abs32 = [](uint32_t v) {
        int64_t s = int32_t(v);
        return uint64_t(s < 0 ? -s : s);
      };
      return DdbInside({abs32(U32(p + 8)), abs32(U32(p + 12)), U16(p + 16), U16(p + 18), 48}, left);
    }
    case 5:
      return PackedDibInside(p + 4, left - 4, U16(p + 2));
    default:
      return true;
  }
}

// A region: its header, then scans of a count, top, bottom, the count's
// coordinates and the count again.
bool RegionScansInside(const uint8_t* p, uint64_t left) {
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
// needs the missing source, in a record of the same size.
void StandInForBareStretch(uint8_t* rec) {
  uint8_t* p = rec + 6;
  if (RopReadsSource(U32(p))) {
    Put16(rec + 4, kMetaEscape);
    Put16(p, kMfComment);
    Put16(p + 2, 18);
    std::fill(p + 4, p + 22, uint8_t(0));
  } else {
    Put16(rec + 4, kMetaPatBlt);  // rop, height, width, y, x
    std::copy(p + 14, p + 22, p + 4);
    std::fill(p + 12, p + 22, uint8_t(0));
  }
}

}  // namespace

bool WindowsRecordInside(uint8_t* rec, uint64_t bytes, uint32_t objects) {
  uint16_t function = U16(rec + 4);
  if (bytes < WindowsRecordMinimum(function)) return false;
  uint8_t* p = rec + 6;  // parameters
  uint64_t left = bytes - 6;
  auto object = [&](uint64_t at) { return U16(p + at) < objects; };
  switch (function) {
    case kMetaPolygon:
    case kMetaPolyline:
      return 2 + 4ull * U16(p) <= left;
    case kMetaPolyPolygon: {
      uint64_t polys = U16(p);
      if (2 + 2 * polys > left) return false;
      uint64_t points = 0;
      for (uint64_t i = 0; i < polys; ++i) points += U16(p + 2 + 2 * i);
      return 2 + 2 * polys + 4 * points <= left;
    }
    case kMetaTextOut:  // length, text padded to a word, y, x
      return 2 + ((U16(p) + 1ull) & ~1ull) + 4 <= left;
    case kMetaExtTextOut: {                           // y, x, length, options, [rectangle], text
      uint64_t rect = (U16(p + 6) & 0x0006) ? 8 : 0;  // ETO_OPAQUE, ETO_CLIPPED
      return 8 + rect + U16(p + 4) <= left;
    }
    case kMetaCreatePalette:  // version, count, entries
    case kMetaSetPalEntries:
    case kMetaAnimatePalette:  // start, count, entries
      return 4 + 4ull * U16(p + 2) <= left;
    case kMetaDibBitBlt:  // 9 words without a bitmap, the bitmap after 8 with one
      return left <= 18 || PackedDibInside(p + 16, left - 16, 0);
    case kMetaDibStretchBlt:  // its stretching form: Wine reads a bitmap after 10 words always
      if (left == 22) {
        StandInForBareStretch(rec);
        return true;
      }
      return left > 20 && PackedDibInside(p + 20, left - 20, 0);
    case kMetaStretchDib:  // rop, usage, 9 words, bitmap
      return PackedDibInside(p + 22, left - 22, U16(p + 4));
    case kMetaSetDibToDev:  // usage, scan count, ... 9 words, bitmap
      return PackedDibInside(p + 18, left - 18, U16(p), U16(p + 2));
    case kMetaDibCreatePatternBrush:  // style, usage, bitmap (RGB colours for style 3)
      return PackedDibInside(p + 4, left - 4, U16(p) == 3 ? 0 : U16(p + 2));
    case kMetaCreatePatternBrush:
      return PatternBrushInside(p, left);
    case kMetaBitBlt:
    case kMetaStretchBlt:
      return OldCopyInside(p, left, function);
    case kMetaCreateRegion:
      return RegionScansInside(p, left);
    case kMetaSelectClipRegion:  // 0 is none
      return U16(p) == 0 || object(0);
    case kMetaSelectObject:
    case kMetaDeleteObject:
    case kMetaSelectPalette:
    case kMetaInvertRegion:
    case kMetaPaintRegion:
      return object(0);
    case kMetaFillRegion:
      return object(0) && object(2);  // brush, region
    case kMetaFrameRegion:
      return object(4) && object(6);  // height, width, brush, region
    default:
      return true;
  }
}

}  // namespace pix
