// Bitmap files read through the real platform: every depth, both header kinds,
// bit fields, RLE, row orders, gaps and truncations, broken files; the pixels are
// read back from the bitmap's buffer and from what it draws.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "../fixtures/bmp_tables.h"
#include "pictures/bitmap.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/errors.h"

namespace pix {
namespace {

using pixtest::BmpSpec;
using pixtest::EncodeRle;
using pixtest::MakeBmp;
using pixtest::PackRows;
using pixtest::TempDir;

const char kNotValid[] = "Bitmap image is not valid";

// Pixels a picture draws into a w x h 32-bit surface (0x00RRGGBB, top row first).
struct Drawn {
  int w = 0, h = 0;
  std::vector<uint32_t> px;
  uint32_t At(int x, int y) const { return px[size_t(y) * w + x] & 0xFFFFFF; }
};
Drawn Render(TGraphic& g, int w, int h) {
  Drawn d{w, h, {}};
  pixtest::Canvas c(w, h, 0x5A5A5A5A);
  g.Draw(c.dc, RECT{0, 0, w, h});
  GdiFlush();
  d.px.assign(c.bits, c.bits + size_t(w) * h);
  return d;
}

// Loads bytes as a bitmap file through the file stream.
std::unique_ptr<TBitmap> LoadBytes(const std::string& bytes) {
  TempDir dir;
  dir.Write("p.bmp", bytes);
  auto b = std::make_unique<TBitmap>();
  b->LoadFromFile(dir.File("p.bmp"));
  return b;
}

// "" when the bytes load, else the failure's message.
std::string LoadFailure(const std::string& bytes, std::unique_ptr<TBitmap>* out = nullptr) {
  try {
    auto b = LoadBytes(bytes);
    if (out) *out = std::move(b);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

uint32_t Colour(uint32_t i) {
  return (i * 37 % 256) << 16 | (i * 91 % 256) << 8 | (i * 53 % 256);
}

// The stored row bytes of picture row y in a bottom-up file.
std::string FileRow(const std::string& pixels, int stride, int height, int y) {
  return pixels.substr(size_t(height - 1 - y) * stride, size_t(stride));
}

TEST(BitmapRead, EveryDepthKeepsItsBytesAndDrawsItsColours) {
  const int w = 5, h = 3;
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    BmpSpec b;
    b.width = w;
    b.height = h;
    b.bitCount = uint16_t(bits);
    std::function<uint32_t(int, int)> value;
    std::function<uint32_t(int, int)> colour;
    if (bits <= 8) {
      uint32_t n = 1u << bits;
      for (uint32_t i = 0; i < n; ++i) b.colors.push_back(Colour(i));
      value = [n](int x, int y) { return uint32_t(x * 3 + y * 7) % n; };
      colour = [&](int x, int y) { return Colour(value(x, y)); };
    } else if (bits == 16) {  // 5-5-5, each part all on or all off
      value = [](int x, int y) {
        return uint32_t((x & 1) * 0x7C00 | (y & 1) * 0x3E0 | (x > 2) * 0x1F);
      };
      colour = [](int x, int y) {
        return uint32_t((x & 1) * 0xFF0000 | (y & 1) * 0xFF00 | (x > 2) * 0xFF);
      };
    } else {
      value = [](int x, int y) { return Colour(uint32_t(x + 10 * y)); };
      colour = value;
    }
    b.pixels = PackRows(w, h, bits, false, value);
    auto bmp = LoadBytes(MakeBmp(b));
    ASSERT_FALSE(bmp->Empty());
    EXPECT_EQ(bmp->Width(), w);
    EXPECT_EQ(bmp->Height(), h);
    EXPECT_EQ(bmp->BitCount(), bits);
    EXPECT_FALSE(bmp->CoreHeader());
    int stride = bmp->RowBytes();
    EXPECT_EQ(stride, int(pixtest::RowBytes(w, bits)));
    for (int y = 0; y < h; ++y)
      EXPECT_EQ(std::string(reinterpret_cast<char*>(bmp->ScanLine(y)), size_t(stride)),
                FileRow(b.pixels, stride, h, y));
    Drawn d = Render(*bmp, w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) EXPECT_EQ(d.At(x, y), colour(x, y)) << x << "," << y;
  }
}

TEST(BitmapRead, CoreHeaders) {
  const int w = 3, h = 2;
  for (int bits : {1, 8, 24}) {
    SCOPED_TRACE(bits);
    BmpSpec b;
    b.core = true;
    b.width = w;
    b.height = h;
    b.bitCount = uint16_t(bits);
    if (bits <= 8)
      for (uint32_t i = 0; i < (1u << bits); ++i) b.colors.push_back(Colour(i + 1));
    auto index = [bits](int x, int y) { return uint32_t(x + 2 * y) % (1u << std::min(bits, 8)); };
    b.pixels = bits <= 8
                   ? PackRows(w, h, bits, false, index)
                   : PackRows(w, h, bits, false, [](int x, int y) { return Colour(x * 2 + y); });
    auto bmp = LoadBytes(MakeBmp(b));
    EXPECT_TRUE(bmp->CoreHeader());
    EXPECT_EQ(bmp->Width(), w);
    EXPECT_EQ(bmp->Height(), h);
    Drawn d = Render(*bmp, w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        EXPECT_EQ(d.At(x, y), bits <= 8 ? Colour(index(x, y) + 1) : Colour(x * 2 + y));
  }
}

TEST(BitmapRead, BitFields) {
  struct Case {
    uint16_t bits;
    std::vector<uint32_t> masks;
    uint32_t (*pack)(uint32_t rgb);
  } cases[] = {
      {16,
       {0xF800, 0x07E0, 0x001F},
       [](uint32_t c) {
         return (c >> 16 & 0xFF ? 0xF800u : 0) | (c >> 8 & 0xFF ? 0x07E0u : 0) |
                (c & 0xFF ? 0x1Fu : 0);
       }},
      {32,
       {0x000000FF, 0x0000FF00, 0x00FF0000},  // red in the lowest byte
       [](uint32_t c) { return (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bits);
    const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x000000, 0xFFFFFF};
    BmpSpec b;
    b.width = 3;
    b.height = 2;
    b.bitCount = c.bits;
    b.compression = 3;
    b.masks = c.masks;
    b.pixels =
        PackRows(3, 2, c.bits, false, [&](int x, int y) { return c.pack(colours[x + 3 * y]); });
    auto bmp = LoadBytes(MakeBmp(b));
    EXPECT_EQ(bmp->Description().dsBitfields[0], c.masks[0]);
    Drawn d = Render(*bmp, 3, 2);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(d.At(i % 3, i / 3), colours[i]) << i;
  }
}

TEST(BitmapRead, RunLengthEncoded) {
  const int w = 7, h = 4;
  for (bool rle4 : {false, true}) {
    SCOPED_TRACE(rle4 ? "RLE4" : "RLE8");
    BmpSpec b;
    b.width = w;
    b.height = h;
    b.bitCount = rle4 ? 4 : 8;
    b.compression = rle4 ? 2 : 1;
    uint32_t n = rle4 ? 16 : 256;
    for (uint32_t i = 0; i < n; ++i) b.colors.push_back(Colour(i + 3));
    auto index = [](int x, int y) { return uint32_t(x < 3 ? y + 1 : 9 + (x > 5)); };
    b.pixels = EncodeRle(w, h, rle4, index);
    b.sizeImage = uint32_t(b.pixels.size());
    auto bmp = LoadBytes(MakeBmp(b));
    EXPECT_FALSE(bmp->IsDIB());
    EXPECT_EQ(bmp->Width(), w);
    EXPECT_EQ(bmp->Height(), h);
    EXPECT_NE(bmp->Palette(), nullptr);  // from the colour table
    Drawn d = Render(*bmp, w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) EXPECT_EQ(d.At(x, y), Colour(index(x, y) + 3)) << x << "," << y;
  }
}

TEST(BitmapRead, Rle8AbsoluteRunsAndDelta) {
  BmpSpec b;
  b.width = 6;
  b.height = 2;
  b.bitCount = 8;
  b.compression = 1;
  for (uint32_t i = 0; i < 8; ++i) b.colors.push_back(Colour(i + 1));
  b.clrUsed = 8;
  // Bottom row: absolute run 1 2 3 (padded to a word), then 3 x index 4.
  // Top row: a delta of 2 to the right, then 2 x index 5 at x 2..3.
  const char data[] = {0, 3, 1, 2, 3, 0, 3, 4, 0, 0, 0, 2, 2, 0, 2, 5, 0, 1};
  b.pixels.assign(data, sizeof data);
  auto bmp = LoadBytes(MakeBmp(b));
  Drawn d = Render(*bmp, 6, 2);
  for (int x = 0; x < 6; ++x) EXPECT_EQ(d.At(x, 1), Colour(uint32_t(x < 3 ? x + 1 : 4) + 1)) << x;
  EXPECT_EQ(d.At(2, 0), Colour(6));
  EXPECT_EQ(d.At(3, 0), Colour(6));
}

TEST(BitmapRead, TopDownRows) {
  BmpSpec b;
  b.width = 2;
  b.height = -100;
  b.bitCount = 24;
  auto colour = [](int x, int y) { return Colour(uint32_t(x + 2 * y)); };
  b.pixels = PackRows(2, 100, 24, true, colour);
  auto bmp = LoadBytes(MakeBmp(b));
  EXPECT_EQ(bmp->Height(), 100);
  EXPECT_EQ(bmp->Description().dsBmih.biHeight, -100);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bmp->ScanLine(0)), 8), b.pixels.substr(0, 8));
  Drawn d = Render(*bmp, 2, 100);
  EXPECT_EQ(d.At(1, 0), colour(1, 0));
  EXPECT_EQ(d.At(0, 99), colour(0, 99));
}

TEST(BitmapRead, GapAfterTheColourTableIsReadAsPixels) {
  BmpSpec b;
  b.width = 2;
  b.height = 1;
  b.bitCount = 24;
  b.gap = 4;
  b.pixels = std::string("\x01\x02\x03\x04\x05\x06\x00\x00", 8);
  auto bmp = LoadBytes(MakeBmp(b));
  std::string row(reinterpret_cast<char*>(bmp->ScanLine(0)), 8);
  EXPECT_EQ(row, std::string("\xEE\xEE\xEE\xEE\x01\x02\x03\x04", 8));
}

TEST(BitmapRead, TruncatedPixelsStayZeroAndLongImageSizeStopsAtTheBuffer) {
  BmpSpec b;
  b.width = 4;
  b.height = 4;
  b.bitCount = 24;
  b.pixels = std::string(18, '\x77');  // the bottom row and half of the next
  std::unique_ptr<TBitmap> bmp;
  ASSERT_EQ(LoadFailure(MakeBmp(b), &bmp), "");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bmp->ScanLine(3)), 12), std::string(12, '\x77'));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bmp->ScanLine(2)), 12),
            std::string(6, '\x77') + std::string(6, '\0'));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bmp->ScanLine(0)), 12), std::string(12, '\0'));

  // An image size far above the buffer, with the file holding the bytes.
  b.sizeImage = 100000;
  b.pixels = std::string(48, '\x42') + std::string(100000 - 48, '\x99');
  ASSERT_EQ(LoadFailure(MakeBmp(b), &bmp), "");
  for (int y = 0; y < 4; ++y)
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bmp->ScanLine(y)), 12), std::string(12, '\x42'));
}

