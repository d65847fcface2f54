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
    case kEmrHeader:
      return 88;
    case kEmrPolybezier:
    case kEmrPolygon:
    case kEmrPolyline:
    case kEmrPolybezierTo:
    case kEmrPolylineTo:
      return 28;
    case kEmrPolyPolyline:
    case kEmrPolyPolygon:
      return 32;
    case kEmrSetWindowExtEx:
    case kEmrSetWindowOrgEx:
    case kEmrSetViewportExtEx:
    case kEmrSetViewportOrgEx:
    case kEmrSetBrushOrgEx:
      return 16;
    case kEmrEof:
      return 20;
    case kEmrSetPixelV:
      return 20;
    case kEmrSetMapperFlags:
    case kEmrSetMapMode:
    case kEmrSetBkMode:
    case kEmrSetPolyFillMode:
    case kEmrSetRop2:
    case kEmrSetStretchBltMode:
    case kEmrSetTextAlign:
      return 12;
    case kEmrSetColorAdjustment:
      return 32;
    case kEmrSetTextColor:
    case kEmrSetBkColor:
      return 12;
    case kEmrOffsetClipRgn:
    case kEmrMoveToEx:
      return 16;
    case kEmrExcludeClipRect:
    case kEmrIntersectClipRect:
    case kEmrScaleViewportExtEx:
    case kEmrScaleWindowExtEx:
      return 24;
    case kEmrRestoreDC:
      return 12;
    case kEmrSetWorldTransform:
      return 32;
    case kEmrModifyWorldTransform:
      return 36;
    case kEmrSelectObject:
      return 12;
    case kEmrCreatePen:
      return 28;
    case kEmrCreateBrushIndirect:
      return 24;
    case kEmrDeleteObject:
      return 12;
    case kEmrAngleArc:
      return 28;
    case kEmrEllipse:
    case kEmrRectangle:
      return 24;
    case kEmrRoundRect:
      return 32;
    case kEmrArc:
    case kEmrChord:
    case kEmrPie:
    case kEmrArcTo:
      return 40;
    case kEmrSelectPalette:
      return 12;
    case kEmrCreatePalette:
      return 16;
    case kEmrSetPaletteEntries:
      return 20;
    case kEmrResizePalette:
      return 16;
    case kEmrExtFloodFill:
      return 24;
    case kEmrLineTo:
      return 16;
    case kEmrPolyDraw:
      return 28;
    case kEmrSetArcDirection:
    case kEmrSetMiterLimit:
      return 12;
    case kEmrFillPath:
    case kEmrStrokeAndFillPath:
    case kEmrStrokePath:
      return 24;
    case kEmrSelectClipPath:
      return 12;
    case kEmrComment:
      return 12;
    case kEmrFillRgn:
      return 32;
    case kEmrFrameRgn:
      return 40;
    case kEmrInvertRgn:
    case kEmrPaintRgn:
      return 28;
    case kEmrExtSelectClipRgn:
      return 16;
    case kEmrBitBlt:
      return 100;
    case kEmrStretchBlt:
      return 108;
    case kEmrMaskBlt:
      return 128;
    case kEmrPlgBlt:
      return 140;
    case kEmrSetDIBitsToDevice:
      return 76;
    case kEmrStretchDIBits:
      return 80;
    case kEmrExtCreateFontIndirectW:
      return 104;  // font: a whole LOGFONTW
    case kEmrExtTextOutA:
    case kEmrExtTextOutW:
      return 76;
    case kEmrPolybezier16:
    case kEmrPolygon16:
    case kEmrPolyline16:
    case kEmrPolybezierTo16:
    case kEmrPolylineTo16:
      return 28;
    case kEmrPolyPolyline16:
    case kEmrPolyPolygon16:
      return 32;
    case kEmrPolyDraw16:
      return 28;
    case kEmrCreateMonoBrush:
    case kEmrCreateDIBPatternBrushPt:
      return 32;
    case kEmrExtCreatePen:
      return 52;
    case kEmrPolyTextOutA:
    case kEmrPolyTextOutW:
      return 40;
    case kEmrSetIcmMode:
      return 12;
    case kEmrCreateColorSpace:
      return 340;  // colour space, LOGCOLORSPACEA
    case kEmrSetColorSpace:
    case kEmrDeleteColorSpace:
      return 12;
    case kEmrGlsRecord:
      return 12;
    case kEmrGlsBoundedRecord:
      return 28;
    case kEmrPixelFormat:
      return 48;
    case kEmrDrawEscape:
    case kEmrExtEscape:
      return 16;
    case kEmrSmallTextOut:
      return 36;
    case kEmrForceUfiMapping:
      return 16;
    case kEmrNamedEscape:
      return 20;
    case kEmrColorCorrectPalette:
      return 24;
    case kEmrSetIcmProfileA:
    case kEmrSetIcmProfileW:
      return 20;
    case kEmrAlphaBlend:
      return 108;
    case kEmrSetLayout:
      return 12;
    case kEmrTransparentBlt:
      return 108;
    case kEmrGradientFill:
      return 36;
    case kEmrSetLinkedUfis:
      return 12;
    case kEmrSetTextJustification:
      return 16;
    case kEmrColorMatchToTargetW:
      return 24;
    case kEmrCreateColorSpaceW:
      return 608;  // colour space, LOGCOLORSPACEW
    default:
      return 8;  // no parameters, or a type players skip
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
    case kEmrPolybezier:
    case kEmrPolygon:
    case kEmrPolyline:
    case kEmrPolybezierTo:
    case kEmrPolylineTo:  // points of 8 bytes
      return 28 + 8ull * U32(rec + 24) <= size;
    case kEmrPolybezier16:
    case kEmrPolygon16:
    case kEmrPolyline16:
    case kEmrPolybezierTo16:
    case kEmrPolylineTo16:  // points of 4 bytes
      return 28 + 4ull * U32(rec + 24) <= size;
    case kEmrPolyPolyline:
    case kEmrPolyPolygon:
      return PolyPolyInside(rec, size, 8);
    case kEmrPolyPolyline16:
    case kEmrPolyPolygon16:
      return PolyPolyInside(rec, size, 4);
    case kEmrPolyDraw:
      return 28 + 9ull * U32(rec + 24) <= size;  // points and their types
    case kEmrPolyDraw16:
      return 28 + 5ull * U32(rec + 24) <= size;
    case kEmrExtTextOutA:
      return TextInside(rec, size, 36, 1, false);
    case kEmrExtTextOutW:
      return TextInside(rec, size, 36, 2, false);
    case kEmrPolyTextOutA:
      return PolyTextInside(rec, size, 1);
    case kEmrPolyTextOutW:
      return PolyTextInside(rec, size, 2);
    case kEmrSmallTextOut:
      return SmallTextInside(rec, size);
    case kEmrCreatePalette:
      return object(8, false) && 16 + 4ull * U16(rec + 14) <= size;
    case kEmrSetPaletteEntries:
      return object(8, false) && 20 + 4ull * U32(rec + 16) <= size;
    case kEmrResizePalette:
    case kEmrColorCorrectPalette:
      return object(8, false);
    case kEmrComment:
      return 12ull + U32(rec + 8) <= size;
    // Restore DC: levels back from the current one; Wine's player takes the
    // magnitude of -2^31 for a small one and pops states that are not there.
    case kEmrRestoreDC:
      return I32(rec + 8) < 0 && U32(rec + 8) != 0x80000000u;
    // Fill and frame region: Wine's player takes the brush from the object
    // table whatever the index, so the player paints stock brushes itself
    // (EnhancedRecordPlay).
    case kEmrFillRgn:
      return RegionInside(rec, size, 24, 32) && object(28, true);
    case kEmrFrameRgn:
      return RegionInside(rec, size, 24, 40) && object(28, true);
    case kEmrInvertRgn:
    case kEmrPaintRgn:
      return RegionInside(rec, size, 24, 28);
    case kEmrExtSelectClipRgn: {  // none when empty, but read whenever the record could hold one
      uint32_t cb = U32(rec + 8);
      if (cb > size - 16) return false;
      if (cb != 0) return RegionFits(rec + 16, cb);
      return size < 52 || RegionFits(rec + 16, size - 16);
    }
    case kEmrBitBlt:
    case kEmrStretchBlt:
      return SectionInside(rec, size, 84, U32(rec + 80), Bitmap::AbsentWhenBothZero);
    case kEmrAlphaBlend:
    case kEmrTransparentBlt:
      return SectionInside(rec, size, 84, U32(rec + 80), Bitmap::AbsentWhenBothZero) &&
             SourceInsideBitmap(rec);
    case kEmrMaskBlt:  // the player reads both bitmaps whatever their offsets
      return SectionInside(rec, size, 84, U32(rec + 80), Bitmap::Required) &&
             SectionInside(rec, size, 112, U32(rec + 108), Bitmap::Required);
    case kEmrPlgBlt:  // likewise
      return SectionInside(rec, size, 96, U32(rec + 92), Bitmap::Required) &&
             SectionInside(rec, size, 124, U32(rec + 120), Bitmap::Required);
    case kEmrSetDIBitsToDevice:  // only the recorded scan lines
      return DibInside(rec, size, 48, U32(rec + 64), Bitmap::Required, U32(rec + 72));
    // Stretch bits may carry no bitmap when the raster operation reads none;
    // Wine's player would read one at the offset all the same, so such
    // records never reach it (EnhancedRecordPlay).
    case kEmrStretchDIBits:
      return DibInside(rec, size, 48, U32(rec + 64), Bitmap::AbsentWhenNoSize);
    case kEmrCreateMonoBrush:
    case kEmrCreateDIBPatternBrushPt:
      return object(8, false) && DibInside(rec, size, 16, U32(rec + 12), Bitmap::Required);
    case kEmrExtCreatePen:  // an optional pattern bitmap, then style entries
      return object(8, false) && DibInside(rec, size, 12, 0, Bitmap::AbsentWhenNoSize) &&
             52 + 4ull * U32(rec + 48) <= size;
    case kEmrGradientFill:
      return GradientInside(rec, size);
    case kEmrCreatePen:
    case kEmrCreateBrushIndirect:
    case kEmrExtCreateFontIndirectW:
    case kEmrCreateColorSpace:
      return object(8, false);
    case kEmrCreateColorSpaceW:
      return object(8, false) && DataInside(rec, size, 608, 604, 1);
    case kEmrSelectObject:
    case kEmrSelectPalette:
      return object(8, true);
    case kEmrSetColorSpace:
      return object(8, false);  // no stock colour spaces
    case kEmrDeleteObject:
    case kEmrDeleteColorSpace:
      return object(8, false);
    case kEmrGlsRecord:
      return DataInside(rec, size, 12, 8, 1);
    case kEmrGlsBoundedRecord:
      return DataInside(rec, size, 28, 24, 1);
    case kEmrNamedEscape:
      return DataInside(rec, size, 20, 12, 2);  // driver, data
    case kEmrSetIcmProfileA:
    case kEmrSetIcmProfileW:  // profile name, data
      return DataInside(rec, size, 20, 12, 2);
    case kEmrColorMatchToTargetW:
      return DataInside(rec, size, 24, 16, 2);
    case kEmrSetLinkedUfis:
      return 12 + 8ull * U32(rec + 8) <= size;
    default:
      return true;
  }
}

namespace {

// The header record's own length: writers put the description right after
// the fields they fill and count it in the record's size, so the record ends
// at the description or the pixel format, when it has one, if that comes
// first. The pixel-format fields exist from 100 bytes on, the micrometres
// from 108.
uint64_t EnhancedHeaderLength(const uint8_t* data) {
  uint64_t length = U32(data + 4);
  if (U32(data + 60) != 0) length = std::min<uint64_t>(length, U32(data + 64));
  if (length >= 100 && U32(data + 88) != 0) length = std::min<uint64_t>(length, U32(data + 92));
  return length;
}

}  // namespace

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
