#include "ui/handles.h"

#include "ui/app.h"
#include "ui/errors.h"

namespace pix {

TScreenDC::TScreenDC() {
  if (*this) return;
  DWORD code = GetLastError();
  std::string message = code ? SysErrorMessage(code) : std::string();
  throw EOutOfResources(message.empty() ? "Out of system resources" : message);
}

int ScreenColorDepth() {
  TWindowDC screen;
  if (!screen) return 24;
  return GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
}

std::string ResourceText(UINT id, const char* fallback) {
  char buf[256];
  int n = LoadStringA(GetModuleHandleA(nullptr), id, buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string(fallback);
}

}  // namespace pix
