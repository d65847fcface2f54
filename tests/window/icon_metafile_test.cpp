// Icons and metafiles on the real platform: what loading accepts, which image an
// icon draws and where, what shows through its mask, and metafiles recorded
// with GDI itself played into a view.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "../fixtures/icon_bytes.h"
#include "../fixtures/metafile_tables.h"
#include "image_view_host.h"
#include "pictures/icon.h"
#include "pictures/metafile.h"
#include "testutil.h"
#include "ui/errors.h"

namespace pix {
namespace {

using pixtest::CaptureClient;
using pixtest::IconFile;
using pixtest::IconImage;
using pixtest::Img;
using pixtest::Le;
using pixtest::Le16;
using pixtest::PlaceableHeader;
using pixtest::Pump;
using pixtest::Settle;
using viewtest::kBackground;

// What a load raised, or "" when it succeeded.
std::string LoadError(TGraphic& g, const std::string& bytes) {
  TMemoryStream s(bytes.data(), bytes.size());
  try {
    g.LoadFromStream(s);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// A picture drawn on its own into a w x h surface filled with kBackground.
struct Canvas : pixtest::Canvas {
  Canvas(int w, int h) : pixtest::Canvas(w, h, kBackground) {}
};

// An image of one colour whose left `clear` columns let the background through.
IconImage Solid(int w, int h, int bits, uint32_t rgb, int clear = 0, uint16_t colours = 0) {
  IconImage im = Img(w, h, bits, colours);
  if (bits <= 8) {
    im.palette = {0x000000, rgb};
    im.colour = [](int, int) { return 1u; };
  } else {
    im.colour = [rgb](int, int) { return rgb; };
  }
  im.transparent = [clear](int x, int) { return x < clear; };
  return im;
}

TEST(IconLoad, HeaderIsAllThatLoadingTests) {
  TIcon ic;
  EXPECT_EQ(LoadError(ic, std::string("\0\0\1\0\1", 5)), "Stream read error");
  EXPECT_EQ(LoadError(ic, IconFile({Solid(32, 32, 24, 0xFF0000)}, 2)), "Icon image is not valid");
  EXPECT_EQ(LoadError(ic, IconFile({Solid(32, 32, 24, 0xFF0000)}, 0xFFFF)), "Icon image is not valid");
  EXPECT_TRUE(ic.Empty());
  // A bad directory still loads: it surfaces at the first draw.
  EXPECT_EQ(LoadError(ic, std::string("\0\0\1\0\0\0", 6)), "");
  EXPECT_FALSE(ic.Empty());
  EXPECT_TRUE(ic.Transparent());
  ic.SetTransparent(false);
  EXPECT_TRUE(ic.Transparent());
}

TEST(IconLoad, ReportsTheStandardSizeUntilFirstDrawn) {
  TIcon ic;
  int changes = 0;
  ic.OnChange = [&] { ++changes; };
  ASSERT_EQ(LoadError(ic, IconFile({Solid(16, 16, 24, 0xFF0000)})), "");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(ic.Width(), GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(ic.Height(), GetSystemMetrics(SM_CYICON));
  EXPECT_FALSE(ic.HandleAllocated());
  Canvas c(64, 64);
  ic.Draw(c.dc, RECT{0, 0, 64, 64});
  EXPECT_TRUE(ic.HandleAllocated());
  EXPECT_EQ(ic.Width(), 16);
  EXPECT_EQ(ic.Height(), 16);
}

// Each image has its own colour; the drawn colour tells which was chosen.
TEST(IconDraw, ChoosesTheImageForTheStandardSize) {
  ASSERT_EQ(GetSystemMetrics(SM_CXICON), 32);
  const uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
  struct Case {
    std::vector<IconImage> images;
    int size;
    uint32_t colour;
  } cases[] = {
      {{Solid(16, 16, 24, red), Solid(32, 32, 24, green), Solid(48, 48, 24, blue)}, 32, green},
      {{Solid(48, 48, 24, blue), Solid(16, 16, 24, red)}, 16, red},
      {{Solid(16, 16, 24, red), Solid(48, 48, 24, blue)}, 16, red},
      {{Solid(32, 32, 4, red, 0, 16), Solid(32, 32, 8, green, 0, 256), Solid(32, 32, 1, blue, 0, 2)}, 32, green},
  };
  for (const Case& k : cases) {
    TIcon ic;
    ASSERT_EQ(LoadError(ic, IconFile(k.images)), "");
    Canvas c(64, 64);
    ic.Draw(c.dc, RECT{0, 0, 64, 64});
    EXPECT_EQ(ic.Width(), k.size);
    EXPECT_EQ(c.At(k.size / 2, k.size / 2), k.colour) << k.size;
    EXPECT_EQ(c.At(k.size, k.size / 2), kBackground);  // drawn unscaled
  }
}

TEST(IconDraw, EveryDepthDrawsItsColourAndMask) {
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    TIcon ic;
    ASSERT_EQ(LoadError(ic, IconFile({Solid(32, 32, bits, 0x0000FF, 8)})), "");
    Canvas c(40, 40);
    ic.Draw(c.dc, RECT{4, 4, 40, 40});
    EXPECT_EQ(c.At(4 + 4, 20), kBackground) << bits;  // masked column
    EXPECT_EQ(c.At(4 + 20, 20), 0x0000FFu) << bits;
    EXPECT_EQ(c.At(3, 20), kBackground) << bits;  // at the rectangle's top-left
  }
}

TEST(IconDraw, TypeZeroIsTheStandardApplicationIcon) {
  TIcon ic;
  ASSERT_EQ(LoadError(ic, std::string("\0\0\0\0\0\0", 6)), "");
  Canvas a(32, 32), b(32, 32);
  ic.Draw(a.dc, RECT{0, 0, 32, 32});
  DrawIconEx(b.dc, 0, 0, LoadIconA(nullptr, IDI_APPLICATION), 0, 0, 0, nullptr, DI_NORMAL);
  int differ = 0, shown = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      differ += a.At(x, y) != b.At(x, y);
      shown += a.At(x, y) != kBackground;
    }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(shown, 50);
  EXPECT_EQ(ic.Width(), GetSystemMetrics(SM_CXICON));  // its size stays unset
}

TEST(IconDraw, BrokenImagesFailAtDrawAndTryAgain) {
  using pixtest::EntryAt;
  using pixtest::Put32;
  std::string png = IconFile({Solid(32, 32, 32, 0xFF0000)});
  png.replace(22, 8, "\x89PNG\r\n\x1a\n");
  std::string past = IconFile({Solid(32, 32, 24, 0xFF0000)});
  Put32(past, EntryAt(0) + 12, 0xFFFFFFF0u);
  std::string count = IconFile({Solid(32, 32, 24, 0xFF0000)});
  pixtest::Put16(count, 4, 400);  // a directory running past the file
  std::string height = IconFile({Solid(32, 32, 24, 0xFF0000)});
  Put32(height, 22 + 8, 1);  // not even one row
  for (const std::string* bytes : {&png, &past, &count, &height}) {
    TIcon ic;
    ASSERT_EQ(LoadError(ic, *bytes), "");
    Canvas c(40, 40);
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        ic.Draw(c.dc, RECT{0, 0, 40, 40});
        ADD_FAILURE() << "drawn";
      } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Icon image is not valid");
      }
      EXPECT_FALSE(ic.HandleAllocated());
    }
    EXPECT_EQ(c.At(10, 10), kBackground);
  }
  // A PNG entry beside a bitmap one: the bitmap one is drawn.
  std::string mixed = IconFile({Solid(32, 32, 32, 0xFF0000), Solid(16, 16, 24, 0x00FF00)});
  mixed.replace(6 + 32, 8, "\x89PNG\r\n\x1a\n");
  TIcon ic;
  ASSERT_EQ(LoadError(ic, mixed), "");
  Canvas c(40, 40);
  ic.Draw(c.dc, RECT{0, 0, 40, 40});
  EXPECT_EQ(ic.Width(), 16);
  EXPECT_EQ(c.At(8, 8), 0x00FF00u);
}

