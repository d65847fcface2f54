// Routines shared by the program's windows.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace pix {

// Size of a file in bytes; 0 when it can't be opened.
uint64_t GetFileSizeBytes(const std::string& path);

// The window settings file beside the executable, and reading/writing the main
// window's place, size and maximised state there.
std::string SettingsFilePath();
void LoadFormSettings(HWND form, const std::string& fileName);
void SaveFormSettings(HWND form, const std::string& fileName);

}  // namespace pix
