// Texts of the status bar panels that describe a picture file.
#pragma once
#include <cstdint>
#include <string>

namespace pix {

// Kilobytes rounded to the nearest integer, halves to even, then " Kb".
std::string SizeText(uint64_t bytes);
// Width "x" height.
std::string DimensionsText(int width, int height);

}  // namespace pix
