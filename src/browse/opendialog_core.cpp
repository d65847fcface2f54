#include "browse/opendialog_core.h"

#include <algorithm>

namespace pix {

TPathSplit SplitChosenPath(const std::string& path) {
  size_t cut = path.find_last_of("\\:");
  if (cut == std::string::npos) return {"", path};
  return {path.substr(0, cut + 1), path.substr(cut + 1)};
}

std::string PlatformFilter(const std::string& filter) {
  std::string out = filter;
  std::replace(out.begin(), out.end(), '|', '\0');
  out.append(2, '\0');
  return out;
}

std::string TrimInitialDir(const std::string& dir) {
  if (dir.size() > 1 && dir.back() == '\\' && dir[dir.size() - 2] != ':')
    return dir.substr(0, dir.size() - 1);
  return dir;
}

TClientSize PreviewClientSize(TClientSize monitor, TClientSize window, TClientSize panel,
                              TClientSize picture) {
  if (picture.width <= 0) return window;
  return {std::min(monitor.width * 3 / 4, window.width - panel.width + picture.width + 10),
          std::min(monitor.height * 3 / 4, window.height - panel.height + picture.height + 10)};
}

}  // namespace pix