TEST(BitmapRead, EmptyShortAndWrongSignature) {
  TBitmap bmp;
  int changes = 0;
  bmp.OnChange = [&] { ++changes; };
  TMemoryStream none;
  bmp.LoadFromStream(none);
  EXPECT_TRUE(bmp.Empty());
  EXPECT_EQ(bmp.Width(), 0);
  EXPECT_EQ(bmp.Height(), 0);
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(bmp.Modified);

  BmpSpec b;
  b.pixels = std::string(48, '\0');
  std::string good = MakeBmp(b);
  for (size_t n = 1; n <= 13; ++n)
    EXPECT_EQ(LoadFailure(good.substr(0, n)), "Stream read error") << n;
  std::string ba = good;
  ba[1] = 'A';
  EXPECT_EQ(LoadFailure(ba), kNotValid);

  // A good read sends one change signal.
  TMemoryStream s(good.data(), good.size());
  bmp.LoadFromStream(s);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(bmp.Modified);
  EXPECT_EQ(bmp.Width(), 4);
}

TEST(BitmapRead, MissingFileReportsThePathAndTheSystemMessage) {
  TempDir dir;
  std::string name = dir.File("absent.bmp");
  std::string expected =
      "Cannot open file \"" + name + "\". " + SysErrorMessage(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(LoadFailure(std::string()), "");  // 0 bytes: an empty bitmap
  TBitmap bmp;
  try {
    bmp.LoadFromFile(name);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), expected);
  }
}

