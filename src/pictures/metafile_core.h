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

// Record types the walks mend or the player stands in for.
const uint32_t kEmrFillRgn = 71;
const uint32_t kEmrFrameRgn = 72;
const uint32_t kEmrStretchDIBits = 81;
const uint32_t kEmrExtCreateFontIndirectW = 82;
const uint16_t kMetaSelectPalette = 0x0234;
const uint16_t kMetaCreateFontIndirect = 0x02FB;
const uint16_t kMetaEscape = 0x0626;
const uint16_t kMetaPatBlt = 0x061D;
const uint16_t kMetaDibStretchBlt = 0x0B41;

// Whether a ternary raster operation's result depends on the source bitmap.
inline bool RopReadsSource(uint32_t rop) { return (((rop >> 2) ^ rop) & 0x330000) != 0; }

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
};

// Windows metafile records (the bytes after the placeable header): the 18-byte
// header (type 1 or 2, header size 9 words, version 0x100 or 0x300), then
// records of a size in 16-bit words of at least 3, each inside the data, until
// the end record; the header's total size is the records' up to the end
// record and its largest record no smaller than any. Each record's contents
// lie inside it (WindowsRecordInside). SETABORTPROC escapes become comments,
// and comments carrying an enhanced metafile lose their mark, in place.
RecordWalk CheckWindowsMetafile(uint8_t* data, size_t n);

// Enhanced metafile records (the whole `n` bytes, header first): each record's
// size a multiple of 4, at least 8 and inside the data, the header record
// first, an end record that ends the data and whose palette lies inside it,
// each record's contents inside it (EnhancedRecordInside), the header's own
// fields sound (EnhancedHeaderInside). SETABORTPROC escapes become comments in place.
// The header record's count is the walk's, written in place.
RecordWalk CheckEnhancedMetafile(uint8_t* data, size_t n);

// Records that players read at full size although writers may keep them
// shorter, copied into full-size records with the rest zeroed: fonts whose
// face name stops short (both kinds), and Windows palette selections of one
// word (Wine takes the palette from the second). The header's sizes follow;
// the walks above then check the result. Returns the records widened.
size_t WidenEnhancedRecords(std::vector<uint8_t>& data);
size_t WidenWindowsRecords(std::vector<uint8_t>& data);

// The header record's own length: writers put the description right after
// the fields they fill and count it in the record's size, so the record ends
// at the description or the pixel format, when it has one, if that comes
// first. The pixel-format fields exist from 100 bytes on, the micrometres
// from 108.
uint64_t EnhancedHeaderLength(const uint8_t* data);

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
