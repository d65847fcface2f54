#include "ui/monitors_core.h"

#include <algorithm>
#include <cstdint>

namespace pix {

namespace {

// Saved numbers may be anything: sums are taken in 64 bits.
struct Span {
  int64_t from, to;
};

int64_t Overlap(Span a, Span b) {
  return std::max<int64_t>(0, std::min(a.to, b.to) - std::max(a.from, b.from));
}

// How far apart two spans are along one axis; 0 when they meet.
int64_t Gap(Span a, Span b) {
  return std::max<int64_t>({0, b.from - a.to, a.from - b.to});
}

Span Across(const TRect& r) {
  return {r.left, r.right};
}
Span Down(const TRect& r) {
  return {r.top, r.bottom};
}

bool CaptionReachable(const TRect& area, const TRect& window, int captionHeight, int minVisible) {
  Span strip{window.top, static_cast<int64_t>(window.top) + std::max(1, captionHeight)};
  if (Overlap(strip, Down(area)) == 0) return false;
  int64_t width = std::max<int64_t>(1, static_cast<int64_t>(window.right) - window.left);
  return Overlap(Across(window), Across(area)) >= std::min<int64_t>(width, std::max(1, minVisible));
}

// The area the window shares most with; when it meets none, the closest one
// (the same choice as the platform's nearest monitor).
const TRect& Nearest(const std::vector<TRect>& areas, const TRect& window) {
  const TRect* best = &areas.front();
  int64_t bestShared = -1;
  double bestGap = 0;
  for (const TRect& a : areas) {
    int64_t shared = Overlap(Across(window), Across(a)) * Overlap(Down(window), Down(a));
    int64_t dx = Gap(Across(window), Across(a)), dy = Gap(Down(window), Down(a));
    double gap = static_cast<double>(dx) * dx + static_cast<double>(dy) * dy;
    if (shared > bestShared || (shared == 0 && shared == bestShared && gap < bestGap)) {
      best = &a;
      bestShared = shared;
      bestGap = gap;
    }
  }
  return *best;
}

// `from` moved into [lo, hi - size], or to lo when the size does not fit.
int Clamp(int64_t from, int lo, int hi, int size) {
  return static_cast<int>(std::max<int64_t>(lo, std::min<int64_t>(from, int64_t{hi} - size)));
}

}  // namespace

TRect CentredOnWorkArea(const TRect& area, int width, int height, int down) {
  TRect r = CentredIn(area, width, height, down);
  int left = std::max(r.left, area.left), top = std::max(r.top, area.top);
  return {left, top, left + width, top + height};
}

TRect BroughtOnScreen(const std::vector<TRect>& workAreas, const TRect& window, int captionHeight,
                      int minVisible) {
  if (workAreas.empty()) return window;
  for (const TRect& a : workAreas)
    if (CaptionReachable(a, window, captionHeight, minVisible)) return window;
  const TRect& a = Nearest(workAreas, window);
  int width = static_cast<int>(
      std::clamp<int64_t>(static_cast<int64_t>(window.right) - window.left, 0, a.Width()));
  int height = static_cast<int>(
      std::clamp<int64_t>(static_cast<int64_t>(window.bottom) - window.top, 0, a.Height()));
  int left = Clamp(window.left, a.left, a.right, width);
  int top = Clamp(window.top, a.top, a.bottom, height);
  return {left, top, left + width, top + height};
}

}  // namespace pix
