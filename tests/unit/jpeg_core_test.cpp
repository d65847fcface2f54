// The JPEG decoding context: header facts, pixel layout, palettes, the data
// source's end-of-data rules, the error path out of libjpeg, the scan limit,
// and the progress arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "jpeg_writer.h"
#include "pictures/exif_core.h"
#include "pictures/jpeg_core.h"
#include "ui/errors.h"

using namespace pix;
using jpegtest::Kind;
using jpegtest::Recipe;

namespace {

TJPEGData Load(const std::string& bytes) {
  TJPEGData d;
  AllocateJPEGBytes(d, bytes.size());
  if (!bytes.empty()) std::memcpy(d.bytes.get(), bytes.data(), bytes.size());
  if (!bytes.empty()) ReadJPEGHeader(d);
  return d;
}

template <class F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const EJPEG& e) {
    return "EJPEG " + e.Message();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

void ExpectNear(const uint8_t* px, int b, int g, int r, const char* what) {
  EXPECT_NEAR(px[0], b, 8) << what << " blue";
  EXPECT_NEAR(px[1], g, 8) << what << " green";
  EXPECT_NEAR(px[2], r, 8) << what << " red";
}

}  // namespace

TEST(JpegHeader, SizeAndGrayscaleFlagWithoutDecoding) {
  TJPEGData color = Load(jpegtest::Bands({640, 480, Kind::Color}));
  EXPECT_EQ(color.width, 640);
  EXPECT_EQ(color.height, 480);
  EXPECT_FALSE(color.grayscale);
  TJPEGData gray = Load(jpegtest::Bands({33, 17, Kind::Gray}));
  EXPECT_EQ(gray.width, 33);
  EXPECT_EQ(gray.height, 17);
  EXPECT_TRUE(gray.grayscale);
  TJPEGData empty = Load("");
  EXPECT_TRUE(empty.hasBytes);
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, 0);
}

