// The parts of single enhanced metafile records that the platform's player
// reads: each record's fixed part, and everything it reads by a count, an
// offset or an object index, must lie inside its record (or the object table),
// or the file is refused before the player sees it.
#include "pictures/bytes_core.h"
#include "pictures/metafile_core.h"
#include "pictures/metafile_dib_core.h"
#include "pictures/metafile_table_core.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace pix {

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

template <uint64_t CharBytes>
bool PolyTextInside(const uint8_t* rec, uint32_t size, uint32_t) {
  uint64_t strings = U32(rec + 36);
  if (40 + 40 * strings > size) return false;
  for (uint64_t i = 0; i < strings; ++i)
    if (!TextInside(rec, size, static_cast<uint32_t>(40 + 40 * i), CharBytes, true)) return false;
  return true;
}

template <uint64_t PointBytes>
bool PolyPolyInside(const uint8_t* rec, uint32_t size, uint32_t) {
  uint64_t polys = U32(rec + 24), points = U32(rec + 28);
  if (32 + 4 * polys + PointBytes * points > size) return false;
  uint64_t sum = 0;  // the players draw the counts' sum of points
  for (uint64_t i = 0; i < polys; ++i) sum += U32(rec + 32 + 4 * i);
  return sum <= points;
}

bool GradientInside(const uint8_t* rec, uint32_t size, uint32_t) {
  uint64_t vertices = U32(rec + 24), meshes = U32(rec + 28);
  uint32_t mode = U32(rec + 32);  // rectangles across, down, or triangles
  if (mode > 2) return false;
  return 36 + 16 * vertices + meshes * (mode == 2 ? 12 : 8) <= size;
}

bool SmallTextInside(const uint8_t* rec, uint32_t size, uint32_t) {
  uint64_t chars = U32(rec + 16);
  uint32_t options = U32(rec + 20);
  uint64_t rect = (options & kEtoNoRect) ? 0 : 16;
  return 36 + rect + chars * ((options & kEtoSmallChars) ? 1 : 2) <= size;
}

// Records carrying one or two byte counts of data after their fixed part.
template <uint32_t Fixed, uint32_t FirstCount, int Counts>
bool DataInside(const uint8_t* rec, uint32_t size, uint32_t) {
  uint64_t total = Fixed;
  for (int i = 0; i < Counts; ++i) total += U32(rec + FirstCount + 4 * i);
  return total <= size;
}

// `Each` bytes for every one of the count at `CountAt`, after `Fixed` bytes.
template <uint32_t Fixed, uint32_t CountAt, uint64_t Each>
bool Entries(const uint8_t* rec, uint32_t size, uint32_t) {
  return Fixed + Each * U32(rec + CountAt) <= size;
}

// The poly records: a count at 24, then points of `Bytes` (with their types,
// for poly draw).
template <uint64_t Bytes>
bool Points(const uint8_t* rec, uint32_t size, uint32_t handles) {
  return Entries<28, 24, Bytes>(rec, size, handles);
}

template <uint64_t CharBytes>
bool Text(const uint8_t* rec, uint32_t size, uint32_t) {
  return TextInside(rec, size, 36, CharBytes, false);
}

// The object index at 8: one the file made, or a stock object as well.
bool OwnObject(const uint8_t* rec, uint32_t, uint32_t handles) {
  return Handle(U32(rec + 8), handles, false);
}
bool ObjectOrStock(const uint8_t* rec, uint32_t, uint32_t handles) {
  return Handle(U32(rec + 8), handles, true);
}

bool NewPalette(const uint8_t* rec, uint32_t size, uint32_t handles) {
  return OwnObject(rec, size, handles) && 16 + 4ull * U16(rec + 14) <= size;
}

bool PaletteEntries(const uint8_t* rec, uint32_t size, uint32_t handles) {
  return OwnObject(rec, size, handles) && 20 + 4ull * U32(rec + 16) <= size;
}

// Restore DC: levels back from the current one; Wine's player takes the
// magnitude of -2^31 for a small one and pops states that are not there.
bool RestoreLevel(const uint8_t* rec, uint32_t, uint32_t) {
  return I32(rec + 8) < 0 && U32(rec + 8) != 0x80000000u;
}

