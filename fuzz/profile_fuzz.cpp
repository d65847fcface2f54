// The settings file's integer rule over arbitrary text, checked against an
// independent reading: whatever converts must read back the same from its own
// decimal and hexadecimal spellings, and decimal text must agree with strtoll.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/profile_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pix;
  std::string text(reinterpret_cast<const char*>(data), size);
  int32_t value = 0;
  bool ok = TryStrToInt(text, value);
  int32_t fallback = static_cast<int32_t>(size * 7919);
  if (ProfileTextToInt(text, fallback) != (ok ? value : fallback) &&
      !(text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')))
    std::abort();
  if (ok) {
    int32_t again = 0;
    if (!TryStrToInt(std::to_string(value), again) || again != value) std::abort();
    char hex[16];
    std::snprintf(hex, sizeof hex, "$%X", static_cast<unsigned>(value));
    if (!TryStrToInt(hex, again) || again != value) std::abort();
  }
  // Plain decimal text (digits with an optional sign) against the C library.
  size_t i = text.find_first_not_of(' ');
  if (i != std::string::npos && text.find('\0') == std::string::npos) {
    size_t j = i + (text[i] == '+' || text[i] == '-');
    if (j < text.size() && text.find_first_not_of("0123456789", j) == std::string::npos) {
      errno = 0;
      long long ref = std::strtoll(text.c_str() + i, nullptr, 10);
      bool fits = errno == 0 && ref >= INT32_MIN && ref <= INT32_MAX;
      if (ok != fits || (ok && ref != value)) std::abort();
    }
  }
  return 0;
}
