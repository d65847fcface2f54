// The bitmap reader's header walk: sizes, masks, colour tables, the size rule and
// the refusals of broken files.
#include <gtest/gtest.h>

#include <climits>

#include "../fixtures/bmp_bytes.h"
#include "pictures/bmp_core.h"
#include "ui/errors.h"

namespace pix::bmp {
namespace {

using pixtest::BmpSpec;
using pixtest::MakeBmp;
using pixtest::Put32;

const char kNotValid[] = "Bitmap image is not valid";
const char kReadError[] = "Stream read error";

Headers Read(const std::string& bytes, uint64_t* position = nullptr) {
  TMemoryStream s(bytes.data(), bytes.size());
  Headers h = ReadHeaders(s, s.Remaining());
  if (position) *position = s.Position();
  return h;
}

// The message of the failure, or "" when the headers were read.
std::string Failure(const std::string& bytes) {
  try {
    Read(bytes);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

std::string Good24() {
  BmpSpec b;
  b.width = 3;
  b.height = 2;
  b.pixels = std::string(24, '\x11');
  return MakeBmp(b);
}

TEST(BmpHeaders, ShortFilesAndSignature) {
  std::string good = Good24();
  for (size_t n = 1; n <= 13; ++n) EXPECT_EQ(Failure(good.substr(0, n)), kReadError) << n;
  std::string ba = good;
  ba[1] = 'A';
  EXPECT_EQ(Failure(ba), kNotValid);
  EXPECT_EQ(Failure(std::string("BA") + std::string(60, '\0')), kNotValid);
}

TEST(BmpHeaders, EndingInsideAnyHeaderFieldIsRefused) {
  std::string info = Good24();  // info header ends at 54
  for (size_t n = 14; n < 54; ++n) EXPECT_EQ(Failure(info.substr(0, n)), kNotValid) << n;
  BmpSpec c;
  c.core = true;
  c.pixels = std::string(24, '\0');
  std::string core = MakeBmp(c);  // core header ends at 26
  for (size_t n = 14; n < 26; ++n) EXPECT_EQ(Failure(core.substr(0, n)), kNotValid) << n;
}

TEST(BmpHeaders, HeaderSizesOutsideTheKnownOnes) {
  struct Case {
    uint32_t size;
    const char* message;
  } cases[] = {{0, kNotValid},  {3, kNotValid},    {13, kNotValid},
               {39, kNotValid}, {4000, kNotValid}, {0xFFFFFFFF, kNotValid},
               {40, ""},        {108, ""},         {124, ""}};
  for (const auto& c : cases) {
    BmpSpec b;
    b.headerSize = c.size >= 40 && c.size <= 124 ? c.size : 40;
    b.pixels = std::string(48, '\0');
    std::string f = MakeBmp(b);
    Put32(f, 14, c.size);
    EXPECT_EQ(Failure(f), c.message) << c.size;
  }
}

TEST(BmpHeaders, PlanesMustBeOne) {
  for (uint16_t planes : {0, 2, 0xFFFF}) {
    BmpSpec b;
    b.planes = planes;
    b.pixels = std::string(48, '\0');
    EXPECT_EQ(Failure(MakeBmp(b)), kNotValid) << planes;
  }
}

TEST(BmpHeaders, ColourCounts) {
  struct Case {
    uint16_t bits;
    uint32_t clrUsed;
    size_t entriesInFile;
    const char* message;
    uint32_t k;
  } cases[] = {
      {8, 257, 257, kNotValid, 0},  // more than the table's room
      {8, 0xFFFFFFFF, 4, kNotValid, 0},
      {24, 300, 300, kNotValid, 0},
      {8, 200, 20, kReadError, 0},  // counted entries beyond the file
      {8, 0, 100, kReadError, 0},   // default 256 entries, file has 100
      {1, 0, 2, "", 2},
      {4, 0, 16, "", 16},
      {8, 0, 256, "", 256},
      {8, 5, 5, "", 5},
      {24, 0, 0, "", 0},
      {24, 3, 3, "", 3},  // a table beside true colour
      {32, 256, 256, "", 256},
  };
  for (const auto& c : cases) {
    BmpSpec b;
    b.bitCount = c.bits;
    b.clrUsed = c.clrUsed;
    b.colors.assign(c.entriesInFile, 0x123456);
    std::string f = MakeBmp(b);
    EXPECT_EQ(Failure(f), c.message) << c.bits << " " << c.clrUsed;
    if (!*c.message) {
      Headers h = Read(f);
      EXPECT_EQ(h.colorCount, c.k);
      EXPECT_EQ(h.header.size(), 40u + 4 * c.k);
    }
  }
}

TEST(BmpHeaders, CoreHeaderWidensTo40BytesAndReads768ByteTable) {
  BmpSpec b;
  b.core = true;
  b.bitCount = 8;
  b.width = 0xFFFF;  // 16 bits, unsigned
  b.height = 0x8001;
  for (uint32_t i = 0; i < 256; ++i) b.colors.push_back(i << 16 | 0x80 << 8 | (255 - i));
  b.pixels = "abcd";
  uint64_t pos = 0;
  Headers h = Read(MakeBmp(b), &pos);
  EXPECT_TRUE(h.core);
  EXPECT_EQ(pos, 14u + 12u + 768u);
  EXPECT_EQ(h.info.size, 40u);
  EXPECT_EQ(h.info.width, 0xFFFF);
  EXPECT_EQ(h.info.height, 0x8001);  // never top-down
  EXPECT_EQ(h.info.compression, 0u);
  ASSERT_EQ(h.header.size(), 40u + 1024u);
  // Entry 7 widened: blue, green, red, 0.
  const uint8_t* e = &h.header[40 + 4 * 7];
  EXPECT_EQ(e[0], 248);
  EXPECT_EQ(e[1], 0x80);
  EXPECT_EQ(e[2], 7);
  EXPECT_EQ(e[3], 0);
  EXPECT_EQ(h.pixelBytes, 4u);
}

TEST(BmpHeaders, BitFieldMasks) {
  BmpSpec b;
  b.bitCount = 16;
  b.compression = kBI_BITFIELDS;
  b.masks = {0xF800, 0x07E0, 0x001F};
  b.colors = {0xABCDEF};
  b.clrUsed = 1;
  b.pixels = std::string(24, '\0');
  uint64_t pos = 0;
  Headers h = Read(MakeBmp(b), &pos);
  EXPECT_EQ(pos, 14u + 40u + 12u + 4u);  // masks come before the table
  EXPECT_EQ(h.masks[0], 0xF800u);
  EXPECT_EQ(h.masks[2], 0x001Fu);
  EXPECT_EQ(h.colorOffset, 52u);
  EXPECT_EQ(h.header[52], 0xEF);

  // Masks cut off: a read error. Without bit fields no masks are read at all.
  std::string f = MakeBmp(b);
  EXPECT_EQ(Failure(f.substr(0, 14 + 40 + 8)), kReadError);
  b.compression = 0;
  b.masks.clear();
  b.colors.clear();
  b.clrUsed = 0;
  Read(MakeBmp(b), &pos);
  EXPECT_EQ(pos, 54u);

  // A larger header carries its masks inside.
  BmpSpec v4;
  v4.bitCount = 32;
  v4.compression = kBI_BITFIELDS;
  v4.headerSize = 108;
  v4.pixels = std::string(48, '\0');
  std::string g = MakeBmp(v4);
  Put32(g, 14 + 40, 0x00FF0000);
  Put32(g, 14 + 44, 0x0000FF00);
  Put32(g, 14 + 48, 0x000000FF);
  Headers h4 = Read(g, &pos);
  EXPECT_EQ(pos, 14u + 108u);
  EXPECT_EQ(h4.masks[0], 0x00FF0000u);
  EXPECT_EQ(h4.masks[1], 0x0000FF00u);
}

TEST(BmpHeaders, ProfileReferencesAreNotHandedOn) {
  for (uint32_t type : {0x4D424544u, 0x4C494E4Bu, 0x73524742u}) {
    BmpSpec b;
    b.headerSize = 124;
    b.pixels = std::string(48, '\0');
    std::string f = MakeBmp(b);
    Put32(f, 14 + 56, type);
    Put32(f, 14 + 112, 5000);  // profile offset past the end
    Put32(f, 14 + 116, 3000);
    Headers h = Read(f);
    bool profile = type != 0x73524742u;
    auto at = [&](size_t i) {
      return h.header[i] | h.header[i + 1] << 8 | h.header[i + 2] << 16 |
             uint32_t(h.header[i + 3]) << 24;
    };
    EXPECT_EQ(at(56), 0x73524742u) << type;
    EXPECT_EQ(at(112), profile ? 0u : 5000u);
    EXPECT_EQ(at(116), profile ? 0u : 3000u);
  }
}

TEST(BmpHeaders, PixelSizeRule) {
  struct Case {
    int32_t width, height;
    uint16_t bits;
    uint32_t sizeImage;
    size_t bytesInFile, gap;
    uint64_t imageSize, pixelBytes;
  } cases[] = {
      {3, 2, 24, 0, 24, 0, 24, 24},     // rows of 12 bytes
      {3, 2, 24, 0, 30, 0, 24, 24},     // bytes after the pixels ignored
      {3, 2, 24, 0, 10, 0, 24, 10},     // truncated: as far as the file goes
      {3, 2, 24, 0, 24, 6, 24, 24},     // a gap: its bytes come first
      {3, -100, 24, 0, 0, 0, 1200, 0},  // top-down height
      {1, 1, 1, 0, 4, 0, 4, 4},
      {9, 1, 4, 0, 8, 0, 8, 8},
      {3, 2, 24, 1000, 24, 0, 1000, 24},  // image size above the file
      {3, 2, 24, 0xFFFFFFFF, 30, 0, 0xFFFFFFFF, 30},
      {INT_MAX, 2, 24, 0, 5, 0, 2 * ((uint64_t(INT_MAX) * 24 + 31) / 32 * 4), 5},
      {2, INT_MIN, 32, 0, 5, 0, 8ull << 31, 5},
  };
  for (const auto& c : cases) {
    BmpSpec b;
    b.width = c.width;
    b.height = c.height;
    b.bitCount = c.bits;
    b.sizeImage = c.sizeImage;
    b.colors.assign(c.bits <= 8 ? 1u << c.bits : 0, 0);
    b.gap = c.gap;
    b.pixels = std::string(c.bytesInFile, '\x33');
    Headers h = Read(MakeBmp(b));
    EXPECT_EQ(h.imageSize, c.imageSize) << c.width << "x" << c.height;
    EXPECT_EQ(h.pixelBytes, c.pixelBytes) << c.width << "x" << c.height;
    EXPECT_EQ(h.remaining, c.bytesInFile + c.gap);
  }
}

TEST(BmpStore, SizesAndTheGigabyteRefusal) {
  EXPECT_EQ(RowBytes(3, 24), 12u);
  EXPECT_EQ(RowBytes(1, 1), 4u);
  EXPECT_EQ(RowBytes(33, 1), 8u);
  EXPECT_EQ(RowBytes(0, 24), 0u);
  EXPECT_EQ(RowBytes(-5, 24), 0u);
  EXPECT_EQ(AbsHeight(INT_MIN), 2147483648u);

  InfoFields f;
  f.width = 5000;
  f.height = -4900;
  f.bitCount = 24;
  EXPECT_EQ(StoreBytes(f), 15000u * 4900u);  // 70 MB
  f.compression = kBI_RLE8;                  // screen-compatible, 32 bits
  f.bitCount = 8;
  EXPECT_EQ(StoreBytes(f), 20000u * 4900u);
  f.width = 0;
  EXPECT_EQ(StoreBytes(f), 0u);

  struct Case {
    uint64_t store, file;
    bool wide, ok;
  } cases[] = {
      {70u << 20, 0, false, true},  // a truncated 70 MB picture
      {kLargeStore, 0, false, true},
      {kLargeStore + 1, 0, false, false},
      {kLargeStore + 1, 0, true, false},       // a few bytes claiming gigabytes
      {3ull << 30, 3ull << 30, true, true},    // the file really holds them
      {3ull << 30, 3ull << 30, false, false},  // but a 32-bit process can't map them
  };
  for (const auto& c : cases)
    EXPECT_EQ(StoreSizeAcceptable(c.store, c.file, c.wide), c.ok) << c.store << " " << c.wide;
}

}  // namespace
}  // namespace pix::bmp

namespace pix::bmp {
namespace {

// A 32768 x 32768 bitmap of 24 bits is 3 GiB: a 32-bit process marked large
// address aware can hold it, and its later rows lie past any 32-bit signed
// offset. Nothing here allocates it.
struct LayoutCase {
  const char* what;
  uint64_t rowBytes, height;
  bool topDown;
  uint64_t row, offset;
};

constexpr uint64_t k3G = uint64_t{3} << 30;
constexpr uint64_t kRow3G = 98304;  // 32768 pixels of 3 bytes

const LayoutCase kLayouts[] = {
    {"bottom-up: the top row is stored last", kRow3G, 32768, false, 0, k3G - kRow3G},
    {"bottom-up: the bottom row is stored first", kRow3G, 32768, false, 32767, 0},
    {"bottom-up: a middle row past 2 GB", kRow3G, 32768, false, 5000, (32767 - 5000) * kRow3G},
    {"top-down: the last row", kRow3G, 32768, true, 32767, k3G - kRow3G},
    {"top-down: the row at 2 GB", kRow3G, 32768, true, 21846, 21846 * kRow3G},
};

TEST(BmpLayout, RowsOfAThreeGigabyteBitmapLieWhereTheyAre) {
  EXPECT_EQ(RowBytes(32768, 24), kRow3G);
  for (const LayoutCase& c : kLayouts) {
    RowLayout l{c.rowBytes, c.height, c.topDown};
    EXPECT_EQ(RowOffset(l, c.row), c.offset) << c.what;
    EXPECT_GT(c.offset + c.rowBytes, c.offset) << c.what;
  }
}

struct SizeCase {
  const char* what;
  uint64_t rowBytes, height, limit, bytes;
};

const SizeCase kSizes[] = {
    {"3 GiB within a 32-bit address space", kRow3G, 32768, UINT32_MAX, k3G},
    {"5 GiB beyond a 32-bit address space", kRow3G, 54614, UINT32_MAX, 0},
    {"5 GiB within a 64-bit one", kRow3G, 54614, UINT64_MAX, kRow3G * 54614},
    {"a product past 64 bits", uint64_t{1} << 40, uint64_t{1} << 30, UINT64_MAX, 0},
    {"exactly the limit", 4, 1024, 4096, 4096},
    {"one row past the limit", 4, 1025, 4096, 0},
    {"no rows", kRow3G, 0, UINT64_MAX, 0},
};

TEST(BmpLayout, BufferSizesAreCheckedAgainstTheAddressSpace) {
  for (const SizeCase& c : kSizes)
    EXPECT_EQ(BufferBytes({c.rowBytes, c.height, false}, c.limit), c.bytes) << c.what;
}

}  // namespace
}  // namespace pix::bmp
