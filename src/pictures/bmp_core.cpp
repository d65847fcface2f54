#include "pictures/bmp_core.h"
#include "pictures/bytes_core.h"

#include <cstring>

#include "ui/errors.h"

namespace pix::bmp {

namespace {

const char kNotValid[] = "Bitmap image is not valid";

[[noreturn]] void NotValid() {
  throw EInvalidGraphic(kNotValid);
}

InfoFields Fields(const uint8_t* p) {
  InfoFields f;
  f.size = U32(p);
  f.width = static_cast<int32_t>(U32(p + 4));
  f.height = static_cast<int32_t>(U32(p + 8));
  f.planes = U16(p + 12);
  f.bitCount = U16(p + 14);
  f.compression = U32(p + 16);
  f.sizeImage = U32(p + 20);
  f.xPelsPerMeter = static_cast<int32_t>(U32(p + 24));
  f.yPelsPerMeter = static_cast<int32_t>(U32(p + 28));
  f.clrUsed = U32(p + 32);
  f.clrImportant = U32(p + 36);
  return f;
}

uint32_t DefaultColors(uint16_t bitCount) {
  switch (bitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

// A version-5 header may point at a colour profile past the header. The platform
// gets only header, masks and colour table, so such a reference would lead it
// outside the buffer: the colours are taken as sRGB instead.
void ForgetProfile(std::vector<uint8_t>& header) {
  constexpr uint32_t kLinked = 0x4C494E4B, kEmbedded = 0x4D424544, kSRGB = 0x73524742;
  if (header.size() < kV5HeaderSize) return;
  uint32_t type = U32(&header[kCSTypeOffset]);
  if (type != kLinked && type != kEmbedded) return;
  Put32(&header[kCSTypeOffset], kSRGB);
  Put32(&header[kProfileDataOffset], 0);
  Put32(&header[kProfileDataOffset + 4], 0);
}

}  // namespace

uint64_t RowBytes(int64_t width, uint32_t bitCount) {
  if (width <= 0) return 0;
  return ((uint64_t(width) * bitCount + 31) & ~uint64_t(31)) / 8;
}

uint64_t AbsHeight(int32_t height) {
  return height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
}

uint64_t BufferBytes(const RowLayout& l, uint64_t limit) {
  if (l.rowBytes == 0 || l.height == 0) return 0;
  if (l.rowBytes > limit / l.height) return 0;
  return l.rowBytes * l.height;
}

uint64_t RowOffset(const RowLayout& l, uint64_t row) {
  uint64_t index = l.topDown ? row : l.height - 1 - row;
  return index * l.rowBytes;
}

bool Compressed(const InfoFields& info) {
  return info.compression != kBI_RGB && info.compression != kBI_BITFIELDS;
}

uint64_t StoreBytes(const InfoFields& info) {
  if (info.height == 0) return 0;
  // A compressed file becomes a bitmap in the screen's format: at most 32 bits.
  uint32_t bits = Compressed(info) ? 32 : info.bitCount;
  return RowBytes(info.width, bits) * AbsHeight(info.height);
}

bool StoreSizeAcceptable(uint64_t storeBytes, uint64_t fileHolds, bool wideAddressSpace) {
  if (storeBytes <= kLargeStore) return true;
  return wideAddressSpace && fileHolds >= storeBytes;
}

Headers ReadHeaders(TStream& stream, uint64_t available) {
  Headers h;
  stream.ReadBuffer(h.fileHeader, sizeof h.fileHeader);  // short: "Stream read error"
  if (U16(h.fileHeader) != kSignature) NotValid();
  uint64_t r = available - sizeof h.fileHeader;

  // A file that ends inside the header size or the info header is refused.
  uint8_t sizeBytes[4];
  if (r < 4) NotValid();
  stream.ReadBuffer(sizeBytes, 4);
  uint32_t size = U32(sizeBytes);
  uint32_t entrySize;
  if (size == kCoreHeaderSize) {
    if (r < kCoreHeaderSize) NotValid();
    uint8_t core[8];
    stream.ReadBuffer(core, sizeof core);
    h.core = true;
    h.headerSize = kInfoHeaderSize;
    h.header.assign(kInfoHeaderSize, 0);
    Put32(&h.header[0], kInfoHeaderSize);
    Put32(&h.header[4], U16(core));      // width, unsigned 16 bits
    Put32(&h.header[8], U16(core + 2));  // height, unsigned: rows bottom-up
    Put16(&h.header[12], U16(core + 4));
    Put16(&h.header[14], U16(core + 6));
    entrySize = 3;
    r -= kCoreHeaderSize;
  } else {
    // Shorter info headers leave fields undefined; longer ones must be in the file.
    if (size < kInfoHeaderSize || size > r) NotValid();
    h.headerSize = size;
    h.header.resize(size);
    std::memcpy(h.header.data(), sizeBytes, 4);
    stream.ReadBuffer(h.header.data() + 4, size - 4);
    entrySize = 4;
    r -= size;
  }
  h.info = Fields(h.header.data());
  if (h.info.planes != 1) NotValid();
  ForgetProfile(h.header);

  if (h.headerSize == kInfoHeaderSize && !h.core &&
      (h.info.bitCount == 16 || h.info.bitCount == 32) && h.info.compression == kBI_BITFIELDS) {
    uint8_t masks[12];
    stream.ReadBuffer(masks, sizeof masks);
    h.header.insert(h.header.end(), masks, masks + sizeof masks);
    r -= sizeof masks;
  }
  if (h.info.compression == kBI_BITFIELDS && h.header.size() >= kInfoHeaderSize + 12)
    for (int i = 0; i < 3; ++i) h.masks[i] = U32(&h.header[kInfoHeaderSize + 4 * i]);

  uint32_t k = h.info.clrUsed ? h.info.clrUsed : DefaultColors(h.info.bitCount);
  if (k > kMaxColors) NotValid();  // more than the colour table's room
  h.colorCount = k;
  h.colorOffset = static_cast<uint32_t>(h.header.size());
  if (k) {
    std::vector<uint8_t> table(size_t(k) * entrySize);
    stream.ReadBuffer(table.data(), table.size());  // short: "Stream read error"
    r -= table.size();
    h.header.resize(h.colorOffset + size_t(k) * 4, 0);
    uint8_t* out = &h.header[h.colorOffset];
    for (uint32_t i = 0; i < k; ++i) {
      std::memcpy(out + 4 * i, &table[size_t(i) * entrySize], 3);
      out[4 * i + 3] = entrySize == 4 ? table[size_t(i) * 4 + 3] : 0;
    }
  }

  h.remaining = r;
  h.imageSize = h.info.sizeImage
                    ? h.info.sizeImage
                    : RowBytes(h.info.width, h.info.bitCount) * AbsHeight(h.info.height);
  h.pixelBytes = h.imageSize < r ? h.imageSize : r;
  return h;
}

}  // namespace pix::bmp
