#include "ui/speedbutton.h"

#include <commctrl.h>
#include <windowsx.h>

#include "ui/app.h"
#include "ui/keyfocus.h"
#include "ui/handles.h"

namespace pix {

namespace {
uint32_t Rgb(COLORREF c) {
  return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}
}  // namespace

TSpeedButton::~TSpeedButton() {
  DestroyHandle();
}

void TSpeedButton::Create(HWND parent, const TSpeedButtonArgs& a) {
  Dock(a.dock);
  CreateOwn({.name = "PixlumenSpeedButton", .style = CS_HREDRAW | CS_VREDRAW}, "",
            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, parent, CreationBounds(a.dock, a.bounds));
}

void TSpeedButton::LoadGlyph(const char* resourceName) {
  TOwnedBitmap bmp(static_cast<HBITMAP>(
      LoadImageA(Application().Instance(), resourceName, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  BITMAP bm{};
  if (!bmp || !GetObjectA(bmp, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return;
  std::vector<uint32_t> px(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  TWindowDC screen;
  if (!GetDIBits(screen, bmp, 0, bm.bmHeight, px.data(), &bi, DIB_RGB_COLORS)) return;
  for (auto& p : px) p &= 0xFFFFFF;
  glyphW_ = bm.bmWidth;
  glyphH_ = bm.bmHeight;
  glyph_ = std::move(px);
  clear_ = glyph_[static_cast<size_t>(glyphH_ - 1) * glyphW_];
  Invalidate();
}

void TSpeedButton::SetHint(const std::string& hint) {
  if (!Handle()) return;
  if (!tip_) {
    tip_.Reset(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                               Application().Instance(), nullptr));
    if (!tip_) return;
  }
  TOOLINFOA ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = Handle();
  ti.uId = reinterpret_cast<UINT_PTR>(Handle());
  ti.lpszText = const_cast<char*>(hint.c_str());
  SendMessageA(tip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

bool TSpeedButton::Enabled() const {
  return Handle() && IsWindowEnabled(Handle());
}

void TSpeedButton::SetEnabled(bool enabled) {
  if (Handle()) EnableWindow(Handle(), enabled);
}

void TSpeedButton::Click() {
  if (OnClick) OnClick();
}

// Disabled, the glyph's shape is drawn in the shadow colour over a highlight
// copy one pixel down and right: the etched look of an unavailable button.
void TSpeedButton::DrawGlyph(HDC dc, int x, int y, bool enabled) const {
  uint32_t face = Rgb(GetSysColor(COLOR_BTNFACE));
  uint32_t light = Rgb(GetSysColor(COLOR_BTNHIGHLIGHT)), dark = Rgb(GetSysColor(COLOR_BTNSHADOW));
  int w = glyphW_ + 1, h = glyphH_ + 1;
  std::vector<uint32_t> out(static_cast<size_t>(w) * h, face);
  for (int gy = 0; gy < glyphH_; ++gy)
    for (int gx = 0; gx < glyphW_; ++gx) {
      uint32_t p = glyph_[static_cast<size_t>(gy) * glyphW_ + gx];
      if (p == clear_) continue;
      if (enabled) {
        out[static_cast<size_t>(gy) * w + gx] = p;
      } else {
        out[static_cast<size_t>(gy + 1) * w + gx + 1] = light;
      }
    }
  if (!enabled)
    for (int gy = 0; gy < glyphH_; ++gy)
      for (int gx = 0; gx < glyphW_; ++gx)
        if (glyph_[static_cast<size_t>(gy) * glyphW_ + gx] != clear_)
          out[static_cast<size_t>(gy) * w + gx] = dark;
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  SetDIBitsToDevice(dc, x, y, w, h, 0, 0, 0, h, out.data(), &bi, DIB_RGB_COLORS);
}

void TSpeedButton::Paint(HDC dc, const RECT& client) {
  RECT r = client;  // DrawEdge takes it writable
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  bool enabled = IsWindowEnabled(Handle());
  bool down = pressed_ && hot_;
  if (enabled && down)
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  else if (enabled && hot_)
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
  if (!glyph_.empty()) {
    int x = (r.right - glyphW_) / 2 + (down ? 1 : 0), y = (r.bottom - glyphH_) / 2 + (down ? 1 : 0);
    DrawGlyph(dc, x, y, enabled);
  }
  PaintFocus(Handle(), dc, client);
}

bool TSpeedButton::Inside(LPARAM lp) const {
  RECT r;
  GetClientRect(Handle(), &r);
  POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  return PtInRect(&r, pt);
}

bool TSpeedButton::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (FocusKeyMessage(Handle(), msg, wp, lp, result, [this] { Click(); })) return true;
  switch (msg) {
    case WM_DESTROY:
      // The tooltip is owned by the button and would go with it: forget it first.
      tip_.Reset();
      return false;
    case WM_ENABLE:
      hot_ = pressed_ = false;
      Invalidate();
      return true;
    case WM_MOUSEMOVE: {
      bool inside = Inside(lp);
      if (inside && !hot_) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, Handle(), 0};
        TrackMouseEvent(&tme);
      }
      if (inside != hot_) {
        hot_ = inside;
        Invalidate();
      }
      return true;
    }
    case WM_MOUSELEAVE:
      if (!pressed_) {
        hot_ = false;
        Invalidate();
      }
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressed_ = hot_ = true;
      SetCapture(Handle());
      Invalidate();
      return true;
    case WM_LBUTTONUP: {
      bool click = pressed_ && Inside(lp);
      pressed_ = false;
      hot_ = click;
      if (GetCapture() == Handle()) ReleaseCapture();
      Invalidate();
      if (click) Click();
      return true;
    }
    case WM_CAPTURECHANGED:
      pressed_ = false;
      Invalidate();
      return false;
    default:
      return TPaintedControl::HandleMessage(msg, wp, lp, result);
  }
}

}  // namespace pix
