// Integers in the settings file: the text-to-number rule, kept apart from the
// platform so it can be tested on its own.
#pragma once
#include <cstdint>
#include <string_view>

namespace pix {

// Converts text to a signed 32-bit integer. Accepts leading blanks, an optional
// sign, then either a decimal number in the 32-bit range or a hexadecimal one
// after "$", "x", "X", "0x" or "0X" (at most 8 digits' worth; 80000000 and above
// wrap to negative). Fails on empty text, a sign or prefix without digits, and
// anything after the number.
bool TryStrToInt(std::string_view text, int32_t& value);

// A value text as the settings file holds it: "0x"/"0X" at the start of a text
// longer than two characters stands for "$"; text that does not convert gives
// `fallback`.
int32_t ProfileTextToInt(std::string_view text, int32_t fallback);

}  // namespace pix
