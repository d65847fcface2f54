#include "app/profile_core.h"

#include <string>

namespace pix {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Length of a hexadecimal prefix at `i`, or 0.
size_t HexPrefix(std::string_view s, size_t i) {
  if (i >= s.size()) return 0;
  if (s[i] == '$' || s[i] == 'x' || s[i] == 'X') return 1;
  if (s[i] == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) return 2;
  return 0;
}

}  // namespace

bool TryStrToInt(std::string_view s, int32_t& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

  // Magnitudes are gathered in 64 bits and capped, so no text overflows them.
  uint64_t magnitude = 0;
  size_t start;
  if (size_t prefix = HexPrefix(s, i)) {
    i += prefix;
    start = i;
    for (int d; i < s.size() && (d = HexDigit(s[i])) >= 0; ++i) {
      magnitude = magnitude * 16 + static_cast<unsigned>(d);
      if (magnitude > 0xFFFFFFFFu) return false;
    }
  } else {
    start = i;
    const uint64_t limit = negative ? 2147483648u : 2147483647u;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      magnitude = magnitude * 10 + static_cast<unsigned>(s[i] - '0');
      if (magnitude > limit) return false;
    }
  }
  if (i == start || i != s.size()) return false;

  // Two's complement wrap: eight F digits are -1, and a sign applies to that.
  uint32_t bits = static_cast<uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  value = static_cast<int32_t>(bits);
  return true;
}

int32_t ProfileTextToInt(std::string_view text, int32_t fallback) {
  std::string s(text);
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.replace(0, 2, "$");
  int32_t value;
  return TryStrToInt(s, value) ? value : fallback;
}

}  // namespace pix
