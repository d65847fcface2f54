// Reading a bitmap file's headers, masks and colour table. Pure: no platform
// headers, so the parsing runs natively under the sanitizers and the fuzzer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictures/stream_core.h"

namespace pix::bmp {

constexpr uint16_t kSignature = 0x4D42;  // "BM"
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kMaxColors = 256;
constexpr uint32_t kV5HeaderSize = 124;
constexpr uint32_t kCSTypeOffset = 56, kProfileDataOffset = 112;
constexpr uint32_t kBI_RGB = 0, kBI_RLE8 = 1, kBI_RLE4 = 2, kBI_BITFIELDS = 3;

// The first 40 bytes of an info header, as numbers.
struct InfoFields {
  uint32_t size = 0;
  int32_t width = 0;
  int32_t height = 0;  // negative: rows top-down
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};

// What the reader learned before the pixel data.
struct Headers {
  uint8_t fileHeader[14] = {};
  bool core = false;  // 12-byte core header, widened to an info header
  InfoFields info;    // the first 40 bytes of `header`
  // The info header (H bytes, 40 for a core file), then the masks when they were
  // read after a 40-byte header, then the colour table widened to 4-byte entries:
  // the layout the platform takes as a BITMAPINFO.
  std::vector<uint8_t> header;
  uint32_t headerSize = 0;        // H as stored in `header` (40 for a core file)
  uint32_t colorOffset = 0;       // where the colour table starts in `header`
  uint32_t colorCount = 0;        // K
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue (bit fields only)
  uint64_t remaining = 0;         // R: bytes of the stream after the colour table
  uint64_t imageSize = 0;         // S
  uint64_t pixelBytes = 0;        // min(S, R): the bytes to read
};

// Bytes per row: ((width * bits + 31) with the low five bits cleared) / 8, for
// non-negative width and bits; 64-bit so that no size overflows.
uint64_t RowBytes(int64_t width, uint32_t bitCount);
// |height| without overflow for -2147483648.
uint64_t AbsHeight(int32_t height);
bool Compressed(const InfoFields& info);

// Where the rows of a device-independent buffer lie. Offsets are 64-bit: a 32-bit
// process that may address more than 2 GB can hold a buffer whose later rows
// start past any 32-bit signed offset.
struct RowLayout {
  uint64_t rowBytes = 0;
  uint64_t height = 0;
  bool topDown = false;  // the picture's top row first in memory
};
// rowBytes x height, or 0 when the product overflows or exceeds `limit` (the
// largest size the address space can hold, SIZE_MAX for the running process).
uint64_t BufferBytes(const RowLayout& l, uint64_t limit);
// The offset of row `row` (0 = the picture's top row) from the buffer's start;
// only for row < height.
uint64_t RowOffset(const RowLayout& l, uint64_t row);

// The largest pixel store made for a file. On a 32-bit address space 1 GiB; on a
// larger one the same, unless the file itself holds every byte of the store.
constexpr uint64_t kLargeStore = uint64_t(1) << 30;
bool StoreSizeAcceptable(uint64_t storeBytes, uint64_t fileHolds, bool wideAddressSpace);

// Reads file header, info header, masks and colour table; `available` is the
// number of bytes from the stream's position to its end (> 0). Raises
// EReadError ("Stream read error") and EInvalidGraphic ("Bitmap image is not
// valid") by the reader's rules.
Headers ReadHeaders(TStream& stream, uint64_t available);

// The size of the pixel store the headers ask for: the device-independent buffer
// for uncompressed files, a 32-bit screen-compatible bitmap for compressed ones.
// 0 when width or height is not positive (the platform then refuses).
uint64_t StoreBytes(const InfoFields& info);

// Of the pixel bytes, how many go into an uncompressed buffer of `storeBytes`.
inline uint64_t BytesIntoStore(const Headers& h, uint64_t storeBytes) {
  return h.pixelBytes < storeBytes ? h.pixelBytes : storeBytes;
}

}  // namespace pix::bmp
