// The main window's settings file beside the executable.
#pragma once
#include <windows.h>

#include <string>

namespace pix {

// The window settings file beside the executable, and reading/writing the main
// window's place, size and maximised state there.
std::string SettingsFilePath();
void LoadFormSettings(HWND form, const std::string& fileName);
void SaveFormSettings(HWND form, const std::string& fileName);

}  // namespace pix
