// Bitmaps inside metafile records, as the platform's players size them: the
// header and colour table, then the pixels. Pure: tested natively.
#pragma once
#include <cstdint>

namespace pix {

struct DibLayout {
  uint64_t headerBytes = 0;  // header, colour masks and colour table
  uint64_t pixelBytes = 0;   // what the player reads from the pixel data
  uint32_t bitCount = 0;
  uint64_t width = 0, height = 0;  // pixels; the height without its sign
  // Uncompressed, wider than 0 and not 0 high: the platform makes a DIB
  // section of it (the copy records' players copy pixels into one unchecked).
  bool sectionable = false;
};

// Reads a bitmap header of at most `bmiBytes` bytes for a colour usage (0 RGB
// entries, 1 palette indices). `rows` replaces the height when not negative
// (bits to device draw only their scan lines of a bottom-up bitmap). False for a header the player
// could not size, a header and table longer than `bmiBytes`, a bit count the
// player does not draw, or compressed data without a recorded size. Top-down
// bitmaps are sized whole whatever `rows` says.
bool ReadDibLayout(const uint8_t* bmi, uint64_t bmiBytes, uint32_t usage, int64_t rows,
                   DibLayout& out);

// A bitmap header of `bmiBytes` whose pixels are a JPEG or PNG stream: screens
// do not draw these, only some printers.
bool IsImageStream(const uint8_t* bmi, uint64_t bmiBytes);

// What the walk did to a stretch-bits or bits-to-device record.
enum class CopyMend { Kept, Clipped, LeftOut };

// For a record already found inside (EnhancedRecordInside): a source
// rectangle partly outside its bitmap is cut to it and the destination in
// the same proportion, so nothing reads past the bitmap; one wholly outside,
// and an image stream, leave the record a comment that draws nothing.
CopyMend MendBitmapCopy(uint8_t* rec, uint32_t size);

}  // namespace pix
