// The open-picture dialog's plain rules: path parts, the platform's filter
// form, the preview window's size.
#pragma once
#include <string>

namespace pix {

// The folder part (up to and including the last "\" or ":") and the name after it.
struct TPathSplit {
  std::string folder, name;
};
TPathSplit SplitChosenPath(const std::string& path);

// "desc|pattern|..." as the platform takes it: each "|" a zero character, and
// two zero characters after the last text.
std::string PlatformFilter(const std::string& filter);

// A trailing "\" goes, unless it follows a drive's ":".
std::string TrimInitialDir(const std::string& dir);

// The preview window's client size for a picture: the picture plus the panel's
// frame and 10 pixels, at most three quarters of the monitor each way.
struct TClientSize {
  int width = 0, height = 0;
};
TClientSize PreviewClientSize(TClientSize monitor, TClientSize window, TClientSize panel,
                              TClientSize picture);

}  // namespace pix
