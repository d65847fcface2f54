// Texts of the status bar panels, shared by the main and full-screen windows.
#pragma once
#include <cstdint>
#include <string>

namespace pix {

// Kilobytes rounded to the nearest integer, halves to even, then " Kb".
std::string SizeText(uint64_t bytes);
// Width "x" height.
std::string DimensionsText(int width, int height);

}  // namespace pix
