// Metafile structure: the enhanced and placeable headers, the size rules and the
// record walks that check a file before the platform plays it. Pure: no
// platform headers, so it is tested natively.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix {

const uint32_t kPlaceableKey = 0x9AC6CDD7;
const uint32_t kEnhancedSignature = 0x464D4520;  // " EMF"
const size_t kEnhancedHeaderBytes = 100;         // what the enhanced test reads
const size_t kPlaceableHeaderBytes = 22;

// Enhanced metafile record types, as [MS-EMF] numbers them (69, 107 and 117
// are unused).
enum EmfRecordType : uint32_t {
  kEmrHeader = 1,
  kEmrPolybezier = 2,
  kEmrPolygon = 3,
  kEmrPolyline = 4,
  kEmrPolybezierTo = 5,
  kEmrPolylineTo = 6,
  kEmrPolyPolyline = 7,
  kEmrPolyPolygon = 8,
  kEmrSetWindowExtEx = 9,
  kEmrSetWindowOrgEx = 10,
  kEmrSetViewportExtEx = 11,
  kEmrSetViewportOrgEx = 12,
  kEmrSetBrushOrgEx = 13,
  kEmrEof = 14,
  kEmrSetPixelV = 15,
  kEmrSetMapperFlags = 16,
  kEmrSetMapMode = 17,
  kEmrSetBkMode = 18,
  kEmrSetPolyFillMode = 19,
  kEmrSetRop2 = 20,
  kEmrSetStretchBltMode = 21,
  kEmrSetTextAlign = 22,
  kEmrSetColorAdjustment = 23,
  kEmrSetTextColor = 24,
  kEmrSetBkColor = 25,
  kEmrOffsetClipRgn = 26,
  kEmrMoveToEx = 27,
  kEmrSetMetaRgn = 28,
  kEmrExcludeClipRect = 29,
  kEmrIntersectClipRect = 30,
  kEmrScaleViewportExtEx = 31,
  kEmrScaleWindowExtEx = 32,
  kEmrSaveDC = 33,
  kEmrRestoreDC = 34,
  kEmrSetWorldTransform = 35,
  kEmrModifyWorldTransform = 36,
  kEmrSelectObject = 37,
  kEmrCreatePen = 38,
  kEmrCreateBrushIndirect = 39,
  kEmrDeleteObject = 40,
  kEmrAngleArc = 41,
  kEmrEllipse = 42,
  kEmrRectangle = 43,
  kEmrRoundRect = 44,
  kEmrArc = 45,
  kEmrChord = 46,
  kEmrPie = 47,
  kEmrSelectPalette = 48,
  kEmrCreatePalette = 49,
  kEmrSetPaletteEntries = 50,
  kEmrResizePalette = 51,
  kEmrRealizePalette = 52,
  kEmrExtFloodFill = 53,
  kEmrLineTo = 54,
  kEmrArcTo = 55,
  kEmrPolyDraw = 56,
  kEmrSetArcDirection = 57,
  kEmrSetMiterLimit = 58,
  kEmrBeginPath = 59,
  kEmrEndPath = 60,
  kEmrCloseFigure = 61,
  kEmrFillPath = 62,
  kEmrStrokeAndFillPath = 63,
  kEmrStrokePath = 64,
  kEmrFlattenPath = 65,
  kEmrWidenPath = 66,
  kEmrSelectClipPath = 67,
  kEmrAbortPath = 68,
  kEmrComment = 70,
  kEmrFillRgn = 71,
  kEmrFrameRgn = 72,
  kEmrInvertRgn = 73,
  kEmrPaintRgn = 74,
  kEmrExtSelectClipRgn = 75,
  kEmrBitBlt = 76,
  kEmrStretchBlt = 77,
  kEmrMaskBlt = 78,
  kEmrPlgBlt = 79,
  kEmrSetDIBitsToDevice = 80,
  kEmrStretchDIBits = 81,
  kEmrExtCreateFontIndirectW = 82,
  kEmrExtTextOutA = 83,
  kEmrExtTextOutW = 84,
  kEmrPolybezier16 = 85,
  kEmrPolygon16 = 86,
  kEmrPolyline16 = 87,
  kEmrPolybezierTo16 = 88,
  kEmrPolylineTo16 = 89,
  kEmrPolyPolyline16 = 90,
  kEmrPolyPolygon16 = 91,
  kEmrPolyDraw16 = 92,
  kEmrCreateMonoBrush = 93,
  kEmrCreateDIBPatternBrushPt = 94,
  kEmrExtCreatePen = 95,
  kEmrPolyTextOutA = 96,
  kEmrPolyTextOutW = 97,
  kEmrSetIcmMode = 98,
  kEmrCreateColorSpace = 99,
  kEmrSetColorSpace = 100,
  kEmrDeleteColorSpace = 101,
  kEmrGlsRecord = 102,
  kEmrGlsBoundedRecord = 103,
  kEmrPixelFormat = 104,
  kEmrDrawEscape = 105,
  kEmrExtEscape = 106,
  kEmrSmallTextOut = 108,
  kEmrForceUfiMapping = 109,
  kEmrNamedEscape = 110,
  kEmrColorCorrectPalette = 111,
  kEmrSetIcmProfileA = 112,
  kEmrSetIcmProfileW = 113,
  kEmrAlphaBlend = 114,
  kEmrSetLayout = 115,
  kEmrTransparentBlt = 116,
  kEmrGradientFill = 118,
  kEmrSetLinkedUfis = 119,
  kEmrSetTextJustification = 120,
  kEmrColorMatchToTargetW = 121,
  kEmrCreateColorSpaceW = 122
};