// Fill and frame region: Wine's player takes the brush from the object
// table whatever the index, so the player paints stock brushes itself
// (EnhancedRecordPlay).
bool FillRegion(const uint8_t* rec, uint32_t size, uint32_t handles) {
  return RegionInside(rec, size, 24, 32) && Handle(U32(rec + 28), handles, true);
}
bool FrameRegion(const uint8_t* rec, uint32_t size, uint32_t handles) {
  return RegionInside(rec, size, 24, 40) && Handle(U32(rec + 28), handles, true);
}
bool PaintedRegion(const uint8_t* rec, uint32_t size, uint32_t) {
  return RegionInside(rec, size, 24, 28);
}

// The clipping region: none when empty, but read whenever the record could hold one.
bool ClipRegion(const uint8_t* rec, uint32_t size, uint32_t) {
  uint32_t cb = U32(rec + 8);
  if (cb > size - 16) return false;
  if (cb != 0) return RegionFits(rec + 16, cb);
  return size < 52 || RegionFits(rec + 16, size - 16);
}

bool Copy(const uint8_t* rec, uint32_t size, uint32_t) {
  return SectionInside(rec, size, 84, U32(rec + 80), Bitmap::AbsentWhenBothZero);
}
bool BlendCopy(const uint8_t* rec, uint32_t size, uint32_t handles) {
  return Copy(rec, size, handles) && SourceInsideBitmap(rec);
}

// The masked and the parallelogram copies: the player reads both bitmaps
// whatever their offsets. Each bitmap's colour usage precedes its offsets.
template <uint32_t First, uint32_t Second>
bool TwoBitmaps(const uint8_t* rec, uint32_t size, uint32_t) {
  return SectionInside(rec, size, First, U32(rec + First - 4), Bitmap::Required) &&
         SectionInside(rec, size, Second, U32(rec + Second - 4), Bitmap::Required);
}

// A JPEG or PNG stream in place of pixels at `at`: the walk leaves its record
// out (MendBitmapCopy), its header and the stream's stated size inside all the same.
bool IsStreamAt(const uint8_t* rec, uint32_t size, uint32_t at) {
  uint32_t offBmi = U32(rec + at), cbBmi = U32(rec + at + 4);
  return uint64_t(offBmi) + cbBmi <= size && IsImageStream(rec + offBmi, cbBmi);
}
bool StreamInside(const uint8_t* rec, uint32_t size, uint32_t at) {
  uint32_t offBmi = U32(rec + at), cbBmi = U32(rec + at + 4);
  uint32_t offBits = U32(rec + at + 8), cbBits = U32(rec + at + 12);
  uint32_t stated = U32(rec + offBmi + 20);
  return U32(rec + offBmi) <= cbBmi && uint64_t(offBits) + cbBits <= size && stated != 0 &&
         stated <= cbBits;
}

bool ScanLines(const uint8_t* rec, uint32_t size, uint32_t) {  // only the recorded ones
  if (IsStreamAt(rec, size, 48)) return StreamInside(rec, size, 48);
  return DibInside(rec, size, 48, U32(rec + 64), Bitmap::Required, U32(rec + 72));
}

// Stretch bits may carry no bitmap when the raster operation reads none;
// Wine's player would read one at the offset all the same, so such
// records never reach it (EnhancedRecordPlay).
bool StretchBits(const uint8_t* rec, uint32_t size, uint32_t) {
  if (IsStreamAt(rec, size, 48)) return StreamInside(rec, size, 48);
  return DibInside(rec, size, 48, U32(rec + 64), Bitmap::AbsentWhenNoSize);
}

bool PatternBrush(const uint8_t* rec, uint32_t size, uint32_t handles) {
  return OwnObject(rec, size, handles) && DibInside(rec, size, 16, U32(rec + 12), Bitmap::Required);
}

// An optional pattern bitmap, then style entries.
bool ExtPen(const uint8_t* rec, uint32_t size, uint32_t handles) {
  return OwnObject(rec, size, handles) && DibInside(rec, size, 12, 0, Bitmap::AbsentWhenNoSize) &&
         52 + 4ull * U32(rec + 48) <= size;
}

