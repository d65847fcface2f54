// The three status bar panels that describe a shown picture file, written the
// same way by the main window and the full-screen view.
#pragma once
#include <cstdint>
#include <string>

#include "pictures/graphic.h"
#include "ui/statusbar.h"

namespace pix {

// Size of a file in bytes; 0 when it can't be opened.
uint64_t GetFileSizeBytes(const std::string& path);

// Size in kilobytes, width x height, and the full path.
void ShowPictureStatus(TStatusBar& bar, const std::string& path, const TPicture& picture);

}  // namespace pix
