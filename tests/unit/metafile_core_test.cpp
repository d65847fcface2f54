#include <gtest/gtest.h>

#include "../fixtures/metafile_bytes.h"
#include "pictures/bytes_core.h"
#include "pictures/metafile_core.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace pix {
namespace {

using pixtest::Add16;
using pixtest::Add32;
using pixtest::Bmi;
using pixtest::Le;
using pixtest::Le16;
using pixtest::Put16;
using pixtest::Put32;
using pixtest::Zeros;

uint8_t* Bytes(std::string& s) { return reinterpret_cast<uint8_t*>(s.data()); }

TEST(MulDiv32, RoundsHalfAwayFromZeroAndFailsAsMinusOne) {
  struct Case { int32_t a, b, c, r; } cases[] = {
      {1440, 2540, 1440, 2540}, {720, 2540, 0 + 96, 19050}, {2540, 96, 2540, 96},
      {3, 1, 2, 2},   {-3, 1, 2, -2},  {3, -1, 2, -2}, {3, 1, -2, -2}, {-3, -1, -2, -2},
      {5, 1, 4, 1},   {7, 1, 4, 2},    {1, 1, 0, -1},  {0x7FFFFFFF, 2, 1, -1},
      {0x7FFFFFFF, 2, 2, 0x7FFFFFFF},  {-0x7FFFFFFF, 2, 1, -1}, {29700, 768, 24000, 950},
      {21000, 1024, 32000, 672},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MulDiv32(c.a, c.b, c.c), c.r) << c.a << " " << c.b << " " << c.c;
#ifdef _WIN32
    EXPECT_EQ(MulDiv32(c.a, c.b, c.c), ::MulDiv(c.a, c.b, c.c)) << c.a << " " << c.b << " " << c.c;
#endif
  }
}

std::string Placeable(int16_t l, int16_t t, int16_t r, int16_t b, uint16_t inch) {
  return pixtest::PlaceableHeader(l, t, r, b, inch);
}

