#include "ui/pathtext_core.h"

#include <vector>

namespace pix {
namespace {

// Length of the root that never goes: "C:", "\\server\share", "\\?\C:", or the
// first component of any other path.
size_t RootLength(const std::string& p) {
  if (p.compare(0, 4, "\\\\?\\") == 0) {
    if (p.compare(4, 4, "UNC\\") == 0) {
      size_t server = p.find('\\', 8);
      size_t share = server == std::string::npos ? server : p.find('\\', server + 1);
      return share == std::string::npos ? p.size() : share;
    }
    size_t end = p.find('\\', 4);
    return end == std::string::npos ? p.size() : end;
  }
  if (p.compare(0, 2, "\\\\") == 0) {
    size_t server = p.find('\\', 2);
    size_t share = server == std::string::npos ? server : p.find('\\', server + 1);
    return share == std::string::npos ? p.size() : share;
  }
  size_t end = p.find('\\');
  return end == std::string::npos ? p.size() : end;
}

// Start of the UTF-8 character that holds byte `i` (never inside a sequence).
size_t CharStart(const std::string& s, size_t i) {
  while (i > 0 && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
  return i;
}

std::string Join(const std::string& root, const std::vector<std::string>& mid, size_t lead,
                 size_t trail, const std::string& name) {
  std::string s = root;
  for (size_t i = 0; i < lead; ++i) s += "\\" + mid[i];
  s += std::string("\\") + kEllipsis;
  for (size_t i = mid.size() - trail; i < mid.size(); ++i) s += "\\" + mid[i];
  return s + "\\" + name;
}

// The name cut in its middle until `prefix` + name fits; the extension stays.
std::string ShortenName(const std::string& prefix, const std::string& name,
                        const std::function<bool(const std::string&)>& fits) {
  size_t dot = name.rfind('.');
  size_t keepEnd = dot == std::string::npos || dot == 0 ? 0 : name.size() - dot;
  std::string best;
  // Characters taken from the front of the stem, fewest kept last.
  for (size_t front = CharStart(name, name.size() - keepEnd); front > 0;) {
    front = CharStart(name, front - 1);
    best = prefix + name.substr(0, front) + kEllipsis + name.substr(name.size() - keepEnd);
    if (front == 0 || fits(best)) return best;
  }
  return best.empty() ? prefix + name : best;
}

}  // namespace

std::string ShortenPathMiddle(const std::string& path,
                              const std::function<bool(const std::string&)>& fits) {
  if (fits(path)) return path;
  size_t rootLen = RootLength(path);
  size_t nameAt = path.rfind('\\');
  if (nameAt == std::string::npos || nameAt < rootLen) return path;  // nothing in between
  std::string root = path.substr(0, rootLen);
  std::string name = path.substr(nameAt + 1);
  std::vector<std::string> mid;
  for (size_t at = rootLen; at < nameAt;) {
    size_t next = path.find('\\', at + 1);
    mid.push_back(path.substr(at + 1, next - at - 1));
    at = next;
  }
  // Drop one more folder each round, taking turns from the middle outwards; the
  // folders nearest the name are kept a little longer, since they say the most.
  size_t n = mid.size();
  for (size_t dropped = 1; dropped <= n; ++dropped) {
    size_t keep = n - dropped;
    size_t lead = keep / 2;
    std::string s = Join(root, mid, lead, keep - lead, name);
    if (fits(s)) return s;
  }
  if (n == 0) {
    // A file right in the root: only the name can give.
    return ShortenName(root + "\\", name, fits);
  }
  return ShortenName(root + "\\" + kEllipsis + "\\", name, fits);
}

}  // namespace pix
