// Icons as newer writers make them, and metafiles whose header overstates its
// records, drawn by the platform: 256 x 256 images (a directory byte of 0),
// PNG-compressed images, directories that disagree with the image's header.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <psapi.h>

#include "../fixtures/icon_tables.h"
#include "../fixtures/metafile_tables.h"
#include "../fixtures/png_bytes.h"
#include "image_view_host.h"
#include "pictures/icon.h"
#include "pictures/metafile.h"
#include "testutil.h"
#include "ui/errors.h"

namespace pix {
namespace {

using pixtest::IconFileOf;
using pixtest::RawOf;
using pixtest::RawPng;
using viewtest::kBackground;

const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

struct Canvas : pixtest::Canvas {
  Canvas(int w, int h) : pixtest::Canvas(w, h, kBackground) {}
};

std::string LoadError(TGraphic& g, const std::string& bytes) {
  TMemoryStream s(bytes.data(), bytes.size());
  try {
    g.LoadFromStream(s);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// What the first draw raised, or "".
std::string DrawError(TIcon& ic, Canvas& c) {
  try {
    ic.Draw(c.dc, RECT{0, 0, c.w, c.h});
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

pixtest::IconImage Solid(int size, uint32_t rgb) {
  pixtest::IconImage im = pixtest::Img(size, size, 24);
  im.colour = [rgb](int, int) { return rgb; };
  return im;
}

// A 256 x 256 bitmap image: red left half, blue right half, its top 8 rows masked.
pixtest::IconImage Halves256() {
  pixtest::IconImage im = pixtest::Img(256, 256, 24);
  im.colour = [](int x, int) { return x < 128 ? kRed : kBlue; };
  im.transparent = [](int, int y) { return y < 8; };
  return im;
}

// Each icon is drawn at its own size, its image chosen as for a 32 x 32 screen
// icon; probes name a pixel and the colour it must show.
TEST(IconPng, EachShowsItsImageAndReportsItsSize) {
  ASSERT_EQ(GetSystemMetrics(SM_CXICON), 32);
  const std::string png256 = pixtest::RgbaPng(256, 256, [](int, int) { return 0xFF000000u | kBlue; });
  // 16 x 16: red top half, bottom half fully transparent.
  const std::string png16 =
      pixtest::RgbaPng(16, 16, [](int, int y) { return y < 8 ? 0xFF000000u | kRed : 0u; });
  struct Probe {
    int x, y;
    uint32_t colour;
  };
  struct Case {
    const char* what;
    std::string bytes;
    int w, h;
    std::vector<Probe> probes;
  } cases[] = {
      {"one 256 x 256 bitmap image", pixtest::IconFile({Halves256()}), 256, 256,
       {{10, 100, kRed}, {250, 250, kBlue}, {100, 4, kBackground}, {256, 100, kBackground}}},
      {"16, 32, 48 bitmaps and a 256 PNG",
       IconFileOf({RawOf(Solid(16, kRed)), RawOf(Solid(32, kGreen)), RawOf(Solid(48, kRed)),
                   RawPng(256, 256, png256)}),
       32, 32, {{16, 16, kGreen}, {31, 31, kGreen}, {40, 40, kBackground}}},
      {"one 16 x 16 PNG image", IconFileOf({RawPng(16, 16, png16)}), 16, 16,
       {{8, 4, kRed}, {15, 7, kRed}, {8, 12, kBackground}, {20, 4, kBackground}}},
      {"one 256 PNG image", IconFileOf({RawPng(0, 0, png256)}), 256, 256,
       {{128, 128, kBlue}, {255, 255, kBlue}, {256, 10, kBackground}}},
  };
  for (const Case& k : cases) {
    TIcon ic;
    ASSERT_EQ(LoadError(ic, k.bytes), "") << k.what;
    EXPECT_EQ(ic.Width(), 32) << k.what;  // the standard size until the first draw
    Canvas c(300, 300);
    ASSERT_EQ(DrawError(ic, c), "") << k.what;
    EXPECT_EQ(ic.Width(), k.w) << k.what;
    EXPECT_EQ(ic.Height(), k.h) << k.what;
    for (const Probe& p : k.probes)
      EXPECT_EQ(c.At(p.x, p.y), p.colour) << k.what << " at " << p.x << "," << p.y;
  }
}

// The header's size, the image drawn from its own rows.
TEST(IconPng, DirectoryDisagreeingWithTheHeaderDrawsByTheHeader) {
  for (const pixtest::DisagreeingRow& r : pixtest::DisagreeingIconImages()) {
    TIcon ic;
    ASSERT_EQ(LoadError(ic, r.bytes), "") << r.what;
    Canvas c(64, 64);
    ASSERT_EQ(DrawError(ic, c), "") << r.what;
    EXPECT_EQ(ic.Width(), r.width) << r.what;
    EXPECT_EQ(ic.Height(), r.height) << r.what;
    EXPECT_EQ(c.At(r.width, r.height / 2), kBackground) << r.what;  // nothing past its width
    EXPECT_NE(c.At(r.width / 2, r.height / 2), kBackground) << r.what;
  }
}

SIZE_T PeakPrivateBytes() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.PeakPagefileUsage;
}

// Refused before the platform decodes it: the process's peak stays where it was.
TEST(IconPng, HugeDeclaredSizeIsRefusedWithNothingAllocated) {
  std::string bytes = IconFileOf({RawPng(0, 0, pixtest::PngOf(65535, 65535, 6, 8,
                                                              pixtest::ZlibZeros(1 << 20)))});
  TIcon ic;
  ASSERT_EQ(LoadError(ic, bytes), "");
  Canvas c(40, 40);
  SIZE_T before = PeakPrivateBytes();
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(DrawError(ic, c), "Icon image is not valid");
    EXPECT_FALSE(ic.HandleAllocated());
  }
  EXPECT_LT(PeakPrivateBytes() - before, SIZE_T(4) << 20);
  EXPECT_EQ(c.At(10, 10), kBackground);
}

// PNGs whose header is sound but whose pixels the platform can't read: the
// icon error, never a crash; a sound one among them draws.
TEST(IconPng, PlatformRefusalIsTheIconError) {
  for (const pixtest::IconRow& r : pixtest::PlatformPngIcons()) {
    TIcon ic;
    ASSERT_EQ(LoadError(ic, r.bytes), "") << r.what;
    Canvas c(40, 40);
    std::string error = DrawError(ic, c);
    EXPECT_TRUE(error.empty() || error == "Icon image is not valid") << r.what << ": " << error;
    EXPECT_EQ(ic.HandleAllocated(), error.empty()) << r.what;
  }
  TIcon bad;
  std::string cut = pixtest::RgbaPng(16, 16, [](int, int) { return 0xFF000000u; });
  ASSERT_EQ(LoadError(bad, IconFileOf({RawPng(16, 16, cut.substr(0, 33))})), "");
  Canvas c(40, 40);
  EXPECT_EQ(DrawError(bad, c), "Icon image is not valid");
}

int LogPixelsY() {
  HDC dc = GetDC(nullptr);
  int v = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return v;
}

// Windows metafile records of a red left and a blue right half over a 1440 x
// 720 window, recorded here.
std::string RecordedHalves() {
  HDC rec = CreateMetaFileA(nullptr);
  SetMapMode(rec, MM_ANISOTROPIC);
  SetWindowOrgEx(rec, 0, 0, nullptr);
  SetWindowExtEx(rec, 1440, 720, nullptr);
  RECT left{0, 0, 720, 720}, right{720, 0, 1440, 720};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(rec, &left, red);
  FillRect(rec, &right, blue);
  DeleteObject(red);
  DeleteObject(blue);
  HMETAFILE wmf = CloseMetaFile(rec);
  std::string bytes(GetMetaFileBitsEx(wmf, 0, nullptr), '\0');
  GetMetaFileBitsEx(wmf, static_cast<UINT>(bytes.size()), bytes.data());
  DeleteMetaFile(wmf);
  return bytes;
}

class NewerFilesView : public viewtest::HostedView {};

// The header claims 11 words more than the records and a largest record of
// 2 words: the records are played, the size is the placeable header's.
TEST_F(NewerFilesView, PlaceableMetafileWithAnOverstatedSize) {
  std::string records = RecordedHalves();
  pixtest::Put32(records, 6, static_cast<uint32_t>(records.size() / 2 + 11));
  pixtest::Put32(records, 12, 2);
  pixtest::TempDir dir;
  dir.Write("overstated.wmf", pixtest::PlaceableHeader(0, 0, 1440, 720, 1440) + records);
  view.SetStretch(true);
  LoadPictureFile(view.Picture(), dir.File("overstated.wmf"));
  EXPECT_EQ(view.Picture().Width(), LogPixelsY());
  EXPECT_EQ(view.Picture().Height(), MulDiv(1270, LogPixelsY(), 2540));
  ASSERT_TRUE(pixtest::WaitFor([&] {
    auto c = pixtest::CaptureClient(host.Handle());
    return c.At(5, 250) == kRed;
  }));
  auto c = pixtest::CaptureClient(host.Handle());
  EXPECT_EQ(c.At(245, 5), kRed);
  EXPECT_EQ(c.At(255, 494), kBlue);
  EXPECT_EQ(c.At(494, 250), kBlue);
}

// Pattern fills recorded as copies whose bitmap offsets point at the record's
// end with no sizes: played as fills, the rest of the picture around them.
TEST(NewerMetafiles, CopyWithoutABitmapSizeIsAFill) {
  using pixtest::EmfRecord;
  using pixtest::Le;
  for (uint32_t type : {kEmrBitBlt, kEmrStretchBlt}) {
    uint32_t fixed = type == kEmrBitBlt ? 100 : 108;
    std::string copy = pixtest::CopyRecord(type, fixed, fixed, 0);
    pixtest::Put32(copy, 24, 0);      // x
    pixtest::Put32(copy, 28, 50);     // y
    pixtest::Put32(copy, 32, 50);     // width
    pixtest::Put32(copy, 36, 50);     // height
    pixtest::Put32(copy, 40, 0x42);   // blackness
    std::string bytes =
        pixtest::EmfFile(EmfRecord(kEmrCreateBrushIndirect, Le({1, 0, 0x0000FF, 0})) +
                             EmfRecord(kEmrSelectObject, Le({1})) + copy +
                             EmfRecord(kEmrRectangle, Le({50, 0, 100, 50})),
                         pixtest::EmfEof(), pixtest::EmfHeader(3125, 3125));
    TMetafile mf;
    ASSERT_EQ(LoadError(mf, bytes), "") << type;
    Canvas c(100, 100);
    mf.Draw(c.dc, RECT{0, 0, 100, 100});
    EXPECT_EQ(c.At(25, 75), 0u) << type;
    EXPECT_EQ(c.At(75, 25), kRed) << type;
    EXPECT_EQ(c.At(75, 75), kBackground) << type;
  }
}

}  // namespace
}  // namespace pix
