// Reduced drawing of true-colour bitmaps: the kept rows and columns, only the
// visible part touched, and the same picture whatever the surface's origin.
#include <gtest/gtest.h>

#include "pictures/bitmap.h"
#include "testutil.h"

namespace pix {
namespace {

using Surface = pixtest::Canvas;

// Each source pixel says where it is: blue = x, green = y (both below 256).
void Code(TBitmap& b, int w, int h, int bits) {
  b.NewDIB(w, h, bits, nullptr, 0);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      uint8_t* p = row + x * (bits / 8);
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = 0x40;
    }
  }
}

uint32_t Coded(int x, int y) { return 0x400000u | static_cast<uint32_t>(y) << 8 | static_cast<uint32_t>(x); }

TEST(BitmapReduced, KeepsEveryNthRowAndColumnAtEachDepth) {
  for (int bits : {24, 32}) {
    TBitmap b;
    Code(b, 240, 200, bits);
    Surface s(120, 100, 0x00FF00FF);
    RECT r{0, 0, 120, 100};
    b.Draw(s.dc, r);
    for (int y : {0, 1, 37, 99})
      for (int x : {0, 1, 59, 119}) EXPECT_EQ(s.At(x, y), Coded(2 * x, 2 * y)) << bits << " " << x << "," << y;
  }
}

TEST(BitmapReduced, UnevenFactorsPickTheLowerSourcePixel) {
  TBitmap b;
  Code(b, 250, 200, 24);
  Surface s(100, 60, 0);
  b.Draw(s.dc, RECT{0, 0, 100, 60});
  // 250 / 100 = 2.5 across, 200 / 60 = 3.33 down.
  struct P { int x, y, sx, sy; } cases[] = {{0, 0, 0, 0}, {1, 1, 2, 3}, {3, 2, 7, 6}, {99, 59, 247, 196}};
  for (const P& p : cases) EXPECT_EQ(s.At(p.x, p.y), Coded(p.sx, p.sy)) << p.x << "," << p.y;
}

TEST(BitmapReduced, TouchesOnlyTheClippedPartAndFollowsTheOrigin) {
  TBitmap b;
  Code(b, 200, 200, 24);
  Surface s(150, 150, 0x00FF00FF);
  // The view's canvas: origin moved to (20, 10), clipped to a 60 x 40 box.
  IntersectClipRect(s.dc, 40, 30, 100, 70);
  SetViewportOrgEx(s.dc, 20, 10, nullptr);
  b.Draw(s.dc, RECT{0, 0, 100, 100});
  EXPECT_EQ(s.At(39, 50), 0xFF00FFu);  // left of the clip
  EXPECT_EQ(s.At(100, 50), 0xFF00FFu); // right of it
  EXPECT_EQ(s.At(60, 29), 0xFF00FFu);  // above it
  EXPECT_EQ(s.At(60, 70), 0xFF00FFu);  // below it
  // Inside: surface (x, y) is view (x - 20, y - 10), source twice that.
  EXPECT_EQ(s.At(40, 30), Coded(40, 40));
  EXPECT_EQ(s.At(99, 69), Coded(158, 118));
}

TEST(BitmapReduced, PartlyOffTheSurfaceAndCropped) {
  TBitmap b;
  Code(b, 200, 100, 24);
  Surface s(50, 50, 0);
  // Wider than the surface after reduction: only its visible columns are drawn.
  b.Draw(s.dc, RECT{-25, 0, 75, 50});
  EXPECT_EQ(s.At(0, 0), Coded(50, 0));
  EXPECT_EQ(s.At(49, 49), Coded(148, 98));
}

// Repaints copy the reduced pixels kept from the first paint: they must follow the
// bitmap's own pixels and the rectangle's size, and two sizes live side by side.
TEST(BitmapReduced, KeptCopyFollowsPixelsAndSize) {
  TBitmap b;
  Code(b, 240, 200, 24);
  Surface s(120, 100, 0);
  // Source pixel (120, 80) shows at (60, 40) in 120 x 100 and at (40, 20) in 80 x 50.
  struct Case {
    int w, h, x, y;
    bool rewrite;  // its blue byte is rewritten before this paint
    bool changed;  // and the paint must show that
  } cases[] = {{120, 100, 60, 40, false, false}, {80, 50, 40, 20, false, false},
               {120, 100, 119, 99, false, false}, {80, 50, 1, 1, false, false},
               {120, 100, 60, 40, true, true},    {80, 50, 40, 20, false, true}};
  for (const Case& c : cases) {
    if (c.rewrite) b.ScanLine(80)[120 * 3] = 0x11;
    b.Draw(s.dc, RECT{0, 0, c.w, c.h});
    uint32_t want = Coded(c.x * 240 / c.w, c.y * 200 / c.h);
    if (c.changed) want = (want & ~0xFFu) | 0x11;
    EXPECT_EQ(s.At(c.x, c.y), want) << c.w << "x" << c.h << " at " << c.x << "," << c.y;
  }
}

}  // namespace
}  // namespace pix