// Windows metafile record functions, as [MS-WMF] numbers them.
enum WmfFunction : uint16_t {
  kMetaEof = 0x0000,
  kMetaSaveDC = 0x001E,
  kMetaRealizePalette = 0x0035,
  kMetaSetPalEntries = 0x0037,
  kMetaCreatePalette = 0x00F7,
  kMetaSetBkMode = 0x0102,
  kMetaSetMapMode = 0x0103,
  kMetaSetRop2 = 0x0104,
  kMetaSetRelAbs = 0x0105,
  kMetaSetPolyFillMode = 0x0106,
  kMetaSetStretchBltMode = 0x0107,
  kMetaSetTextCharExtra = 0x0108,
  kMetaRestoreDC = 0x0127,
  kMetaInvertRegion = 0x012A,
  kMetaPaintRegion = 0x012B,
  kMetaSelectClipRegion = 0x012C,
  kMetaSelectObject = 0x012D,
  kMetaSetTextAlign = 0x012E,
  kMetaResizePalette = 0x0139,
  kMetaDibCreatePatternBrush = 0x0142,
  kMetaSetLayout = 0x0149,
  kMetaDeleteObject = 0x01F0,
  kMetaCreatePatternBrush = 0x01F9,
  kMetaSetBkColor = 0x0201,
  kMetaSetTextColor = 0x0209,
  kMetaSetTextJustification = 0x020A,
  kMetaSetWindowOrg = 0x020B,
  kMetaSetWindowExt = 0x020C,
  kMetaSetViewportOrg = 0x020D,
  kMetaSetViewportExt = 0x020E,
  kMetaOffsetWindowOrg = 0x020F,
  kMetaOffsetViewportOrg = 0x0211,
  kMetaLineTo = 0x0213,
  kMetaMoveTo = 0x0214,
  kMetaOffsetClipRgn = 0x0220,
  kMetaFillRegion = 0x0228,
  kMetaSetMapperFlags = 0x0231,
  kMetaSelectPalette = 0x0234,
  kMetaCreatePenIndirect = 0x02FA,
  kMetaCreateFontIndirect = 0x02FB,
  kMetaCreateBrushIndirect = 0x02FC,
  kMetaPolygon = 0x0324,
  kMetaPolyline = 0x0325,
  kMetaScaleWindowExt = 0x0410,
  kMetaScaleViewportExt = 0x0412,
  kMetaExcludeClipRect = 0x0415,
  kMetaIntersectClipRect = 0x0416,
  kMetaEllipse = 0x0418,
  kMetaFloodFill = 0x0419,
  kMetaRectangle = 0x041B,
  kMetaSetPixel = 0x041F,
  kMetaFrameRegion = 0x0429,
  kMetaAnimatePalette = 0x0436,
  kMetaTextOut = 0x0521,
  kMetaPolyPolygon = 0x0538,
  kMetaExtFloodFill = 0x0548,
  kMetaRoundRect = 0x061C,
  kMetaPatBlt = 0x061D,
  kMetaEscape = 0x0626,
  kMetaCreateRegion = 0x06FF,
  kMetaArc = 0x0817,
  kMetaPie = 0x081A,
  kMetaChord = 0x0830,
  kMetaBitBlt = 0x0922,
  kMetaDibBitBlt = 0x0940,
  kMetaExtTextOut = 0x0A32,
  kMetaStretchBlt = 0x0B23,
  kMetaDibStretchBlt = 0x0B41,
  kMetaSetDibToDev = 0x0D33,
  kMetaStretchDib = 0x0F43,
};

// The Windows metafile escape that carries only data.
const uint16_t kMfComment = 15;

// Brush styles of the pattern brush records: a bitmap (BS_PATTERN) and a
// packed device-independent bitmap (BS_DIBPATTERNPT).
const uint16_t kBsPattern = 3;
const uint16_t kBsDibPatternPt = 5;

// Whether a ternary raster operation's result depends on the source bitmap.
inline bool RopReadsSource(uint32_t rop) {
  return (((rop >> 2) ^ rop) & 0x330000) != 0;
}

// Multiply in 64 bits, divide, round half away from zero; -1 when c is 0 or the
// result leaves 32 bits (the platform's MulDiv).
int32_t MulDiv32(int32_t a, int32_t b, int32_t c);

