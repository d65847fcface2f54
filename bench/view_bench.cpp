// Paint of a 24-megapixel bitmap reduced to fit a 1600 x 1200 picture view,
// against a plain BitBlt of a 1600 x 1200 DIB onto the same target.
// Prints: BENCH paint_24mp_fit <median> ms ratio <r> vs bitblt_1600x1200
// With the argument "short": a 600 x 400 picture and a few runs, to prove it works.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.h"
#include "pictures/bitmap.h"
#include "pictures/image.h"


using bench::Median;
using bench::Now;

namespace {

constexpr int kViewW = 1600, kViewH = 1200;
int gPicW = 6000, gPicH = 4000;
int gRuns = 15;

double MedianMs(const std::function<void()>& step, int runs = gRuns) {
  step();  // warm up: first touches of the pixel memory
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    double start = Now();
    step();
    GdiFlush();
    t.push_back(Now() - start);
  }
  return Median(t);
}

// A 32-bit DIB section selected into a memory DC: the surface both paint onto.
struct Surface {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  void* bits = nullptr;
  Surface(HDC screen, int w, int h, int bpp) {
    BITMAPINFO bi{};
    bi.bmiHeader = {
        sizeof(BITMAPINFOHEADER), w, -h, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
    bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(screen);
    old = SelectObject(dc, bmp);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
};

std::unique_ptr<pix::TBitmap> Gradient(int bitCount) {
  auto bmp = std::make_unique<pix::TBitmap>();
  bmp->NewDIB(gPicW, gPicH, bitCount);
  int step = bitCount / 8;
  for (int y = 0; y < gPicH; ++y) {
    uint8_t* row = bmp->ScanLine(y);
    for (int x = 0; x < gPicW; ++x) {
      row[step * x] = static_cast<uint8_t>(x);
      row[step * x + 1] = static_cast<uint8_t>(y);
      row[step * x + 2] = static_cast<uint8_t>(x ^ y);
    }
  }
  return bmp;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pix;
  if (argc > 1 && std::string(argv[1]) == "short") gPicW = 600, gPicH = 400, gRuns = 3;
  HDC screen = GetDC(nullptr);
  int screenBpp = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  Surface target(screen, kViewW, kViewH, 32);

  // The picture: a 24-bit bottom-up DIB with a gradient, as a loaded .bmp holds it.
  TImage view;
  view.SetBounds({0, 0, kViewW, kViewH});
  view.SetProportional(true);
  view.Picture().SetGraphic(Gradient(24));
  TRect dest = view.DestRect();
  // The reference: a view-sized DIB in the screen's depth, copied 1:1.
  Surface source(screen, kViewW, kViewH, screenBpp >= 24 ? 32 : 24);
  std::fill_n(static_cast<uint8_t*>(source.bits), static_cast<size_t>(kViewW) * kViewH * 4, 0x80);

  double paint = MedianMs([&] { view.Paint(target.dc); });
  double blit =
      MedianMs([&] { BitBlt(target.dc, 0, 0, kViewW, kViewH, source.dc, 0, 0, SRCCOPY); }, 101);
  // For comparison only: the same paint from a 32-bit pixel store.
  view.Picture().SetGraphic(Gradient(32));
  double paint32 = MedianMs([&] { view.Paint(target.dc); });
  ReleaseDC(nullptr, screen);

  std::printf(
      "# picture %dx%d into %dx%d at (%d,%d)-(%d,%d): paint %.2f ms (32-bit store %.2f ms),"
      " bitblt %.2f ms\n",
      gPicW, gPicH, kViewW, kViewH, dest.left, dest.top, dest.right, dest.bottom, paint, paint32,
      blit);
  std::printf("BENCH paint_24mp_fit %.2f ms ratio %.2f vs bitblt_1600x1200\n", paint,
              blit > 0 ? paint / blit : 0.0);
  return 0;
}