TEST(IconDraw, CloneDrawsTheSameImage) {
  TIcon ic;
  ASSERT_EQ(LoadError(ic, IconFile({Solid(16, 16, 24, 0x123456, 4)})), "");
  Canvas a(20, 20);
  ic.Draw(a.dc, RECT{0, 0, 20, 20});
  std::unique_ptr<TGraphic> copy = ic.Clone();
  EXPECT_EQ(&copy->Kind(), &TIconKind);
  EXPECT_EQ(copy->Width(), 16);
  Canvas b(20, 20);
  copy->Draw(b.dc, RECT{0, 0, 20, 20});
  EXPECT_EQ(b.At(8, 8), 0x123456u);
  EXPECT_EQ(b.At(1, 8), kBackground);
}

class ViewHost : public viewtest::HostedView {};

// The 16 x 16 image's first paint is placed for the standard 32 x 32, the next
// one for its own size; what the mask leaves shows the host's background.
TEST_F(ViewHost, IconFirstPaintAtStandardSizeThenItsOwn) {
  ASSERT_EQ(GetSystemMetrics(SM_CXICON), 32);
  auto ic = std::make_unique<TIcon>();
  ASSERT_EQ(LoadError(*ic, IconFile({Solid(16, 16, 24, 0x00FF00, 8)})), "");
  view.Picture().SetGraphic(std::move(ic));
  Settle();
  EXPECT_FALSE(view.Opaque());
  auto c = CaptureClient(host.Handle());
  EXPECT_EQ(c.At(234 + 12, 234 + 8), 0x00FF00u);
  EXPECT_EQ(c.At(234 + 4, 234 + 8), kBackground);  // the masked half
  EXPECT_EQ(c.At(234 + 20, 234 + 8), kBackground);  // nothing past 16
  InvalidateRect(host.Handle(), nullptr, TRUE);
  Settle();
  c = CaptureClient(host.Handle());
  EXPECT_EQ(c.At(242 + 12, 242 + 8), 0x00FF00u);
  EXPECT_EQ(c.At(242 + 4, 242 + 8), kBackground);
  EXPECT_EQ(c.At(241, 250), kBackground);
}