bool ColorSpaceW(const uint8_t* rec, uint32_t size, uint32_t handles) {
  return OwnObject(rec, size, handles) && DataInside<608, 604, 1>(rec, size, handles);
}

// Each record type the players read more than the type and size of: its
// fixed part in bytes, with the type and size, and what it reads past that
// (none: nothing).
struct EnhancedRow {
  uint32_t type;
  uint32_t minimum;
  bool (*inside)(const uint8_t* rec, uint32_t size, uint32_t handles);
};

constexpr auto kEnhancedRows = std::to_array<EnhancedRow>({
    {kEmrHeader, 88, nullptr},
    {kEmrPolybezier, 28, Points<8>},
    {kEmrPolygon, 28, Points<8>},
    {kEmrPolyline, 28, Points<8>},
    {kEmrPolybezierTo, 28, Points<8>},
    {kEmrPolylineTo, 28, Points<8>},
    {kEmrPolyPolyline, 32, PolyPolyInside<8>},
    {kEmrPolyPolygon, 32, PolyPolyInside<8>},
    {kEmrSetWindowExtEx, 16, nullptr},
    {kEmrSetWindowOrgEx, 16, nullptr},
    {kEmrSetViewportExtEx, 16, nullptr},
    {kEmrSetViewportOrgEx, 16, nullptr},
    {kEmrSetBrushOrgEx, 16, nullptr},
    {kEmrEof, 20, nullptr},
    {kEmrSetPixelV, 20, nullptr},
    {kEmrSetMapperFlags, 12, nullptr},
    {kEmrSetMapMode, 12, nullptr},
    {kEmrSetBkMode, 12, nullptr},
    {kEmrSetPolyFillMode, 12, nullptr},
    {kEmrSetRop2, 12, nullptr},
    {kEmrSetStretchBltMode, 12, nullptr},
    {kEmrSetTextAlign, 12, nullptr},
    {kEmrSetColorAdjustment, 32, nullptr},
    {kEmrSetTextColor, 12, nullptr},
    {kEmrSetBkColor, 12, nullptr},
    {kEmrOffsetClipRgn, 16, nullptr},
    {kEmrMoveToEx, 16, nullptr},
    {kEmrExcludeClipRect, 24, nullptr},
    {kEmrIntersectClipRect, 24, nullptr},
    {kEmrScaleViewportExtEx, 24, nullptr},
    {kEmrScaleWindowExtEx, 24, nullptr},
    {kEmrRestoreDC, 12, RestoreLevel},
    {kEmrSetWorldTransform, 32, nullptr},
    {kEmrModifyWorldTransform, 36, nullptr},
    {kEmrSelectObject, 12, ObjectOrStock},
    {kEmrCreatePen, 28, OwnObject},
    {kEmrCreateBrushIndirect, 24, OwnObject},
    {kEmrDeleteObject, 12, OwnObject},
    {kEmrAngleArc, 28, nullptr},
    {kEmrEllipse, 24, nullptr},
    {kEmrRectangle, 24, nullptr},
    {kEmrRoundRect, 32, nullptr},
    {kEmrArc, 40, nullptr},
    {kEmrChord, 40, nullptr},
    {kEmrPie, 40, nullptr},
    {kEmrSelectPalette, 12, ObjectOrStock},
    {kEmrCreatePalette, 16, NewPalette},
    {kEmrSetPaletteEntries, 20, PaletteEntries},
    {kEmrResizePalette, 16, OwnObject},
    {kEmrExtFloodFill, 24, nullptr},
    {kEmrLineTo, 16, nullptr},
    {kEmrArcTo, 40, nullptr},
    {kEmrPolyDraw, 28, Points<9>},
    {kEmrSetArcDirection, 12, nullptr},
    {kEmrSetMiterLimit, 12, nullptr},
    {kEmrFillPath, 24, nullptr},
    {kEmrStrokeAndFillPath, 24, nullptr},
    {kEmrStrokePath, 24, nullptr},
    {kEmrSelectClipPath, 12, nullptr},
    {kEmrComment, 12, DataInside<12, 8, 1>},
    {kEmrFillRgn, 32, FillRegion},
    {kEmrFrameRgn, 40, FrameRegion},
    {kEmrInvertRgn, 28, PaintedRegion},
    {kEmrPaintRgn, 28, PaintedRegion},
    {kEmrExtSelectClipRgn, 16, ClipRegion},
    {kEmrBitBlt, 100, Copy},
    {kEmrStretchBlt, 108, Copy},
    {kEmrMaskBlt, 128, TwoBitmaps<84, 112>},
    {kEmrPlgBlt, 140, TwoBitmaps<96, 124>},
    {kEmrSetDIBitsToDevice, 76, ScanLines},
    {kEmrStretchDIBits, 80, StretchBits},
    {kEmrExtCreateFontIndirectW, 104, OwnObject},  // a whole LOGFONTW
    {kEmrExtTextOutA, 76, Text<1>},
    {kEmrExtTextOutW, 76, Text<2>},
    {kEmrPolybezier16, 28, Points<4>},
    {kEmrPolygon16, 28, Points<4>},
    {kEmrPolyline16, 28, Points<4>},
    {kEmrPolybezierTo16, 28, Points<4>},
    {kEmrPolylineTo16, 28, Points<4>},
    {kEmrPolyPolyline16, 32, PolyPolyInside<4>},
    {kEmrPolyPolygon16, 32, PolyPolyInside<4>},
    {kEmrPolyDraw16, 28, Points<5>},
    {kEmrCreateMonoBrush, 32, PatternBrush},
    {kEmrCreateDIBPatternBrushPt, 32, PatternBrush},
    {kEmrExtCreatePen, 52, ExtPen},
    {kEmrPolyTextOutA, 40, PolyTextInside<1>},
    {kEmrPolyTextOutW, 40, PolyTextInside<2>},
    {kEmrSetIcmMode, 12, nullptr},
    {kEmrCreateColorSpace, 340, OwnObject},  // colour space, LOGCOLORSPACEA
    {kEmrSetColorSpace, 12, OwnObject},      // no stock colour spaces
    {kEmrDeleteColorSpace, 12, OwnObject},
    {kEmrGlsRecord, 12, DataInside<12, 8, 1>},
    {kEmrGlsBoundedRecord, 28, DataInside<28, 24, 1>},
    {kEmrPixelFormat, 48, nullptr},
    {kEmrDrawEscape, 16, nullptr},
    {kEmrExtEscape, 16, nullptr},
    {kEmrSmallTextOut, 36, SmallTextInside},
    {kEmrForceUfiMapping, 16, nullptr},
    {kEmrNamedEscape, 20, DataInside<20, 12, 2>},  // driver, data
    {kEmrColorCorrectPalette, 24, OwnObject},
    {kEmrSetIcmProfileA, 20, DataInside<20, 12, 2>},  // profile name, data
    {kEmrSetIcmProfileW, 20, DataInside<20, 12, 2>},
    {kEmrAlphaBlend, 108, BlendCopy},
    {kEmrSetLayout, 12, nullptr},
    {kEmrTransparentBlt, 108, BlendCopy},
    {kEmrGradientFill, 36, GradientInside},
    {kEmrSetLinkedUfis, 12, Entries<12, 8, 8>},
    {kEmrSetTextJustification, 16, nullptr},
    {kEmrColorMatchToTargetW, 24, DataInside<24, 16, 2>},
    {kEmrCreateColorSpaceW, 608, ColorSpaceW},  // colour space, LOGCOLORSPACEW, profile size
});
static_assert(TypesAscend(kEnhancedRows), "enhanced record rows out of order or repeated");

// The type and size alone: records with no parameters, and types players skip.
const uint32_t kBareRecordBytes = 8;

}  // namespace

uint32_t EnhancedRecordMinimum(uint32_t type) {
  const EnhancedRow* row = FindRecordRow(kEnhancedRows, type);
  return row ? row->minimum : kBareRecordBytes;
}

bool EnhancedRecordInside(const uint8_t* rec, uint32_t size, uint32_t handles) {
  const EnhancedRow* row = FindRecordRow(kEnhancedRows, U32(rec));
  if (size < (row ? row->minimum : kBareRecordBytes)) return false;
  return !row || !row->inside || row->inside(rec, size, handles);
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
