#include "ui/text.h"

#include <windows.h>

namespace pix {

std::wstring Widen(const std::string& s) {
  if (s.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(const std::wstring& w) {
  if (w.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

std::wstring PlatformPath(const std::string& path) {
  std::wstring w = Widen(path);
  if (w.rfind(L"\\\\?\\", 0) == 0) return w;
  // The prefix turns off the platform's tidying: a text that needs it keeps it.
  std::wstring tail = w + L"\\";
  if (w.find(L'/') != std::wstring::npos || tail.find(L"\\.\\") != std::wstring::npos ||
      tail.find(L"\\..\\") != std::wstring::npos)
    return w;
  bool drive = w.size() >= 3 && w[1] == L':' && w[2] == L'\\';
  if (drive) return L"\\\\?\\" + w;
  bool network = w.size() > 2 && w[0] == L'\\' && w[1] == L'\\' && w[2] != L'.';
  if (network) return L"\\\\?\\UNC\\" + w.substr(2);
  return w;
}

}  // namespace pix