TEST_F(ViewHost, IconIsNeverScaledByTheView) {
  auto ic = std::make_unique<TIcon>();
  ASSERT_EQ(LoadError(*ic, IconFile({Solid(32, 32, 24, 0xFF0000)})), "");
  view.SetBounds({0, 0, 157, 145});
  view.SetStretch(true);
  view.SetProportional(true);
  view.Picture().SetGraphic(std::move(ic));
  Settle();
  EXPECT_EQ(view.DestRect(), (TRect{6, 0, 151, 145}));
  auto c = CaptureClient(host.Handle());
  EXPECT_EQ(c.At(6, 0), 0xFF0000u);
  EXPECT_EQ(c.At(37, 31), 0xFF0000u);
  EXPECT_EQ(c.At(38, 31), kBackground);
  EXPECT_EQ(c.At(37, 32), kBackground);
}

// Bytes of an enhanced metafile recorded here: a red square left of a blue one,
// 100 x 100 device units each.
std::string RecordedEnhanced() {
  HDC rec = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  RECT left{0, 0, 100, 100}, right{100, 0, 200, 100};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(rec, &left, red);
  FillRect(rec, &right, blue);
  DeleteObject(red);
  DeleteObject(blue);
  HENHMETAFILE emf = CloseEnhMetaFile(rec);
  std::string bytes(GetEnhMetaFileBits(emf, 0, nullptr), '\0');
  GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
  DeleteEnhMetaFile(emf);
  return bytes;
}

// Windows metafile records recorded here over a 1440 x 720 window: red left
// half, blue right half; `extra` goes in before the end record.
std::string RecordedWindows(const std::string& extra = "") {
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
  if (!extra.empty()) {
    bytes.insert(bytes.size() - 6, extra);
    pixtest::Put32(bytes, 6, static_cast<uint32_t>(bytes.size() / 2));
    // The header's largest record, should the new one be larger.
    uint32_t words = uint8_t(extra[0]) | uint8_t(extra[1]) << 8 | uint8_t(extra[2]) << 16;
    uint32_t largest = uint8_t(bytes[12]) | uint8_t(bytes[13]) << 8 | uint8_t(bytes[14]) << 16;
    if (words > largest) pixtest::Put32(bytes, 12, words);
  }
  return bytes;
}