// The enhanced test: more than 100 bytes remain, record type 1 and the signature.
bool IsEnhancedMetafile(const uint8_t* head, size_t remaining);

struct EnhancedHeader {
  int32_t frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0;  // 0.01 mm
  uint32_t signature = 0;
  uint32_t totalSize = 0;
  uint32_t palEntries = 0;
  int32_t devicePxW = 0, devicePxH = 0, deviceMmW = 0, deviceMmH = 0;
};
// Reads the fields of the first 100 header bytes.
EnhancedHeader ReadEnhancedHeader(const uint8_t* head);
// The frame's width and height in hundredths of a millimetre, wrapping in 32 bits.
void EnhancedFrameSize(const EnhancedHeader& h, int32_t& width, int32_t& height);

struct PlaceableHeader {
  int16_t left = 0, top = 0, right = 0, bottom = 0;
  uint16_t inch = 0;  // units per inch as recorded (0 kept)
};
// False when shorter than 22 bytes, or the key or the checksum is wrong.
bool ReadPlaceableHeader(const uint8_t* data, size_t n, PlaceableHeader& h);
// The picture's size in hundredths of a millimetre; 0 units per inch count as 96.
void PlaceableSize(const PlaceableHeader& h, int32_t& width, int32_t& height);

// Size in pixels: by the screen's logical pixels per inch when the units per
// inch are known, otherwise by the reference device of the platform metafile
// (when there is one), otherwise 0.
struct MetafileReference {
  bool present = false;
  int32_t pxW = 0, pxH = 0, mmW = 0, mmH = 0;
};
void MetafilePixelSize(int32_t mmWidth, int32_t mmHeight, int32_t inch,
                       const MetafileReference& ref, int32_t logPixelsY, int32_t& width,
                       int32_t& height);

// Palette entries used for a recorded count: the buffer holds 256, and larger
// counts keep only their low 8 bits.
uint32_t MetafilePaletteCount(uint32_t recorded);

// What a record walk found.
struct RecordWalk {
  bool valid = false;
  size_t records = 0;      // records up to and including the end record
  size_t neutralised = 0;  // escapes that would run code, turned into comments
  size_t mended = 0;       // fields and records rewritten so every player reads them alike
  size_t end = 0;          // enhanced: the bytes up to the end record, all the player is given
};

// Windows metafile records (the bytes after the placeable header): the 18-byte
// header (type 1 or 2, header size 9 words, version 0x100 or 0x300), then
// records of a size in 16-bit words of at least 3, each inside the data, until
// the end record. The header's total size and largest record are written
// in place as the walk found them. Each record's contents lie inside it
// (WindowsRecordInside). SETABORTPROC escapes become comments,
// and comments carrying an enhanced metafile lose their mark, in place.
RecordWalk CheckWindowsMetafile(uint8_t* data, size_t n);

// Enhanced metafile records (the whole `n` bytes, header first): each record's
// size a multiple of 4, at least 8 and inside the data, the header record
// first, an end record whose palette lies inside it, each record's contents
// inside it (EnhancedRecordInside), the header's own fields sound
// (EnhancedHeaderInside). SETABORTPROC escapes become comments in place, and
// copies of bits read only their bitmap (MendBitmapCopy).
// The header's record count, total size (the end record's end, `end`),
// palette count and an empty object table are the walk's, written in place;
// bytes after the end record are for the caller to drop.
RecordWalk CheckEnhancedMetafile(uint8_t* data, size_t n);

// Records that players read at full size although writers may keep them
// shorter, copied into full-size records with the rest zeroed: fonts whose
// face name stops short (both kinds), and Windows palette selections of one
// word (Wine takes the palette from the second). The header's sizes follow;
// the walks above then check the result. Returns the records widened.
size_t WidenEnhancedRecords(std::vector<uint8_t>& data);
size_t WidenWindowsRecords(std::vector<uint8_t>& data);

// The fixed part of a record that the players read, in bytes with the type and
// size (enhanced) or size and function (Windows); the least for types the
// players skip.
uint32_t EnhancedRecordMinimum(uint32_t type);
uint32_t WindowsRecordMinimum(uint16_t function);

// One record's fixed part, counts, offsets and object indices: true when
// everything the player reads by them lies inside the record and the object
// table. `rec` starts at the record; `size` is its length in bytes. Bitmaps in
// Windows metafile records get their implied colour count written out.
bool EnhancedRecordInside(const uint8_t* rec, uint32_t size, uint32_t handles);
bool WindowsRecordInside(uint8_t* rec, uint64_t bytes, uint32_t objects);

// The header record against the file: the total size is `n`, the object
// table has room for the metafile itself, the palette count is the end
// record's, description and pixel format (when the header is long enough to
// record one) lie inside the header.
bool EnhancedHeaderInside(const uint8_t* data, size_t n, uint32_t eofPalette);

}  // namespace pix
