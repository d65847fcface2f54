#include "browse/shellfolder_core.h"

#include <algorithm>
#include <cstring>

namespace pix {

namespace {

size_t ItemBytes(const uint8_t* p) {
  return static_cast<size_t>(p[0] | p[1] << 8);
}

struct RootName {
  const char* name;
  int number;  // the platform's special-folder number
};
const RootName kRootNames[] = {
    {"rfDesktop", 0x00},
    {"rfInternet", 0x01},
    {"rfPrograms", 0x02},
    {"rfControlPanel", 0x03},
    {"rfPrinters", 0x04},
    {"rfPersonal", 0x05},
    {"rfFavorites", 0x06},
    {"rfStartup", 0x07},
    {"rfRecent", 0x08},
    {"rfSendTo", 0x09},
    {"rfRecycleBin", 0x0A},
    {"rfStartMenu", 0x0B},
    {"rfDesktopDirectory", 0x10},
    {"rfMyComputer", 0x11},
    {"rfNetwork", 0x12},
    {"rfFonts", 0x14},
    {"rfTemplates", 0x15},
    {"rfCommonStartMenu", 0x16},
    {"rfCommonPrograms", 0x17},
    {"rfCommonStartup", 0x18},
    {"rfCommonDesktopDirectory", 0x19},
    {"rfAppData", 0x1A},
    {"rfPrintHood", 0x1B},
};

}  // namespace

size_t IdListItems(const uint8_t* id) {
  size_t n = 0;
  if (id)
    for (size_t b; (b = ItemBytes(id)) != 0; id += b) ++n;
  return n;
}

size_t IdListPrefixBytes(const uint8_t* id, size_t items) {
  size_t total = 0;
  if (id)
    for (size_t b; items > 0 && (b = ItemBytes(id + total)) != 0; --items) total += b;
  return total;
}

size_t IdListSize(const uint8_t* id) {
  return IdListPrefixBytes(id, SIZE_MAX) + 2;
}

void IdListCopyPrefix(uint8_t* out, const uint8_t* id, size_t items) {
  size_t n = IdListPrefixBytes(id, items);
  if (n) std::memcpy(out, id, n);
  out[n] = out[n + 1] = 0;
}

void IdListJoin(uint8_t* out, const uint8_t* a, const uint8_t* b) {
  size_t na = IdListSize(a) - 2;
  if (na) std::memcpy(out, a, na);
  IdListCopyPrefix(out + na, b, SIZE_MAX);
}

bool IdListBytesEqual(const uint8_t* a, const uint8_t* b) {
  size_t na = IdListSize(a);
  return na == IdListSize(b) && (na == 2 || std::memcmp(a, b, na - 2) == 0);
}

namespace {

template <class S>
void DropQuestionMarks(S& name) {
  if (name.size() > 1 && name[0] == '?' && name[1] >= '0' && name[1] <= '9') std::erase(name, '?');
}

}  // namespace

bool IsClassIdName(const std::string& name) {
  return name.rfind("::{", 0) == 0;
}

bool IsClassIdName(std::wstring_view name) {
  return name.substr(0, 3) == L"::{";
}

std::string CleanDisplayName(std::string name) {
  DropQuestionMarks(name);
  return name;
}

std::wstring CleanDisplayName(std::wstring name) {
  DropQuestionMarks(name);
  return name;
}

std::optional<int> RootFolderNumber(const std::string& name) {
  for (const RootName& r : kRootNames)
    if (name == r.name) return r.number;
  return std::nullopt;
}

std::string RootPathText(const std::string& text) {
  return !text.empty() && text.back() == ':' ? text + "\\" : text;
}

std::string SettingPathError(const std::string& text) {
  return "Error setting path: \"" + text + "\"";
}

std::string ContainingFolder(const std::string& path) {
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace pix