int LogPixelsY() {
  HDC dc = GetDC(nullptr);
  int v = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return v;
}

TEST(MetafileLoad, PlaceableSizesByUnitsPerInch) {
  TMetafile mf;
  int changes = 0;
  mf.OnChange = [&] { ++changes; };
  ASSERT_EQ(LoadError(mf, PlaceableHeader(0, 0, 1440, 720, 1440) + RecordedWindows()), "");
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(mf.Enhanced());
  EXPECT_EQ(mf.Inch(), 1440);
  EXPECT_EQ(mf.MMWidth(), 2540);
  EXPECT_EQ(mf.MMHeight(), 1270);
  EXPECT_EQ(mf.Width(), LogPixelsY());  // one inch wide
  EXPECT_EQ(mf.Height(), MulDiv(1270, LogPixelsY(), 2540));
  EXPECT_TRUE(mf.Transparent());

  // 0 units per inch: 96 for the size, the converted metafile's reference
  // device for the pixels.
  TMetafile zero;
  ASSERT_EQ(LoadError(zero, PlaceableHeader(0, 0, 96, 48, 0) + RecordedWindows()), "");
  EXPECT_EQ(zero.Inch(), 0);
  EXPECT_EQ(zero.MMWidth(), 2540);
  ENHMETAHEADER h{};
  ASSERT_TRUE(GetEnhMetaFileHeader(zero.Handle(), sizeof h, &h));
  EXPECT_EQ(zero.Width(), MulDiv(2540, h.szlDevice.cx, h.szlMillimeters.cx * 100));
  EXPECT_EQ(zero.Height(), MulDiv(1270, h.szlDevice.cy, h.szlMillimeters.cy * 100));
}

TEST(MetafileLoad, EnhancedSizeFromFrameAndReferenceDevice) {
  std::string bytes = RecordedEnhanced();
  TMetafile mf;
  ASSERT_EQ(LoadError(mf, bytes), "");
  EXPECT_TRUE(mf.Enhanced());
  EXPECT_EQ(mf.Inch(), 0);
  ENHMETAHEADER h{};
  ASSERT_TRUE(GetEnhMetaFileHeader(mf.Handle(), sizeof h, &h));
  EXPECT_EQ(mf.MMWidth(), h.rclFrame.right - h.rclFrame.left);
  EXPECT_EQ(mf.Width(), MulDiv(mf.MMWidth(), h.szlDevice.cx, h.szlMillimeters.cx * 100));
  EXPECT_NEAR(mf.Width(), 200, 2);
  EXPECT_NEAR(mf.Height(), 100, 2);
  // Bytes after the recorded total are ignored.
  TMetafile more;
  EXPECT_EQ(LoadError(more, bytes + std::string(50, 'x')), "");
  EXPECT_EQ(more.Width(), mf.Width());
}

TEST(MetafileLoad, ContentDecidesNotTheName) {
  pixtest::TempDir dir;
  dir.Write("enhanced.wmf", RecordedEnhanced());
  dir.Write("placeable.emf", PlaceableHeader(0, 0, 1440, 720, 1440) + RecordedWindows());
  TPicture holder;
  LoadPictureFile(holder, dir.File("enhanced.wmf"));
  auto* mf = dynamic_cast<TMetafile*>(holder.Graphic());
  ASSERT_NE(mf, nullptr);
  EXPECT_TRUE(mf->Enhanced());
  LoadPictureFile(holder, dir.File("placeable.emf"));
  mf = dynamic_cast<TMetafile*>(holder.Graphic());
  ASSERT_NE(mf, nullptr);
  EXPECT_FALSE(mf->Enhanced());
  EXPECT_EQ(mf->MMWidth(), 2540);
}