// Broken files: each gives one of the reader's texts or a picture that draws,
// never a crash or a runaway allocation.
TEST(BitmapRead, BrokenFilesTable) {
  for (const auto& c : pixtest::BrokenBitmaps()) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TBitmap> bmp;
    std::string failure = LoadFailure(c.bytes, &bmp);
    if (c.exact) {
      EXPECT_EQ(failure, c.exact);
    } else if (!failure.empty()) {
      EXPECT_TRUE(failure == kNotValid || failure.rfind("System Error.  Code: ", 0) == 0)
          << failure;
    }
    if (failure.empty() && bmp) {
      Drawn d = Render(*bmp, 8, 8);  // drawing a partial picture is safe too
      EXPECT_EQ(d.px.size(), 64u);
    }
  }
}

TEST(BitmapRead, SystemErrorTextCarriesCodeAndMessage) {
  // RLE data the platform refuses with an error code (a run-length compression
  // unknown to it): the text has the code and the system's message.
  BmpSpec b;
  b.bitCount = 8;
  b.compression = 7;
  b.colors.assign(256, 0);
  b.pixels = std::string(16, '\1');
  std::string failure = LoadFailure(MakeBmp(b));
  unsigned code = 0;
  ASSERT_EQ(sscanf(failure.c_str(), "System Error.  Code: %u.\r\n", &code), 1) << failure;
  EXPECT_NE(code, 0u);
  EXPECT_EQ(failure, Format("System Error.  Code: %u.\r\n%s", code, SysErrorMessage(code).c_str()));
  EXPECT_NE(SysErrorMessage(code), "");
}

