// Writes the caption and the text of the message box that another program of
// this desktop shows, one per line (UTF-8), to the file named by the first
// argument, so a shell test can read what the user sees. Exit code 1 when no box
// appears within five seconds.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

HWND found;

BOOL CALLBACK FindBox(HWND w, LPARAM) {
  wchar_t cls[16] = {};
  GetClassNameW(w, cls, 16);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (std::wstring(cls) == L"#32770" && IsWindowVisible(w) && pid != GetCurrentProcessId()) {
    found = w;
    return FALSE;
  }
  return TRUE;
}

std::string TextOf(HWND w) {
  wchar_t text[2048] = {};
  if (w) {
    SendMessageTimeoutW(w, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, nullptr);
  }
  char utf8[8192] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  for (int i = 0; i < 100 && !found; ++i) {
    EnumWindows(FindBox, 0);
    if (!found) Sleep(50);
  }
  if (!found) return 1;
  FILE* out = std::fopen(argv[1], "wb");
  if (!out) return 1;
  std::fprintf(out, "%s\n%s\n", TextOf(found).c_str(), TextOf(GetDlgItem(found, 0xFFFF)).c_str());
  std::fclose(out);
  return 0;
}