TEST(MetafileLoad, BrokenFilesAreRefused) {
  using pixtest::Put32;
  const std::string emf = RecordedEnhanced();
  const std::string wmf = RecordedWindows();
  const std::string head = PlaceableHeader(0, 0, 1440, 720, 1440);
  std::string zeroSize = emf;
  Put32(zeroSize, 108 + 4, 0);  // the record after the header
  std::string oddSize = emf;
  Put32(oddSize, 108 + 4, 22);
  std::string huge = emf;
  Put32(huge, 48, 0x7FFFFFF0);
  std::string noEof = emf.substr(0, emf.size() - 20);
  Put32(noEof, 48, static_cast<uint32_t>(noEof.size()));
  std::string wmfZero = head + wmf;
  Put32(wmfZero, 22 + 18, 0);
  std::string wmfNoEnd = head + wmf.substr(0, wmf.size() - 6);
  std::string badSum = head + wmf;
  badSum[20] ^= 1;
  struct Case { const char* what; std::string bytes; const char* error; } cases[] = {
      {"no placeable header", wmf, "Metafile is not valid"},
      {"wrong checksum", badSum, "Metafile is not valid"},
      {"100 bytes of an enhanced file", emf.substr(0, 100), "Metafile is not valid"},
      {"empty", "", "Metafile is not valid"},
      {"enhanced, cut short", emf.substr(0, emf.size() - 8), "Stream read error"},
      {"enhanced, total of 2 GB", huge, "Stream read error"},
      {"enhanced record of size 0", zeroSize, "Metafile is not valid"},
      {"enhanced record size not a multiple of 4", oddSize, "Metafile is not valid"},
      {"enhanced without an end record", noEof, "Metafile is not valid"},
      {"windows record of size 0", wmfZero, "Metafile is not valid"},
      {"windows without an end record", wmfNoEnd, "Metafile is not valid"},
  };
  for (const Case& c : cases) {
    TMetafile mf;
    EXPECT_EQ(LoadError(mf, c.bytes), c.error) << c.what;
    EXPECT_TRUE(mf.Empty()) << c.what;
  }
}

TEST(MetafileLoad, AbortProcEscapeLoadsAndDrawsHarmlessly) {
  std::string esc;
  pixtest::Add32(esc, 7);
  pixtest::Add16(esc, 0x0626);  // META_ESCAPE
  pixtest::Add16(esc, SETABORTPROC);
  pixtest::Add16(esc, 4);
  pixtest::Add32(esc, 0x00000010);  // no code lives there
  TMetafile mf;
  ASSERT_EQ(LoadError(mf, PlaceableHeader(0, 0, 1440, 720, 1440) + RecordedWindows(esc)), "");
  Canvas c(200, 100);
  mf.Draw(c.dc, RECT{0, 0, 200, 100});
  EXPECT_EQ(c.At(50, 50), 0xFF0000u);
}

// Bitmap records whose colour table and pixels are missing: the platform's
// conversion would read them from beyond the record (under Wine it corrupts
// the heap), so the file is refused first.
TEST(MetafileLoad, BitmapRecordsCutShortAreRefused) {
  std::string dib = Le({40, 4, 4}) + Le16({1, 8}) + Le({0, 0, 0, 0, 0, 0});  // 8-bit, no table
  std::string params = Le16({0, 4, 0, 0, 0, 4, 4, 0, 0}) + dib;  // bits to device, 4 scan lines
  std::string rec = Le({static_cast<uint32_t>((6 + params.size()) / 2)}) + Le16({0x0d33}) + params;
  TMetafile mf;
  EXPECT_EQ(LoadError(mf, PlaceableHeader(0, 0, 1440, 720, 1440) + RecordedWindows(rec)),
            "Metafile is not valid");
  // The same record whole loads.
  std::string whole = Le({40, 4, 4}) + Le16({1, 8}) + Le({0, 0, 0, 0, 0, 0}) +
                      std::string(1024 + 16, '\0');
  params = Le16({0, 4, 0, 0, 0, 4, 4, 0, 0}) + whole;
  rec = Le({static_cast<uint32_t>((6 + params.size()) / 2)}) + Le16({0x0d33}) + params;
  EXPECT_EQ(LoadError(mf, PlaceableHeader(0, 0, 1440, 720, 1440) + RecordedWindows(rec)), "");
  // ... and so does a 4-bit one, whose 16 colours are likewise implied.
  whole = Le({40, 4, 4}) + Le16({1, 4}) + Le({0, 0, 0, 0, 0, 0}) + std::string(64 + 16, '\0');
  params = Le16({0, 4, 0, 0, 0, 4, 4, 0, 0}) + whole;
  rec = Le({static_cast<uint32_t>((6 + params.size()) / 2)}) + Le16({0x0d33}) + params;
  EXPECT_EQ(LoadError(mf, PlaceableHeader(0, 0, 1440, 720, 1440) + RecordedWindows(rec)), "");
}

