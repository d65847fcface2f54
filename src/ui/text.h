// Text between UTF-8, the program's own encoding, and UTF-16, which the platform's
// wide functions take: the one pair of conversions the program uses.
#pragma once
#include <string>

namespace pix {

std::wstring Widen(const std::string& s);
std::string Narrow(const std::wstring& s);
// A full path in the form the platform's wide file calls take as it stands:
// "\\?\" before a drive path, "\\?\UNC\" for a network one, so that a
// path of any length and names ending in a dot or a space are not trimmed.
// Any other text is only widened.
std::wstring PlatformPath(const std::string& path);

}  // namespace pix
