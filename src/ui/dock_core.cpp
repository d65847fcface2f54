#include "ui/dock_core.h"

#include <cstddef>
#include <cstdint>

namespace pix {

std::vector<TRect> DockLayout(const TRect& client, const std::vector<DockItem>& items) {
  std::vector<TRect> out(items.size());
  TRect r = client;
  auto pass = [&](TAlign which) {
    for (size_t i = 0; i < items.size(); ++i) {
      const DockItem& it = items[i];
      if (!it.visible || it.align != which) continue;
      TRect& o = out[i];
      switch (which) {
        case TAlign::Top:
          o = {r.left, r.top, r.right, r.top + it.height};
          r.top = o.bottom;
          break;
        case TAlign::Bottom:
          o = {r.left, r.bottom - it.height, r.right, r.bottom};
          r.bottom = o.top;
          break;
        case TAlign::Left:
          o = {r.left, r.top, r.left + it.width, r.bottom};
          r.left = o.right;
          break;
        case TAlign::Right:
          o = {r.right - it.width, r.top, r.right, r.bottom};
          r.right = o.left;
          break;
        case TAlign::Client:
          o = r;
          break;
        case TAlign::None:
          break;
      }
    }
  };
  for (TAlign a : {TAlign::Top, TAlign::Bottom, TAlign::Left, TAlign::Right, TAlign::Client})
    pass(a);
  return out;
}

namespace {
int MulDivRound(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t p = static_cast<int64_t>(a) * b;
  int64_t half = (c > 0 ? c : -c) / 2;
  // Rounds half away from zero, as the platform's MulDiv does.
  int64_t q = ((p < 0) != (c < 0)) ? (p - ((c < 0) ? -half : half)) / c
                                   : (p + ((c < 0) ? -half : half)) / c;
  return static_cast<int>(q);
}
}  // namespace

int ScaleForText(int value, int textHeight) {
  return MulDivRound(value, textHeight, 16);
}
int ScaleFontHeight(int height120, int dpi) {
  return MulDivRound(height120, dpi, 120);
}

int SplitterMaxSize(int parentExtent, int sameAxisExtents, int paneExtent) {
  return parentExtent - kSplitterMinSize - sameAxisExtents + paneExtent;
}

int SplitterNewSize(int oldSize, int delta, int maxSize) {
  int n = oldSize + delta;
  if (n > maxSize) n = maxSize;
  if (n <= kSplitterMinSize) n = 0;
  return n;
}

TRect CentredIn(const TRect& area, int width, int height, int down) {
  int left = area.left + (area.Width() - width) / 2;
  int top = area.top + (area.Height() - height) / down;
  return {left, top, left + width, top + height};
}

}  // namespace pix