TEST(PlaceableHeader, KeyChecksumAndSizes) {
  struct Case { int16_t l, t, r, b; uint16_t inch; int32_t mmW, mmH, px96W, px96H, px120W, px120H; } cases[] = {
      {0, 0, 1440, 720, 1440, 2540, 1270, 96, 48, 120, 60},
      {0, 0, 96, 48, 0, 2540, 1270, 0, 0, 0, 0},  // 0 units per inch count as 96 ...
      {-100, -50, 100, 50, 100, 5080, 2540, 192, 96, 240, 120},
      {10, 10, 0, 0, 2540, -10, -10, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    std::string s = Placeable(c.l, c.t, c.r, c.b, c.inch);
    PlaceableHeader h;
    ASSERT_TRUE(ReadPlaceableHeader(Bytes(s), s.size(), h));
    EXPECT_EQ(h.inch, c.inch);  // ... but are kept as recorded
    int32_t w, hh;
    PlaceableSize(h, w, hh);
    EXPECT_EQ(w, c.mmW);
    EXPECT_EQ(hh, c.mmH);
    if (c.inch == 0) continue;
    MetafilePixelSize(w, hh, h.inch, {}, 96, w, hh);
    EXPECT_EQ(w, c.px96W);
    EXPECT_EQ(hh, c.px96H);
    PlaceableSize(h, w, hh);
    MetafilePixelSize(w, hh, h.inch, {}, 120, w, hh);
    EXPECT_EQ(w, c.px120W);
    EXPECT_EQ(hh, c.px120H);
  }
  std::string good = Placeable(0, 0, 1440, 720, 1440);
  PlaceableHeader h;
  struct Bad { const char* what; std::string bytes; } bad[] = {
      {"wrong key", std::string("\xD7\xCD\xC6\x9B") + good.substr(4)},
      {"wrong checksum", good.substr(0, 20) + std::string("\0\0", 2)},
      {"short", good.substr(0, 21)},
  };
  for (Bad& b : bad) EXPECT_FALSE(ReadPlaceableHeader(Bytes(b.bytes), b.bytes.size(), h)) << b.what;
}

TEST(MetafilePixels, UnitsOrReferenceDevice) {
  int32_t w, h;
  // Enhanced: 21 x 29.7 cm on a 1024 x 768 px, 320 x 240 mm reference.
  MetafilePixelSize(21000, 29700, 0, {true, 1024, 768, 320, 240}, 96, w, h);
  EXPECT_EQ(w, 672);
  EXPECT_EQ(h, 950);
  MetafilePixelSize(21000, 29700, 0, {}, 96, w, h);  // no platform metafile
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  MetafilePixelSize(100, 100, 0, {true, 1024, 768, 0, 0}, 96, w, h);  // no millimetres
  EXPECT_EQ(w, -1);
  MetafilePixelSize(100, 100, 0, {true, 1024, 768, 30000000, 1}, 96, w, h);  // x100 leaves 32 bits
  EXPECT_EQ(w, -1);
}

std::string Record(uint32_t type, const std::string& params) {
  return pixtest::EmfRecord(type, params);
}
std::string EofRecord(uint32_t pal = 0) { return pixtest::EmfEof(pal); }

// A header, a rectangle, the end record: sizes and counts filled in.
std::string Enhanced(const std::string& body = "", const std::string& eof = EofRecord()) {
  return pixtest::EmfFile(pixtest::EmfRectangle() + body, eof);
}

TEST(EnhancedTest, HundredBytesAreNeverEnhanced) {
  std::string s = Enhanced();
  EXPECT_TRUE(IsEnhancedMetafile(Bytes(s), s.size()));
  EXPECT_TRUE(IsEnhancedMetafile(Bytes(s), 101));
  EXPECT_FALSE(IsEnhancedMetafile(Bytes(s), 100));
  std::string t = s;
  Put32(t, 0, 2);
  EXPECT_FALSE(IsEnhancedMetafile(Bytes(t), t.size()));
  t = s;
  t[40] = 'X';
  EXPECT_FALSE(IsEnhancedMetafile(Bytes(t), t.size()));
  EnhancedHeader h = ReadEnhancedHeader(Bytes(s));
  EXPECT_EQ(h.frameRight, 21000);
  EXPECT_EQ(h.frameBottom, 29700);
  EXPECT_EQ(h.totalSize, s.size());
  EXPECT_EQ(h.devicePxW, 1024);
  EXPECT_EQ(h.deviceMmH, 240);
  int32_t w, hh;
  EnhancedFrameSize(h, w, hh);
  EXPECT_EQ(w, 21000);
  EXPECT_EQ(hh, 29700);
  h.frameLeft = INT32_MIN;  // wraps rather than overflows
  h.frameRight = 1;
  EnhancedFrameSize(h, w, hh);
  EXPECT_EQ(w, INT32_MIN + 1);
}

TEST(EnhancedWalk, BrokenRecordsAreRefused) {
  std::string good = Enhanced();
  EXPECT_TRUE(CheckEnhancedMetafile(Bytes(good), good.size()).valid);
  EXPECT_EQ(CheckEnhancedMetafile(Bytes(good), good.size()).records, 3u);
  const size_t rect = 108;  // the rectangle record's offset
  struct Case { const char* what; std::function<std::string()> make; } cases[] = {
      {"record size 0", [&] { std::string s = good; Put32(s, rect + 4, 0); return s; }},
      {"record size 4", [&] { std::string s = good; Put32(s, rect + 4, 4); return s; }},
      {"size not a multiple of 4", [&] { std::string s = good; Put32(s, rect + 4, 26); return s; }},
      {"size past the end", [&] { std::string s = good; Put32(s, rect + 4, 4096); return s; }},
      {"size wraps", [&] { std::string s = good; Put32(s, rect + 4, 0xFFFFFFFC); return s; }},
      {"no end record", [&] { return good.substr(0, good.size() - 20); }},
      {"cut inside the end record", [&] { return good.substr(0, good.size() - 4); }},
      {"header too small", [&] { std::string s = good; Put32(s, 4, 80); return s; }},
      {"not a header first", [&] { std::string s = good; Put32(s, 0, 2); return s; }},
      {"palette past the end record", [&] {
         std::string s = Enhanced("", EofRecord(2)); Put32(s, s.size() - 24 - 8 + 8, 200); return s; }},
  };
  for (const Case& c : cases) {
    std::string s = c.make();
    EXPECT_FALSE(CheckEnhancedMetafile(Bytes(s), s.size()).valid) << c.what;
  }
  std::string pal = Enhanced("", EofRecord(2));
  Put32(pal, 68, 2);
  EXPECT_TRUE(CheckEnhancedMetafile(Bytes(pal), pal.size()).valid);
}

// The header's figures that the records tell are the walk's: what the player
// is handed ends with the end record and counts its palette.
TEST(EnhancedWalk, HeaderFiguresAreMendedToTheWalkedOnes) {
  const std::string good = Enhanced("", EofRecord(2));
  std::string s = good + std::string(12, 'x');
  Put32(s, 48, uint32_t(s.size()));
  Put32(s, 68, 3);
  Put16(s, 56, 0);
  RecordWalk w = CheckEnhancedMetafile(Bytes(s), s.size());
  ASSERT_TRUE(w.valid);
  EXPECT_EQ(w.end, good.size());
  EXPECT_EQ(w.mended, 3u);  // total, palette, object table
  EXPECT_EQ(U32(Bytes(s) + 48), good.size());
  EXPECT_EQ(U32(Bytes(s) + 68), 2u);
  EXPECT_EQ(U16(Bytes(s) + 56), 1u);
  std::string again = good;
  EXPECT_EQ(CheckEnhancedMetafile(Bytes(again), again.size()).end, good.size());
}

TEST(EnhancedWalk, AbortProcEscapeBecomesAComment) {
  std::string esc;
  Add32(esc, 9);   // SETABORTPROC
  Add32(esc, 4);
  Add32(esc, 0x401000);  // a code address
  std::string s = Enhanced(Record(kEmrExtEscape, esc) + Record(kEmrDrawEscape, esc));
  RecordWalk w = CheckEnhancedMetafile(Bytes(s), s.size());
  ASSERT_TRUE(w.valid);
  EXPECT_EQ(w.neutralised, 2u);
  size_t at = 108 + 24;
  EXPECT_EQ(uint8_t(s[at]), 70);      // EMR_GDICOMMENT
  EXPECT_EQ(uint8_t(s[at + 8]), 20 - 12);  // its data: the rest of the record
}

// META_SETBKMODE, then `body`, then the end record.
std::string WindowsRecords(const std::string& body, bool end = true) {
  return pixtest::WmfFile(pixtest::WmfRecord(kMetaSetBkMode, Le16({1})) + body, 2, end);
}

TEST(WindowsWalk, BrokenRecordsAreRefused) {
  std::string good = WindowsRecords("");
  RecordWalk w = CheckWindowsMetafile(Bytes(good), good.size());
  EXPECT_TRUE(w.valid);
  EXPECT_EQ(w.records, 2u);
  struct Case { const char* what; std::function<std::string()> make; } cases[] = {
      {"record size 0", [&] { std::string s = good; Put32(s, 18, 0); return s; }},
      {"record size 2 words", [&] { std::string s = good; Put32(s, 18, 2); return s; }},
      {"size past the end", [&] { std::string s = good; Put32(s, 18, 100); return s; }},
      {"size wraps", [&] { std::string s = good; Put32(s, 18, 0x80000001); return s; }},
      {"no end record", [&] { return WindowsRecords("", false); }},
      {"end record cut", [&] { return good.substr(0, good.size() - 2); }},
      {"header size 8", [&] { std::string s = good; Put16(s, 2, 8); return s; }},
      {"type 3", [&] { std::string s = good; Put16(s, 0, 3); return s; }},
      {"record past the data, the recorded size with it", [&] {
         std::string s = good; Put32(s, 18, 100); Put32(s, 6, 1000); return s; }},
      {"shorter than a header", [&] { return good.substr(0, 17); }},
  };
  for (const Case& c : cases) {
    std::string s = c.make();
    EXPECT_FALSE(CheckWindowsMetafile(Bytes(s), s.size()).valid) << c.what;
  }
}

TEST(WindowsWalk, AbortProcEscapeBecomesACommentAndCountsStayInside) {
  std::string esc;
  Add32(esc, 7); Add16(esc, 0x0626); Add16(esc, 9); Add16(esc, 4); Add32(esc, 0x401000);
  std::string big;
  Add32(big, 6); Add16(big, 0x0626); Add16(big, 15); Add16(big, 0xFFFF); Add16(big, 0);
  std::string s = WindowsRecords(esc + big);
  RecordWalk w = CheckWindowsMetafile(Bytes(s), s.size());
  ASSERT_TRUE(w.valid);
  EXPECT_EQ(w.neutralised, 1u);
  EXPECT_EQ(uint8_t(s[18 + 8 + 6]), 15);                // MFCOMMENT now
  EXPECT_EQ(uint8_t(s[18 + 8 + 14 + 8]), 2);            // byte count cut to the record
  EXPECT_EQ(uint8_t(s[18 + 8 + 14 + 9]), 0);
}

TEST(MetafilePalette, CountKeepsLowBitsBeyond256) {
  EXPECT_EQ(MetafilePaletteCount(0), 0u);
  EXPECT_EQ(MetafilePaletteCount(16), 16u);
  EXPECT_EQ(MetafilePaletteCount(256), 256u);
  EXPECT_EQ(MetafilePaletteCount(300), 44u);
  EXPECT_EQ(MetafilePaletteCount(512), 0u);
}

// What the platform's conversion copies by the header: the implied colours and
// the image size are written out.
TEST(WindowsWalk, ImpliedColourTableAndImageSizeAreWrittenOut) {
  std::string s = WindowsRecords(
      pixtest::WmfRecord(kMetaDibCreatePatternBrush, Le16({5, 0}) + Bmi(8) + Zeros(1024 + 8)));
  ASSERT_TRUE(CheckWindowsMetafile(Bytes(s), s.size()).valid);
  const size_t bmi = 26 + 6 + 4;
  EXPECT_EQ(pix::U32(Bytes(s) + bmi + 32), 256u);  // colours used
  EXPECT_EQ(pix::U32(Bytes(s) + bmi + 20), 8u);    // 2 rows of 4 bytes
  // A recorded image size larger than the pixels there is cut to them.
  s = WindowsRecords(pixtest::WmfRecord(
      kMetaStretchDib,
      Le({0xCC0020}) + Le16({0}) + pixtest::Zeros(16) + Bmi(24, 0, 2, 0, 0x80000000) + Zeros(16)));
  ASSERT_TRUE(CheckWindowsMetafile(Bytes(s), s.size()).valid);
  EXPECT_EQ(pix::U32(Bytes(s) + 26 + 6 + 22 + 20), 16u);
}

}  // namespace
}  // namespace pix
