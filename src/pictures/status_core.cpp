#include "pictures/status_core.h"

#include <cmath>

namespace pix {

std::string SizeText(uint64_t bytes) {
  // nearbyint follows the default rounding mode: to nearest, ties to even.
  long double kb = std::nearbyint(static_cast<long double>(bytes) / 1024.0L);
  return std::to_string(static_cast<long long>(kb)) + " Kb";
}

std::string DimensionsText(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace pix