TEST_F(ViewHost, MetafileShapesWhereTheyBelong) {
  view.SetStretch(true);
  struct Case { const char* what; std::string bytes; } cases[] = {
      {"enhanced", RecordedEnhanced()},
      {"placeable", PlaceableHeader(0, 0, 1440, 720, 1440) + RecordedWindows()},
  };
  for (const Case& k : cases) {
    auto mf = std::make_unique<TMetafile>();
    ASSERT_EQ(LoadError(*mf, k.bytes), "") << k.what;
    view.Picture().SetGraphic(std::move(mf));
    Settle();
    EXPECT_FALSE(view.Opaque());
    auto c = CaptureClient(host.Handle());
    EXPECT_EQ(c.At(5, 250), 0xFF0000u) << k.what;
    EXPECT_EQ(c.At(245, 5), 0xFF0000u) << k.what;
    EXPECT_EQ(c.At(255, 494), 0x0000FFu) << k.what;
    EXPECT_EQ(c.At(494, 250), 0x0000FFu) << k.what;
  }
  // A copy plays the same.
  std::unique_ptr<TGraphic> copy = view.Picture().Graphic()->Clone();
  EXPECT_EQ(copy->Width(), view.Picture().Width());
  Canvas c(100, 50);
  copy->Draw(c.dc, RECT{0, 0, 100, 50});
  EXPECT_EQ(c.At(20, 25), 0xFF0000u);
  EXPECT_EQ(c.At(80, 25), 0x0000FFu);
}

// The player's rectangle includes its right and bottom edges, so the one taken
// off each keeps the picture inside the placement rectangle.
TEST(MetafileDraw, StaysInsideTheRectangle) {
  TMetafile mf;
  ASSERT_EQ(LoadError(mf, RecordedEnhanced()), "");
  Canvas c(120, 60);
  mf.Draw(c.dc, RECT{10, 5, 110, 55});
  EXPECT_EQ(c.At(10, 30), 0xFF0000u);
  EXPECT_EQ(c.At(109, 30), 0x0000FFu);
  EXPECT_EQ(c.At(110, 30), kBackground);
  EXPECT_EQ(c.At(100, 50), 0x0000FFu);
  EXPECT_EQ(c.At(100, 55), kBackground);
  EXPECT_EQ(c.At(9, 30), kBackground);
}

