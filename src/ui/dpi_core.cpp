#include "ui/dpi_core.h"

#include <algorithm>
#include <cstdint>

#include "ui/dock_core.h"

namespace pix {

int ImageSizeForDpi(int dpi) {
  if (dpi <= 120) return 16;
  if (dpi <= 168) return 24;
  return 32;
}

std::string ImageResourceName(const std::string& base, int size) {
  return size == 16 ? base : base + std::to_string(size);
}

namespace {
int DivRound(int64_t p, int64_t c) {
  return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}
}  // namespace

int ScaleByDpi(int value, int dpi) {
  return DivRound(static_cast<int64_t>(value) * dpi, kBaseDpi);
}

int DefaultExtent(int value, int dpi, int room) {
  int scaled = ScaleByDpi(value, dpi > 0 ? dpi : kBaseDpi);
  return room > 0 ? std::min(scaled, room) : scaled;
}

int UnscaleForText(int pixels, int textHeight, int units) {
  if (textHeight <= 0 || ScaleForText(units, textHeight) == pixels) return units;
  return DivRound(static_cast<int64_t>(pixels) * 16, textHeight);
}

}  // namespace pix
