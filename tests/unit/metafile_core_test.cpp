#include <gtest/gtest.h>

#include "../fixtures/icon_bytes.h"
#include "pictures/metafile_core.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace pix {
namespace {

using pixtest::Add16;
using pixtest::Add32;
using pixtest::Put16;
using pixtest::Put32;

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
  std::string s;
  Add32(s, kPlaceableKey);
  Add16(s, 0);
  Add16(s, uint16_t(l)); Add16(s, uint16_t(t)); Add16(s, uint16_t(r)); Add16(s, uint16_t(b));
  Add16(s, inch);
  Add32(s, 0);
  uint16_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= uint16_t(uint8_t(s[i]) | uint8_t(s[i + 1]) << 8);
  Add16(s, sum);
  return s;
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

std::string EnhancedHead(uint32_t total, int32_t frameR = 21000, int32_t frameB = 29700) {
  std::string s(108, '\0');
  Put32(s, 0, 1);
  Put32(s, 4, 108);
  Put32(s, 32, uint32_t(frameR));
  Put32(s, 36, uint32_t(frameB));
  Put32(s, 40, kEnhancedSignature);
  Put32(s, 44, 0x10000);
  Put32(s, 48, total);
  Put16(s, 56, 3);  // object table: the metafile and two objects
  Put32(s, 72, 1024); Put32(s, 76, 768); Put32(s, 80, 320); Put32(s, 84, 240);
  return s;
}

std::string Record(uint32_t type, std::string params) {
  std::string s;
  Add32(s, type);
  Add32(s, uint32_t(8 + params.size()));
  return s + params;
}

std::string EofRecord(uint32_t pal = 0) {
  std::string p;
  Add32(p, pal);
  Add32(p, 16);
  for (uint32_t i = 0; i < pal; ++i) Add32(p, 0x00102030);
  Add32(p, 20 + 4 * pal);
  return Record(14, p);
}

// A header, a rectangle, the end record: sizes filled in.
std::string Enhanced(std::string body = "", std::string eof = EofRecord()) {
  std::string rect;
  for (uint32_t v : {10u, 10u, 100u, 100u}) Add32(rect, v);
  std::string s = EnhancedHead(0) + Record(43, rect) + body + eof;
  Put32(s, 48, uint32_t(s.size()));
  return s;
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
      {"header counts more colours", [&] {
         std::string s = Enhanced("", EofRecord(2)); Put32(s, 68, 3); return s; }},
  };
  for (const Case& c : cases) {
    std::string s = c.make();
    EXPECT_FALSE(CheckEnhancedMetafile(Bytes(s), s.size()).valid) << c.what;
  }
  std::string pal = Enhanced("", EofRecord(2));
  Put32(pal, 68, 2);
  EXPECT_TRUE(CheckEnhancedMetafile(Bytes(pal), pal.size()).valid);
}

TEST(EnhancedWalk, AbortProcEscapeBecomesAComment) {
  std::string esc;
  Add32(esc, 9);   // SETABORTPROC
  Add32(esc, 4);
  Add32(esc, 0x401000);  // a code address
  std::string s = Enhanced(Record(106, esc) + Record(105, esc));
  RecordWalk w = CheckEnhancedMetafile(Bytes(s), s.size());
  ASSERT_TRUE(w.valid);
  EXPECT_EQ(w.neutralised, 2u);
  size_t at = 108 + 24;
  EXPECT_EQ(uint8_t(s[at]), 70);      // EMR_GDICOMMENT
  EXPECT_EQ(uint8_t(s[at + 8]), 20 - 12);  // its data: the rest of the record
}

