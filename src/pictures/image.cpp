#include "pictures/image.h"

namespace pix {

TImage::TImage(HWND parent) : parent_(parent) {
  picture_.OnChange = [this](TPicture&) { PictureChanged(); };
}

void TImage::SetBounds(const TRect& r) {
  if (r == bounds_) return;
  // The old area is erased; the new one repaints with the picture placed afresh.
  if (parent_) {
    RECT old{bounds_.left, bounds_.top, bounds_.right, bounds_.bottom};
    InvalidateRect(parent_, &old, TRUE);
  }
  bounds_ = r;
  PictureChanged();
}

void TImage::SetCenter(bool v) {
  if (v == center_) return;
  center_ = v;
  PictureChanged();
}
void TImage::SetProportional(bool v) {
  if (v == proportional_) return;
  proportional_ = v;
  PictureChanged();
}
void TImage::SetStretch(bool v) {
  if (v == stretch_) return;
  stretch_ = v;
  PictureChanged();
}

TRect TImage::DestRect() const {
  int w = picture_.Width(), h = picture_.Height();
  int cw = bounds_.Width(), ch = bounds_.Height();
  TRect r{0, 0, w, h};
  if (center_) {
    int dx = (cw - w) / 2, dy = (ch - h) / 2;
    r = {dx, dy, dx + w, dy + h};
  }
  return r;
}

void TImage::Paint(HDC dc) {
  TGraphic* g = picture_.Graphic();
  if (!g) return;
  bool saved = drawing_;
  drawing_ = true;
  int state = SaveDC(dc);
  IntersectClipRect(dc, bounds_.left, bounds_.top, bounds_.right, bounds_.bottom);
  POINT org;
  OffsetViewportOrgEx(dc, bounds_.left, bounds_.top, &org);
  try {
    TRect d = DestRect();
    RECT r{d.left, d.top, d.right, d.bottom};
    g->Draw(dc, r);
  } catch (...) {
    RestoreDC(dc, state);
    drawing_ = saved;
    throw;
  }
  RestoreDC(dc, state);
  drawing_ = saved;
}

void TImage::PictureChanged() {
  TGraphic* g = picture_.Graphic();
  if (g) {
    TRect d = DestRect();
    opaque_ = !g->Transparent() && d.left <= 0 && d.top <= 0 && d.right >= bounds_.Width() &&
              d.bottom >= bounds_.Height();
  } else {
    opaque_ = false;
  }
  if (!drawing_) InvalidateView();
}

void TImage::InvalidateView() {
  if (!parent_) return;
  RECT r{bounds_.left, bounds_.top, bounds_.right, bounds_.bottom};
  InvalidateRect(parent_, &r, !opaque_);
}

}  // namespace pix
