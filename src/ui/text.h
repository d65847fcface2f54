// Text between UTF-8, the program's own encoding, and UTF-16, which the platform's
// wide functions take: the one pair of conversions the program uses.
#pragma once
#include <string>

namespace pix {

std::wstring Widen(const std::string& s);
std::string Narrow(const std::wstring& s);

}  // namespace pix