TEST(JpegHeader, BrokenHeadersGiveLibjpegCodes) {
  std::string good = jpegtest::Bands({16, 16, Kind::Color});
  struct Case {
    const char* name;
    std::string bytes;
    const char* error;
  } cases[] = {
      {"bitmap signature", std::string("BM\x36\0\0\0", 6) + good, "EJPEG JPEG error #53"},
      {"one byte", "\xFF", "EJPEG JPEG error #53"},
      {"start marker only", "\xFF\xD8", "EJPEG JPEG error #51"},  // no image
      {"start then end", "\xFF\xD8\xFF\xD9", "EJPEG JPEG error #51"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf([&] { Load(c.bytes); }), c.error) << c.name;
  // Empty input reaches the source's first refill: libjpeg's empty-input code.
  EXPECT_EQ(ErrorOf([] {
              TJPEGDecoder d(nullptr, 0);
              d.ReadHeader();
            }),
            "EJPEG JPEG error #42");
}

TEST(JpegHeader, EveryCutOfTheHeaderFailsCleanly) {
  std::string good = jpegtest::Bands({24, 24, Kind::Color, true});
  size_t headerEnd = good.find("\xFF\xDA") + 2;
  for (size_t n = 1; n < headerEnd; ++n) {
    std::string e = ErrorOf([&] { Load(good.substr(0, n)); });
    EXPECT_EQ(e.rfind("EJPEG JPEG error #", 0), 0u) << n << ": " << e;
  }
}

TEST(JpegDecode, ColorRowsAreBlueGreenRed) {
  jpegtest::Decoded d = jpegtest::Decode(jpegtest::Bands({640, 480, Kind::Color}));
  ASSERT_EQ(d.bits, 24);
  ASSERT_EQ(d.width, 640);
  ASSERT_EQ(d.height, 480);
  ExpectNear(d.Row(10) + 3 * 100, 0, 0, 255, "red band");
  ExpectNear(d.Row(130) + 3 * 5, 0, 255, 0, "green band");
  ExpectNear(d.Row(250) + 3 * 639, 255, 0, 0, "blue band");
  ExpectNear(d.Row(479) + 3 * 320, 255, 255, 255, "white band");
}

TEST(JpegDecode, GrayscaleIsPalettedWithAtMost236Grays) {
  jpegtest::Decoded d = jpegtest::Decode(jpegtest::Bands({256, 8, Kind::Gray}));
  ASSERT_EQ(d.bits, 8);
  size_t n = d.palette.size() / 3;
  EXPECT_GT(n, 200u);
  EXPECT_LE(n, 236u);
  for (size_t i = 0; i < n; ++i) {
    EXPECT_EQ(d.palette[3 * i], d.palette[3 * i + 1]);
    EXPECT_EQ(d.palette[3 * i], d.palette[3 * i + 2]);
  }
  // The ramp comes back through the palette: dark on the left, light on the right.
  EXPECT_LT(d.palette[3 * d.Row(4)[2]], 16);
  EXPECT_GT(d.palette[3 * d.Row(4)[253]], 240);
}

TEST(JpegDecode, EightBitFormatQuantisesColourInTwoPasses) {
  jpegtest::Decoded d = jpegtest::Decode(jpegtest::Photo({120, 90, Kind::Color}), true);
  ASSERT_EQ(d.bits, 8);
  size_t n = d.palette.size() / 3;
  EXPECT_GT(n, 16u);
  EXPECT_LE(n, 236u);
  jpegtest::Decoded bands = jpegtest::Decode(jpegtest::Bands({64, 64, Kind::Color}), true);
  const uint8_t* p = &bands.palette[3 * bands.Row(4)[30]];
  EXPECT_GT(p[0], 230);  // red band's colour is red
  EXPECT_LT(p[1], 25);
  EXPECT_LT(p[2], 25);
}

TEST(JpegDecode, ProgressiveGivesTheSamePixelsAsBaseline) {
  std::string base = jpegtest::Photo({200, 150, Kind::Color});
  std::string prog = jpegtest::Photo({200, 150, Kind::Color, true});
  ASSERT_NE(base, prog);
  EXPECT_EQ(jpegtest::Decode(base).pixels, jpegtest::Decode(prog).pixels);
}

TEST(JpegDecode, FourComponentFilesBecomeColourWithinTheRow) {
  for (Kind k : {Kind::Cmyk, Kind::CmykPlain, Kind::Ycck}) {
    jpegtest::Decoded d = jpegtest::Decode(jpegtest::Bands({37, 9, k}));
    ASSERT_EQ(d.bits, 24);
    ASSERT_EQ(d.rowBytes, 112);  // 37 * 3 rounded up to 4: nothing written past it
    for (int y = 0; y < 9; ++y) {
      ExpectNear(d.Row(y) + 3 * 36, 0, 0, 255, "red");
      EXPECT_EQ(d.Row(y)[111], 0xFF) << "padding untouched";
    }
  }
}

TEST(JpegDecode, CutHalfwayDecodesWithoutError) {
  std::string full = jpegtest::Photo({128, 128, Kind::Color});
  jpegtest::Decoded whole = jpegtest::Decode(full);
  jpegtest::Decoded half = jpegtest::Decode(full.substr(0, full.size() / 2));
  ASSERT_EQ(half.height, 128);
  // The top rows are all there; the rest is what libjpeg makes of missing data.
  EXPECT_TRUE(std::equal(whole.Row(7), whole.Row(7) + whole.rowBytes * 8, half.Row(7)));
  EXPECT_NE(whole.pixels, half.pixels);
}

TEST(JpegDecode, EveryCutOfASmallFileLoadsOrFailsCleanly) {
  for (bool progressive : {false, true}) {
    std::string full = jpegtest::Photo({40, 24, Kind::Color, progressive});
    for (size_t n = 0; n <= full.size(); n += 7) {
      std::string cut = full.substr(0, n);
      std::string e = ErrorOf([&] { jpegtest::Decode(cut); });
      EXPECT_TRUE(e.empty() || e.rfind("EJPEG JPEG error #", 0) == 0) << n << ": " << e;
    }
  }
}

TEST(JpegDecode, ThousandsOfScansStopAfterTheLimit) {
  Recipe s{48, 48, Kind::Color};
  s.manyScans = true;
  std::string bytes = jpegtest::Photo(s);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf([&] { jpegtest::Decode(bytes); }), "EJPEG JPEG error: more than 500 scans");
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(20));
}

