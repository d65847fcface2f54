#include "pictures/filestream.h"

#include <algorithm>

#include "ui/app.h"
#include "ui/errors.h"
#include "ui/text.h"

namespace pix {

std::string ExpandFileName(const std::string& fileName) {
  // The path as it was opened: a full one taken as it stands (any length,
  // trailing dots and spaces kept), any other completed by the platform.
  std::wstring w = PlatformPath(fileName);
  if (w.rfind(L"\\\\?\\", 0) == 0) return fileName;
  DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (!n) return fileName;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
  return n && n < full.size() ? Narrow(full.substr(0, n)) : fileName;
}

TFileStream::TFileStream(const std::string& fileName) {
  handle_.Reset(CreateFileW(PlatformPath(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle_) {
    DWORD code = GetLastError();
    throw Exception(Format("Cannot open file \"%s\". %s", ExpandFileName(fileName).c_str(),
                           SysErrorMessage(code).c_str()));
  }
}

size_t TFileStream::Read(void* buffer, size_t count) {
  size_t total = 0;
  auto* p = static_cast<char*>(buffer);
  while (total < count) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - total, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(handle_, p + total, chunk, &got, nullptr) || got == 0) break;
    total += got;
  }
  return total;
}

uint64_t TFileStream::Position() const {
  LARGE_INTEGER zero{}, pos{};
  SetFilePointerEx(handle_, zero, &pos, FILE_CURRENT);
  return static_cast<uint64_t>(pos.QuadPart);
}

void TFileStream::SetPosition(uint64_t pos) {
  LARGE_INTEGER p;
  p.QuadPart = static_cast<LONGLONG>(pos);
  SetFilePointerEx(handle_, p, nullptr, FILE_BEGIN);
}

uint64_t TFileStream::Size() const {
  LARGE_INTEGER size{};
  GetFileSizeEx(handle_, &size);
  return static_cast<uint64_t>(size.QuadPart);
}

}  // namespace pix