// Draws one of nearly everything the players read by counts, offsets and object
// indices, so the checks are seen to pass what GDI itself records.
void DrawEverything(HDC dc) {
  POINT pts[4] = {{1, 1}, {50, 5}, {30, 40}, {5, 30}};
  Polyline(dc, pts, 4);
  Polygon(dc, pts, 3);
  PolyBezier(dc, pts, 4);
  INT counts[2] = {2, 2};
  PolyPolygon(dc, pts, counts, 2);
  DWORD lineCounts[2] = {2, 2};
  PolyPolyline(dc, pts, lineCounts, 2);
  BYTE types[3] = {PT_MOVETO, PT_LINETO, PT_LINETO};
  PolyDraw(dc, pts, types, 3);
  TextOutA(dc, 5, 5, "Pixlumen", 8);
  INT dx[3] = {7, 7, 7};
  RECT box{0, 0, 60, 20};
  ExtTextOutW(dc, 5, 25, ETO_CLIPPED | ETO_OPAQUE, &box, L"abc", 3, dx);
  HPEN pen = CreatePen(PS_DASH, 1, RGB(0, 128, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  LOGBRUSH lb{BS_SOLID, RGB(10, 20, 30), 0};
  DWORD style[2] = {3, 2};
  HPEN ext = ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE, 2, &lb, 2, style);
  SelectObject(dc, ext);
  MoveToEx(dc, 0, 60, nullptr);
  LineTo(dc, 60, 60);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  DeleteObject(ext);
  struct {
    WORD version, entries;
    PALETTEENTRY e[2];
  } lp{0x300, 2, {{255, 0, 0, 0}, {0, 0, 255, 0}}};
  HPALETTE pal = CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp));
  HPALETTE oldPal = SelectPalette(dc, pal, FALSE);
  RealizePalette(dc);
  SelectPalette(dc, oldPal, FALSE);
  DeleteObject(pal);
  // Bitmaps through several calls.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD c[2];
  } bi{};
  // The image size given: Wine's recorder stores no pixels without it.
  bi.h = {sizeof(BITMAPINFOHEADER), 4, 4, 1, 24, BI_RGB, 48, 0, 0, 0, 0};
  BYTE pix[48];
  for (int i = 0; i < 48; ++i) pix[i] = static_cast<BYTE>(i * 5);
  StretchDIBits(dc, 60, 0, 8, 8, 0, 0, 4, 4, pix, reinterpret_cast<BITMAPINFO*>(&bi),
                DIB_RGB_COLORS, SRCCOPY);
  SetDIBitsToDevice(dc, 70, 0, 4, 4, 0, 0, 0, 4, pix, reinterpret_cast<BITMAPINFO*>(&bi),
                    DIB_RGB_COLORS);
  HBRUSH pattern = CreateDIBPatternBrushPt(&bi, DIB_RGB_COLORS);
  HGDIOBJ oldBrush = SelectObject(dc, pattern);
  Rectangle(dc, 0, 70, 30, 90);
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 8, 8);
  ReleaseDC(nullptr, screen);
  HGDIOBJ oldBmp = SelectObject(mem, bmp);
  PatBlt(mem, 0, 0, 8, 8, WHITENESS);
  BitBlt(dc, 80, 0, 8, 8, mem, 0, 0, SRCCOPY);
  StretchBlt(dc, 90, 0, 16, 16, mem, 0, 0, 8, 8, SRCCOPY);
  SelectObject(mem, oldBmp);
  DeleteObject(bmp);
  DeleteDC(mem);
  // Regions.
  HRGN rgn = CreateRectRgn(0, 0, 40, 40);
  HRGN round = CreateEllipticRgn(10, 10, 50, 50);
  FillRgn(dc, round, pattern);
  FrameRgn(dc, round, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
  InvertRgn(dc, rgn);
  PaintRgn(dc, rgn);
  SelectClipRgn(dc, round);
  SelectClipRgn(dc, nullptr);
  SelectObject(dc, oldBrush);
  DeleteObject(pattern);
  DeleteObject(rgn);
  DeleteObject(round);
}

TEST(MetafileLoad, EverydayRecordsPassTheChecks) {
  HDC rec = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  DrawEverything(rec);
  HENHMETAFILE emf = CloseEnhMetaFile(rec);
  std::string bytes(GetEnhMetaFileBits(emf, 0, nullptr), '\0');
  GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
  DeleteEnhMetaFile(emf);
  TMetafile enhanced;
  EXPECT_EQ(LoadError(enhanced, bytes), "");

  HDC wrec = CreateMetaFileA(nullptr);
  SetMapMode(wrec, MM_ANISOTROPIC);
  SetWindowExtEx(wrec, 120, 100, nullptr);
  DrawEverything(wrec);
  HMETAFILE wmf = CloseMetaFile(wrec);
  std::string records(GetMetaFileBitsEx(wmf, 0, nullptr), '\0');
  GetMetaFileBitsEx(wmf, static_cast<UINT>(records.size()), records.data());
  DeleteMetaFile(wmf);
  TMetafile windows;
  EXPECT_EQ(LoadError(windows, PlaceableHeader(0, 0, 120, 100, 96) + records), "");
  Canvas c(120, 100);
  windows.Draw(c.dc, RECT{0, 0, 120, 100});
  enhanced.Draw(c.dc, RECT{0, 0, 120, 100});
  EXPECT_NE(c.At(10, 10), kBackground);
}