std::string WindowsRecords(std::string body, bool end = true) {
  std::string s;
  Add16(s, 1);
  Add16(s, 9);
  Add16(s, 0x300);
  Add32(s, 0);  // size in words, below
  Add16(s, 0);
  Add32(s, 5);
  Add16(s, 0);
  Put16(s, 10, 2);  // two objects
  // META_SETBKMODE
  Add32(s, 4); Add16(s, 0x0102); Add16(s, 1);
  s += body;
  if (end) { Add32(s, 3); Add16(s, 0); }
  Put32(s, 6, uint32_t(s.size() / 2));
  return s;
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
      {"recorded size past the data", [&] { std::string s = good; Put32(s, 6, 1000); return s; }},
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

// Little-endian fields in a row.
std::string Le(std::initializer_list<uint32_t> words) {
  std::string s;
  for (uint32_t w : words) Add32(s, w);
  return s;
}
std::string Le16(std::initializer_list<uint32_t> words) {
  std::string s;
  for (uint32_t w : words) Add16(s, w);
  return s;
}
std::string Zeros(size_t n) { return std::string(n, '\0'); }

// A 2 x 2 24-bit bitmap: info header, then 16 pixel bytes.
std::string Bmi(uint32_t bits = 24, uint32_t compression = 0, int32_t h = 2, uint32_t used = 0) {
  return Le({40, 2, uint32_t(h)}) + Le16({1, bits}) + Le({compression, 0, 0, 0, used, 0});
}

// A stretch-bits record (81) with its bitmap header and `pixels` bytes of pixels.
std::string StretchBits(const std::string& bmi, uint32_t pixels, uint32_t claimBits = 0) {
  std::string fixed = Zeros(16) + Le({0, 0, 0, 0, 2, 2}) +
                      Le({80, uint32_t(bmi.size()), uint32_t(80 + bmi.size()),
                          claimBits ? claimBits : pixels, 0, 0xCC0020, 2, 2});
  return Record(81, fixed + bmi + Zeros(pixels));
}

TEST(EnhancedWalk, RecordContentsStayInside) {
  struct Case { const char* what; std::string record; bool valid; } cases[] = {
      {"polyline of 2 points", Record(4, Zeros(16) + Le({2}) + Zeros(16)), true},
      {"polyline counting 3 of 2", Record(4, Zeros(16) + Le({3}) + Zeros(16)), false},
      {"polyline count wraps", Record(4, Zeros(16) + Le({0x20000000}) + Zeros(16)), false},
      {"polyline16 of 4", Record(87, Zeros(16) + Le({4}) + Zeros(16)), true},
      {"polyline16 counting 5", Record(87, Zeros(16) + Le({5}) + Zeros(16)), false},
      {"polypolygon 2+2 of 4", Record(8, Zeros(16) + Le({2, 4, 2, 2}) + Zeros(32)), true},
      {"polypolygon counts sum past points", Record(8, Zeros(16) + Le({2, 4, 3, 2}) + Zeros(32)), false},
      {"polypolygon16 points past", Record(91, Zeros(16) + Le({1, 9, 9}) + Zeros(32)), false},
      {"polydraw of 4", Record(56, Zeros(16) + Le({4}) + Zeros(32 + 4)), true},
      {"polydraw types past", Record(56, Zeros(16) + Le({4}) + Zeros(32)), false},
      {"text of 4 wide characters", Record(84, Zeros(28) + Le({0, 0, 4, 76, 0}) + Zeros(16) + Le({0}) + Zeros(8)), true},
      {"text past the record", Record(84, Zeros(28) + Le({0, 0, 5, 76, 0}) + Zeros(16) + Le({0}) + Zeros(8)), false},
      {"text spacing past", Record(83, Zeros(28) + Le({0, 0, 4, 76, 0}) + Zeros(16) + Le({80}) + Zeros(8)), false},
      {"palette of 2", Record(49, Le({1}) + Le16({0x300, 2}) + Zeros(8)), true},
      {"palette counting 3", Record(49, Le({1}) + Le16({0x300, 3}) + Zeros(8)), false},
      {"palette into slot 3 of 3", Record(49, Le({3}) + Le16({0x300, 0})), false},
      {"palette into slot 0", Record(49, Le({0}) + Le16({0x300, 0})), false},
      {"palette entries past", Record(50, Le({1, 0, 3}) + Zeros(8)), false},
      {"comment past", Record(70, Le({8}) + Zeros(4)), false},
      {"brush into slot 2", Record(39, Le({2}) + Zeros(12)), true},
      {"brush into slot 7", Record(39, Le({7}) + Zeros(12)), false},
      {"select stock object", Record(37, Le({0x80000000u | 4})), true},
      {"select slot 5", Record(37, Le({5})), false},
      {"delete a stock object", Record(40, Le({0x80000000u | 4})), false},
      {"clip region of 1 rectangle", Record(75, Le({48, 5}) + Le({32, 1, 1, 16}) + Zeros(32)), true},
      {"clip region counting 2", Record(75, Le({48, 5}) + Le({32, 1, 2, 16}) + Zeros(32)), false},
      {"clip region size past", Record(75, Le({64, 5}) + Le({32, 1, 1, 16}) + Zeros(32)), false},
      {"fill region, brush slot 9", Record(71, Zeros(16) + Le({0, 9})), false},
      {"stretch bits 2 x 2", StretchBits(Bmi(), 16), true},
      {"stretch bits short of pixels", StretchBits(Bmi(), 12), false},
      {"stretch bits pixels past the data", StretchBits(Bmi(24, 0, 200), 16), false},
      {"stretch bits claiming more than the record", StretchBits(Bmi(), 16, 4096), false},
      {"stretch bits 8-bit without its table", StretchBits(Bmi(8), 8), false},
      {"stretch bits 8-bit, 2 colours used", StretchBits(Bmi(8, 0, 2, 2) + Zeros(8), 8), true},
      {"stretch bits huge colour count", StretchBits(Bmi(8, 0, 2, 0x40000000), 8), false},
      {"stretch bits 3 bits per pixel", StretchBits(Bmi(3), 16), false},
      {"stretch bits height -2^31", StretchBits(Bmi(24, 0, INT32_MIN), 16), false},
      {"stretch bits, bit fields without masks", StretchBits(Bmi(32, 3), 16), false},
      {"stretch bits, bit fields with masks", StretchBits(Bmi(32, 3) + Le({0xFF0000, 0xFF00, 0xFF}), 16), true},
      {"stretch bits, bit fields at 24 bits", StretchBits(Bmi(24, 3), 16), false},
      {"stretch bits, run-length within", StretchBits(Bmi(8, 1, 2, 1) + Zeros(4), 0), true},
      {"bit-block copy without a source", Record(76, Zeros(92)), true},
  };
  for (const Case& c : cases) {
    std::string s = Enhanced(c.record);
    EXPECT_EQ(CheckEnhancedMetafile(Bytes(s), s.size()).valid, c.valid) << c.what;
  }
}

TEST(WindowsWalk, RecordContentsStayInside) {
  auto rec = [](uint16_t function, const std::string& params) {
    std::string s;
    Add32(s, uint32_t((6 + params.size()) / 2));
    Add16(s, function);
    return s + params;
  };
  // A 2 x 2 24-bit packed bitmap: header and 16 pixel bytes.
  const std::string dib = Bmi() + Zeros(16);
  struct Case { const char* what; std::string record; bool valid; } cases[] = {
      {"polygon of 3", rec(0x0324, Le16({3}) + Zeros(12)), true},
      {"polygon counting 4", rec(0x0324, Le16({4}) + Zeros(12)), false},
      {"polypolygon 2+1", rec(0x0538, Le16({2, 2, 1}) + Zeros(12)), true},
      {"polypolygon points past", rec(0x0538, Le16({2, 2, 2}) + Zeros(12)), false},
      {"polypolygon counts past", rec(0x0538, Le16({9, 1})), false},
      {"text of 3", rec(0x0521, Le16({3}) + Zeros(4) + Le16({0, 0})), true},
      {"text past", rec(0x0521, Le16({5}) + Zeros(4) + Le16({0, 0})), false},
      {"extended text, clipped", rec(0x0a32, Le16({0, 0, 2, 4}) + Zeros(8) + Zeros(2)), true},
      {"extended text past", rec(0x0a32, Le16({0, 0, 4, 4}) + Zeros(8) + Zeros(2)), false},
      {"palette of 1", rec(0x00f7, Le16({0x300, 1}) + Zeros(4)), true},
      {"palette counting 2", rec(0x00f7, Le16({0x300, 2}) + Zeros(4)), false},
      {"select object 1 of 2", rec(0x012d, Le16({1})), true},
      {"select object 2 of 2", rec(0x012d, Le16({2})), false},
      {"delete object 40", rec(0x01f0, Le16({40})), false},
      {"fill region with brush 5", rec(0x0228, Le16({0, 5})), false},
      {"stretch bits 2 x 2", rec(0x0f43, Le({0xCC0020}) + Le16({0}) + Zeros(16) + dib), true},
      {"stretch bits short", rec(0x0f43, Le({0xCC0020}) + Le16({0}) + Zeros(16) + dib.substr(0, dib.size() - 2)), false},
      {"stretch bits past the data", rec(0x0f43, Le({0xCC0020}) + Le16({0}) + Zeros(16) + Bmi(24, 0, 20) + Zeros(16)), false},
      {"bit-block copy 2 x 2", rec(0x0940, Le({0xCC0020}) + Zeros(12) + dib), true},
      {"bit-block copy without a bitmap", rec(0x0940, Le({0xCC0020}) + Zeros(14)), true},
      {"bit-block copy, header only", rec(0x0940, Le({0xCC0020}) + Zeros(12) + Bmi()), false},
      {"bits to device, 1 scan line", rec(0x0d33, Le16({0, 1}) + Zeros(14) + Bmi() + Zeros(8)), true},
      {"bits to device, 2 scan lines", rec(0x0d33, Le16({0, 2}) + Zeros(14) + Bmi() + Zeros(8)), false},
      {"pattern brush 2 x 2", rec(0x0142, Le16({5, 0}) + dib), true},
      {"pattern brush with a broken bitmap", rec(0x0142, Le16({5, 0}) + Bmi(24, 0, 200)), false},
  };
  for (const Case& c : cases) {
    std::string s = WindowsRecords(c.record);
    EXPECT_EQ(CheckWindowsMetafile(Bytes(s), s.size()).valid, c.valid) << c.what;
  }
  // An 8-bit bitmap's implied 256 colours are written into its header.
  std::string s = WindowsRecords(rec(0x0142, Le16({5, 0}) + Bmi(8) + Zeros(1024 + 8)));
  ASSERT_TRUE(CheckWindowsMetafile(Bytes(s), s.size()).valid);
  EXPECT_EQ(uint8_t(s[26 + 6 + 4 + 32]), 0);
  EXPECT_EQ(uint8_t(s[26 + 6 + 4 + 33]), 1);  // 256
}

}  // namespace
}  // namespace pix