TEST(BitmapPalette, FromTheColourTable) {
  BmpSpec b;
  b.width = 2;
  b.height = 2;
  b.bitCount = 8;
  for (uint32_t i = 0; i < 256; ++i) b.colors.push_back(Colour(i));
  b.pixels = std::string(8, '\x07');
  auto bmp = LoadBytes(MakeBmp(b));
  ASSERT_NE(bmp->Palette(), nullptr);
  PALETTEENTRY e[256];
  ASSERT_EQ(GetPaletteEntries(bmp->Palette(), 0, 256, e), 256u);
  EXPECT_EQ(RGB(e[7].peRed, e[7].peGreen, e[7].peBlue),
            RGB(Colour(7) >> 16, Colour(7) >> 8 & 0xFF, Colour(7) & 0xFF));

  // True colour with a table of three: a palette of three.
  b.bitCount = 24;
  b.colors.resize(3);
  b.clrUsed = 3;
  b.pixels = std::string(16, '\0');
  bmp = LoadBytes(MakeBmp(b));
  ASSERT_NE(bmp->Palette(), nullptr);
  EXPECT_EQ(GetPaletteEntries(bmp->Palette(), 0, 0, nullptr), 3u);

  // True colour without a table: a halftone palette only on a shallower screen.
  b.colors.clear();
  b.clrUsed = 0;
  b.bitCount = 32;
  bmp = LoadBytes(MakeBmp(b));
  HDC screen = GetDC(nullptr);
  int depth = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(bmp->Palette() != nullptr, depth < 32);
}

