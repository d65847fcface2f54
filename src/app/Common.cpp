#include "app/Common.h"

namespace pix {

uint32_t GetFileSizeBytes(const std::string& path) {
  // No access rights are needed to ask a file's size.
  HANDLE h = CreateFileA(path.c_str(), 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  // A file that can't be opened has no size to show rather than 4 GB.
  if (h == INVALID_HANDLE_VALUE) return 0;
  DWORD size = GetFileSize(h, nullptr);  // low 32 bits; the high part is not asked for
  CloseHandle(h);
  return size;
}

}  // namespace pix
