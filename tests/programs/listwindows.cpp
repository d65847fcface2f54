// Writes one line per top-level window of this desktop to the file named by the
// first argument (UTF-8): visible flag, process id, caption, owner's caption,
// window class.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Caption(HWND w) {
  if (!w) return std::string();
  wchar_t text[256] = {};
  GetWindowTextW(w, text, 256);
  char utf8[1024] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

BOOL CALLBACK Line(HWND w, LPARAM out) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  std::fprintf(reinterpret_cast<FILE*>(out), "%d\t%lu\t%s\t%s\t%s\n", IsWindowVisible(w) ? 1 : 0,
               static_cast<unsigned long>(pid), Caption(w).c_str(),
               Caption(GetWindow(w, GW_OWNER)).c_str(), cls);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  FILE* out = std::fopen(argv[1], "wb");
  if (!out) return 1;
  EnumWindows(Line, reinterpret_cast<LPARAM>(out));
  std::fclose(out);
  return 0;
}