TEST(BitmapDraw, StretchModesPaletteAndScaling) {
  BmpSpec b;
  b.width = 2;
  b.height = 2;
  b.bitCount = 24;
  const uint32_t c[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  b.pixels = PackRows(2, 2, 24, false, [&](int x, int y) { return c[x + 2 * y]; });
  auto bmp = LoadBytes(MakeBmp(b));
  Drawn d = Render(*bmp, 4, 4);  // doubled: rows and columns repeated
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(d.At(x, y), c[x / 2 + 2 * (y / 2)]) << x << "," << y;

  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, 8, 8);
  HGDIOBJ old = SelectObject(mem, target);
  HPALETTE before = static_cast<HPALETTE>(GetCurrentObject(mem, OBJ_PAL));
  SetStretchBltMode(mem, BLACKONWHITE);
  RECT r{0, 0, 8, 8};
  bmp->Draw(mem, r);
  EXPECT_EQ(GetStretchBltMode(mem), BLACKONWHITE);  // the caller's mode, put back

  // A monochrome bitmap leaves the mode alone; a palette is put back afterwards.
  BmpSpec m;
  m.width = 8;
  m.height = 1;
  m.bitCount = 1;
  m.colors = {0x000000, 0xFFFFFF};
  m.pixels = std::string("\xAA\0\0\0", 4);
  auto mono = LoadBytes(MakeBmp(m));
  ASSERT_NE(mono->Palette(), nullptr);
  SetStretchBltMode(mem, BLACKONWHITE);
  mono->Draw(mem, r);
  EXPECT_EQ(GetStretchBltMode(mem), BLACKONWHITE);
  EXPECT_EQ(GetCurrentObject(mem, OBJ_PAL), before);
  SelectObject(mem, old);
  DeleteObject(target);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

TEST(BitmapCopy, CloneOfEachStoreDrawsTheSame) {
  BmpSpec dib;
  dib.width = 3;
  dib.height = 2;
  dib.bitCount = 8;
  for (uint32_t i = 0; i < 256; ++i) dib.colors.push_back(Colour(i));
  dib.pixels = PackRows(3, 2, 8, false, [](int x, int y) { return uint32_t(x + 3 * y + 1); });
  BmpSpec rle = dib;
  rle.compression = 1;
  rle.pixels = EncodeRle(3, 2, false, [](int x, int y) { return uint32_t(x + 3 * y + 1); });
  for (const BmpSpec* s : {&dib, &rle}) {
    auto bmp = LoadBytes(MakeBmp(*s));
    auto copy = bmp->Clone();
    auto* cb = dynamic_cast<TBitmap*>(copy.get());
    ASSERT_NE(cb, nullptr);
    EXPECT_NE(cb->Handle(), bmp->Handle());
    EXPECT_NE(cb->Palette(), bmp->Palette());
    EXPECT_EQ(cb->Width(), 3);
    Drawn a = Render(*bmp, 3, 2), b = Render(*cb, 3, 2);
    EXPECT_EQ(a.px, b.px);
    bmp.reset();  // the copy owns its own store
    Drawn c = Render(*cb, 3, 2);
    EXPECT_EQ(c.px, b.px);
    EXPECT_EQ(c.At(2, 1), Colour(6));
  }
}

TEST(BitmapBuffer, NewDIBScanLinesAndPalette) {
  TBitmap bmp;
  int changes = 0;
  bmp.OnChange = [&] { ++changes; };
  bmp.NewDIB(3, 2, 24);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(bmp.Width(), 3);
  EXPECT_EQ(bmp.Height(), 2);
  EXPECT_EQ(bmp.RowBytes(), 12);
  EXPECT_EQ(bmp.ScanLine(1) - bmp.ScanLine(0), -12);  // bottom-up in memory
  EXPECT_EQ(bmp.ScanLine(2), nullptr);
  bmp.FillBytes(0xFF);
  uint8_t* top = bmp.ScanLine(0);
  top[0] = 0x10;  // blue
  top[1] = 0x20;
  top[2] = 0x30;
  Drawn d = Render(bmp, 3, 2);
  EXPECT_EQ(d.At(0, 0), 0x302010u);
  EXPECT_EQ(d.At(2, 1), 0xFFFFFFu);

  TBitmap gray;
  gray.OnChange = [&] { ++changes; };
  gray.NewDIB(2, 1, 8);
  gray.ScanLine(0)[0] = 5;
  gray.ScanLine(0)[1] = 200;
  struct {
    WORD version, count;
    PALETTEENTRY e[256];
  } lp{0x300, 256, {}};
  for (int i = 0; i < 256; ++i) lp.e[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
  gray.SetPalette(TOwnedPalette(CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp))));
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(gray.PaletteModified);
  EXPECT_EQ(gray.ScanLine(0)[1], 200);  // pixels kept
  Drawn g = Render(gray, 2, 1);
  EXPECT_EQ(g.At(0, 0), 0x050505u);
  EXPECT_EQ(g.At(1, 0), 0xC8C8C8u);
}

}  // namespace
}  // namespace pix