TEST(JpegDecode, HugeHeaderIsReadButReportsItsWorkingMemory) {
  std::string bytes = jpegtest::Bands({16, 16, Kind::Color, true});
  jpegtest::PatchSize(bytes, 65500, 65500);
  TJPEGData d = Load(bytes);
  EXPECT_EQ(d.width, 65500);
  EXPECT_EQ(d.height, 65500);
  TJPEGDecoder dec(d.bytes.get(), d.size);
  dec.ReadHeader();
  dec.SetParameters(false);
  // Coefficients of a progressive file: 1.5 blocks of 128 bytes per 64 pixels.
  EXPECT_GT(dec.WorkingMemory(), 12'000'000'000ull);
}

TEST(JpegDecode, ErrorFromTheProgressHookArrivesUnchanged) {
  std::string bytes = jpegtest::Photo({64, 64, Kind::Color, true});
  TJPEGDecoder dec(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  uint32_t tick = 1000;
  dec.Clock = [&] { return tick += 600; };
  dec.OnProgress = [](const TJPEGProgressReport&) { throw EAbort(); };
  dec.ReadHeader();
  dec.SetParameters(false);
  EXPECT_THROW(dec.Start(), EAbort);
}

// A stop asked for between scan lines leaves libjpeg's frames as the silent
// kind, whether it comes while rows are read or inside the input passes of a
// progressive file; the context is then destroyed cleanly.
TEST(JpegDecode, InterruptStopsBetweenScanLines) {
  for (bool progressive : {false, true}) {
    std::string bytes = jpegtest::Photo({64, 256, Kind::Color, progressive});
    TJPEGDecoder dec(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    int asked = 0, stopAt = progressive ? 3 : 8;
    dec.Interrupted = [&] { return ++asked >= stopAt; };
    dec.ReadHeader();
    dec.SetParameters(false);
    std::vector<uint8_t> row(64 * 3);
    int rows = 0;
    EXPECT_THROW(
        {
          dec.Start();
          while (dec.ReadRows(row.data(), 0, 1) > 0) ++rows;
        },
        EJPEGInterrupted)
        << progressive;
    EXPECT_EQ(asked, stopAt) << progressive;
    EXPECT_LT(rows, 256) << progressive;
  }
}

TEST(JpegProgress, ReportsEvery500msWhenThePercentageChanges) {
  TJPEGProgressState st;
  TJPEGProgressReport r;
  TJPEGCounters c{10, 100, 0, 1, 40, 640, 480};
  EXPECT_FALSE(JPEGProgressStep(st, 1000, c, r)) << "first call only records the time";
  EXPECT_FALSE(JPEGProgressStep(st, 1499, c, r)) << "too soon";
  ASSERT_TRUE(JPEGProgressStep(st, 1500, c, r));
  EXPECT_EQ(r.percent, 10);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.bottom, 40);
  EXPECT_EQ(r.right, 640);
  EXPECT_TRUE(r.redrawNow);
  EXPECT_FALSE(JPEGProgressStep(st, 2100, c, r)) << "same percentage";
  c.passCounter = 99;  // 2 of 3 passes done: trunc(100 * 2.99 / 3) = 99
  c.completedPasses = 2;
  c.totalPasses = 3;
  c.outputScanline = 42;
  ASSERT_TRUE(JPEGProgressStep(st, 2700, c, r));
  EXPECT_EQ(r.percent, 99);
  EXPECT_EQ(r.top, 40) << "band starts at the last row reported";
  EXPECT_EQ(r.bottom, 42);
  EXPECT_FALSE(r.redrawNow) << "two rows are not worth a repaint";
  c.outputScanline = 5;  // a new pass began: the band runs to the bottom
  c.passCounter = 0;
  c.passLimit = 0;
  ASSERT_TRUE(JPEGProgressStep(st, 3300, c, r));
  EXPECT_EQ(r.percent, 66);
  EXPECT_EQ(r.top, 42);
  EXPECT_EQ(r.bottom, 480);
}

TEST(JpegProgress, RowsPerCall) {
  struct {
    ptrdiff_t step;
    int rec, rows;
  } cases[] = {{-1920, 2, 1}, {1920, 2, 2}, {1922, 2, 1}, {1920, 1, 1}, {0, 2, 1}};
  for (auto& c : cases) EXPECT_EQ(JPEGRowsPerCall(c.step, c.rec), c.rows) << c.step;
}

TEST(JpegMemory, UnaffordableBufferIsOutOfMemoryWhileExpanding) {
  TJPEGData d;
  EXPECT_EQ(ErrorOf([&] { AllocateJPEGBytes(d, ~0ull); }),
            "Out of memory while expanding memory stream");
  EXPECT_FALSE(d.hasBytes);
}

namespace pix {
namespace {

// Kept decodes are matched by the fingerprint of their bytes: a file rewritten
// in any one byte, or grown by bytes of zero, must not take the old decode.
TEST(JpegDigest, EveryByteAndTheLengthCount) {
  std::vector<uint8_t> bytes(100003);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 131 + 7);
  const TJPEGDigest base = DigestJPEGBytes(bytes.data(), bytes.size());
  EXPECT_EQ(DigestJPEGBytes(bytes.data(), bytes.size()), base);
  for (size_t at : {size_t{0}, size_t{7}, size_t{8}, size_t{50000}, bytes.size() - 9,
                    bytes.size() - 1}) {
    std::vector<uint8_t> changed = bytes;
    changed[at] ^= 1;
    EXPECT_FALSE(DigestJPEGBytes(changed.data(), changed.size()) == base) << at;
  }
  std::vector<uint8_t> longer = bytes;
  longer.push_back(0);
  EXPECT_FALSE(DigestJPEGBytes(longer.data(), longer.size()) == base);
  // Two tails of zeros differing only in length.
  std::vector<uint8_t> zeros(16, 0);
  EXPECT_FALSE(DigestJPEGBytes(zeros.data(), 13) == DigestJPEGBytes(zeros.data(), 14));
  // Swapped words: a plain sum of words would not see it.
  std::vector<uint8_t> swapped = bytes;
  std::swap_ranges(swapped.begin(), swapped.begin() + 8, swapped.begin() + 8);
  EXPECT_FALSE(DigestJPEGBytes(swapped.data(), swapped.size()) == base);
}

}  // namespace
}  // namespace pix

// The bytes the decoder says it is done with are given back to the system
// while it goes on (the read-ahead decommits them): scribbling over them as
// soon as they are reported must leave every kind of file decoding to the
// same pixels, and the reports must only grow, up to the file's end.
TEST(JpegDecode, BytesReportedConsumedAreNeverReadAgain) {
  struct Case {
    const char* what;
    jpegtest::Recipe recipe;
    size_t cut = 0;  // bytes cut off the end: a truncated file
  };
  const Case cases[] = {
      {"baseline", {640, 480}},
      {"progressive", {640, 480, Kind::Color, true}},
      {"restart markers", {640, 480, Kind::Color, false, false, 90, false, 2}},
      {"arithmetic", {640, 480, Kind::Color, false, false, 90, true}},
      {"gray", {640, 480, Kind::Gray}},
      {"truncated", {640, 480}, 20000},
  };
  for (const Case& c : cases) {
    std::string bytes = jpegtest::Photo(c.recipe);
    ASSERT_GT(bytes.size(), c.cut + 40000) << c.what;  // many source buffers' worth
    bytes.resize(bytes.size() - c.cut);
    jpegtest::Decoded plain = jpegtest::Decode(bytes);
    std::string scratch = bytes;
    size_t last = 0;
    bool grew = true;
    jpegtest::Decoded scribbled = jpegtest::Decode(scratch, false, [&](size_t done) {
      grew = grew && done > last && done <= scratch.size();
      std::memset(scratch.data() + last, 0x5A, done - std::min(done, last));
      last = std::max(last, done);
    });
    EXPECT_TRUE(grew) << c.what;
    EXPECT_EQ(last, bytes.size()) << c.what;
    EXPECT_TRUE(scribbled.pixels == plain.pixels) << c.what;
  }
}

// The orientation tag: a damaged or odd segment must show the picture as
// stored and never be read past its end.
TEST(JpegOrientation, TagOfTheFirstDirectory) {
  using jpegtest::Exif;
  auto of = [](const Exif& e, size_t cut = std::string::npos) {
    std::string s = jpegtest::ExifSegment(e).substr(0, cut);
    std::vector<uint8_t> exact(s.begin(), s.end());  // no byte beyond it
    return ExifSegmentOrientation(exact.data(), exact.size());
  };
  for (bool little : {true, false})
    for (int v = 0; v <= 9; ++v)
      EXPECT_EQ(of({v, little}), v >= 1 && v <= 8 ? v : 1) << little << " " << v;
  struct Row {
    const char* what;
    Exif exif;
    size_t cut;
    int expected;
  } rows[] = {
      {"wrong type (LONG)", {6, true, 4}, std::string::npos, 1},
      {"count 0", {6, false, 3, 2, 0}, std::string::npos, 1},
      {"directory past the segment", {6, true, 3, 2, 1, 4000}, std::string::npos, 1},
      {"directory at the last byte", {6, false, 3, 2, 1, 37}, std::string::npos, 1},
      {"entries run past the segment", {6, true, 3, 3}, std::string::npos, 1},
      {"cut in the tag's entry", {6, false}, 6 + 8 + 2 + 12 + 6, 1},
      {"cut in the byte-order header", {6, true}, 9, 1},
      {"not Exif", {6, true}, 4, 0},
  };
  for (const Row& r : rows) EXPECT_EQ(of(r.exif, r.cut), r.expected) << r.what;
}

TEST(JpegOrientation, FirstExifSegmentTurnsTheHeaderSize) {
  Recipe r{24, 16};
  r.app1 = {std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 34), jpegtest::ExifSegment({6}),
            jpegtest::ExifSegment({3})};
  TJPEGData d = Load(jpegtest::Photo(r));
  EXPECT_EQ(d.orientation, 6);
  EXPECT_EQ(d.width, 16);
  EXPECT_EQ(d.height, 24);
  r.app1.erase(r.app1.begin() + 1);
  d = Load(jpegtest::Photo(r));
  EXPECT_EQ(d.orientation, 3);
  EXPECT_EQ(d.width, 24);
}