// Records Wine's player would read beyond, played in its stead: a stretch
// without a bitmap is its raster operation over the destination, or nothing
// when that reads the missing source; a stock brush paints its region; a
// source past its bitmap copies only what is inside.
TEST(MetafileDraw, StandInsForRecordsWineWouldReadBeyond) {
  using pixtest::EmfRecord;
  using pixtest::Le;
  using pixtest::Zeros;
  const uint32_t red = 0xFF0000, black = 0;
  // 100 x 100 logical units: a red brush, `rec` over the bottom left quarter,
  // then a red square top right.
  auto emf = [](const std::string& rec) {
    return pixtest::EmfFile(EmfRecord(kEmrCreateBrushIndirect, Le({1, 0, 0x0000FF, 0})) +
                                EmfRecord(kEmrSelectObject, Le({1})) + rec +
                                EmfRecord(kEmrRectangle, Le({50, 0, 100, 50})),
                            pixtest::EmfEof(), pixtest::EmfHeader(3125, 3125));
  };
  auto stretch = [](uint32_t rop) {
    return EmfRecord(kEmrStretchDIBits, Zeros(16) + Le({0, 50}) + Zeros(36) + Le({rop, 50, 50}));
  };
  std::string quarter = Le({32, 1, 1, 16, 0, 50, 50, 100, 0, 50, 50, 100});
  // A 2 x 2 bitmap, bottom row green, top row blue, its source a row below and
  // two columns right of it stretched over the bottom half: the green row is
  // left, over the top left of that half.
  std::string rows("\0\xFF\0\0\xFF\0\0\0\xFF\0\0\xFF\0\0\0\0", 16);
  std::string past = emf(pixtest::StretchFrom({0, -1, 4, 2, 0, 50, 100, 50}, 2, rows));
  // The same over the top left quarter of a Windows metafile's.
  std::string wmfPast = PlaceableHeader(0, 0, 1440, 720, 1440) +
      RecordedWindows(pixtest::WmfRecord(kMetaStretchDib, Le({0xCC0020}) + pixtest::Le16({0, 2, 4, 0xFFFF, 0, 360, 720, 0, 0}) + pixtest::Bmi() + rows));
  // Windows records after the red and blue halves, over the top left quarter.
  auto dibStretch = [](uint32_t rop) {
    std::string coords = pixtest::Le16({0, 0, 0, 0, 0, 360, 720, 0, 0});
    return PlaceableHeader(0, 0, 1440, 720, 1440) +
           RecordedWindows(pixtest::WmfRecord(kMetaDibStretchBlt, Le({rop}) + coords));
  };
  struct Case { const char* what; std::string bytes; int x, y; uint32_t colour; } cases[] = {
      {"stretch bits without a bitmap, blackness", emf(stretch(0x42)), 25, 75, black},
      {"stretch bits without the source it copies", emf(stretch(0xCC0020)), 25, 75, kBackground},
      {"fill region with a stock brush",
       emf(EmfRecord(kEmrFillRgn, Zeros(16) + Le({48, 0x80000004u}) + quarter)), 25, 75, black},
      {"stretch past its bitmap, what is inside", past, 25, 60, 0x00FF00},
      {"stretch past its bitmap, cut on the right", past, 75, 60, kBackground},
      {"stretch past its bitmap, cut below", past, 25, 90, kBackground},
      {"windows stretch past its bitmap, what is inside", wmfPast, 25, 12, 0x00FF00},
      {"windows stretch past its bitmap, cut below", wmfPast, 25, 37, red},
      {"windows DIB stretch without a bitmap, blackness", dibStretch(0x42), 50, 25, black},
      {"windows DIB stretch without the source it copies", dibStretch(0xCC0020), 50, 25, red},
  };
  for (const Case& k : cases) {
    TMetafile mf;
    ASSERT_EQ(LoadError(mf, k.bytes), "") << k.what;
    bool e = mf.Enhanced();
    Canvas c(e ? 100 : 200, 100);
    mf.Draw(c.dc, RECT{0, 0, c.w, c.h});
    EXPECT_EQ(c.At(k.x, k.y), k.colour) << k.what;
    EXPECT_EQ(c.At(e ? 75 : 50, e ? 25 : 75), red) << k.what;  // the rest of the picture
  }
}

}  // namespace
}  // namespace pix
