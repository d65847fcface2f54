// A bare parent window for a picture view, counting its paints and erases, and a
// picture whose every pixel tells where in the picture it came from.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "pictures/graphic.h"
#include "pictures/image.h"
#include "testutil.h"

namespace viewtest {

// The host's background: a colour no coded pixel takes.
constexpr uint32_t kBackground = 0xFF00FF;

// Pixel (x, y) is red = x mod 256, green = y mod 256, blue = the high bits of both.
inline uint32_t Code(int x, int y) {
  return static_cast<uint32_t>(((x & 0xFF) << 16) | ((y & 0xFF) << 8) |
                               (((x >> 8) & 0xF) << 4) | ((y >> 8) & 0xF));
}
inline int DecodeX(uint32_t px) { return static_cast<int>(((px >> 16) & 0xFF) | ((px >> 4 & 0xF) << 8)); }
inline int DecodeY(uint32_t px) { return static_cast<int>(((px >> 8) & 0xFF) | ((px & 0xF) << 8)); }

extern const pix::TGraphicClass CodedPictureKind;

// An opaque test picture drawn from a 32-bit DIB, stretched without smoothing.
class CodedPicture : public pix::TGraphic {
public:
  CodedPicture(int w, int h) : w_(w), h_(h), bits_(static_cast<size_t>(w) * h) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) bits_[static_cast<size_t>(y) * w + x] = Code(x, y);
  }
  const pix::TGraphicClass& Kind() const override { return CodedPictureKind; }
  void LoadFromStream(pix::TStream&) override {}
  int Width() const override { return w_; }
  int Height() const override { return h_; }
  bool Empty() const override { return w_ == 0 || h_ == 0; }
  void Draw(HDC dc, const RECT& r) override {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w_, -h_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    int old = SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, w_, h_,
                  bits_.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, old);
  }
  std::unique_ptr<pix::TGraphic> Clone() const override {
    return std::make_unique<CodedPicture>(w_, h_);
  }

private:
  int w_, h_;
  std::vector<uint32_t> bits_;
};

// A borderless top-level window whose client area is exactly w x h, painting
// its view in WM_PAINT and filling erased areas with kBackground.
class Host {
public:
  ~Host();
  void Create(int w, int h);
  // Places `v` in this window at `bounds`, stretched to fill them rather than
  // kept in proportion, and lets it paint here.
  void Hold(pix::TImage& v, const pix::TRect& bounds);
  HWND Handle() const { return wnd_; }
  pix::TImage* view = nullptr;
  int paints = 0, erases = 0;

private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND wnd_ = nullptr;
};

// A view filling a 500 x 500 host.
class HostedView : public testing::Test {
protected:
  void SetUp() override {
    host.Create(500, 500);
    host.Hold(view, {0, 0, 500, 500});
    pixtest::Settle();
  }
  Host host;
  pix::TImage view;
};

}  // namespace viewtest
