// Shortening a path for a narrow place: the middle folders give way to an
// ellipsis so that the drive (or network share) and the file name stay readable.
#pragma once
#include <functional>
#include <string>

namespace pix {

// The ellipsis, in UTF-8.
inline constexpr const char* kEllipsis = "\xE2\x80\xA6";

// `path` itself when `fits` accepts it; otherwise the longest form that fits of
// root + leading folders + "\…\" + trailing folders + name, dropping folders from
// the middle outwards. When even root\…\name does not fit, the name loses
// characters from its middle too (its extension kept); the root and the name's
// ends always stay, so the result may still be too wide for a tiny place.
std::string ShortenPathMiddle(const std::string& path,
                              const std::function<bool(const std::string&)>& fits);

}  // namespace pix
