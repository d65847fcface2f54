// The open-picture dialog's plain rules: path parts, the platform's filter
// form, where the dialog and the preview window go.
#pragma once
#include <string>

#include "ui/dock_core.h"

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

// Centred across the monitor, a third of the free height above it; size kept.
TRect CentreOnMonitor(const TRect& monitor, int width, int height);

// The preview window's client size for a picture: the picture plus the panel's
// frame and 10 pixels, at most three quarters of the monitor each way.
struct TClientSize {
  int width = 0, height = 0;
};
TClientSize PreviewClientSize(TClientSize monitor, TClientSize window, TClientSize panel,
                              TClientSize picture);

}  // namespace pix
