// The open dialog of another program on this desktop, for shell tests:
//   open_dialog OUT post CAPTION ID   posts the command ID to the window CAPTION
//                                     (as its menu item does), writes "posted"
//   open_dialog OUT describe          describes the open dialog (the dialog with
//                                     the preview pane):
//     view <left> <top> <right> <bottom>   the file view, screen coordinates
//     items <count>                        entries in the file view
//     label <text>                         the preview pane's label
//     caption <text>                       the preview pane's picture caption
//     picture <l> <t> <r> <b>              the pane's picture view, on screen
// Exit code 1 when no such window appears within five seconds.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Search {
  std::wstring title;
  bool dialog;
  HWND found = nullptr;
};

std::wstring Wide(const char* s) {
  wchar_t w[512] = {};
  MultiByteToWideChar(CP_UTF8, 0, s, -1, w, 512);
  return w;
}

std::string Utf8(HWND w) {
  wchar_t text[512] = {};
  GetWindowTextW(w, text, 512);
  char out[1024] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
  return out;
}

BOOL CALLBACK FindLabel(HWND w, LPARAM p) {
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (std::string(cls) != "PixlumenLabel") return TRUE;
  *reinterpret_cast<bool*>(p) = true;
  return FALSE;
}

// The caption names the main window; the dialog is known by its pane (a title
// in the command line would pass through the code page).
BOOL CALLBACK FindTop(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  wchar_t cls[64] = {}, text[256] = {};
  GetClassNameW(w, cls, 64);
  GetWindowTextW(w, text, 256);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (!IsWindowVisible(w) || pid == GetCurrentProcessId()) return TRUE;
  bool match = false;
  if (s->dialog && std::wstring(cls) == L"#32770")
    EnumChildWindows(w, FindLabel, reinterpret_cast<LPARAM>(&match));
  else if (!s->dialog)
    match = s->title == text && std::wstring(cls) != L"#32770";
  if (match) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK Describe(HWND w, LPARAM p) {
  FILE* out = reinterpret_cast<FILE*>(p);
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  std::string c = cls;
  if (c == "SysListView32") {
    RECT r;
    GetWindowRect(w, &r);
    std::fprintf(out, "view %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    std::fprintf(out, "items %d\n", static_cast<int>(SendMessageA(w, LVM_GETITEMCOUNT, 0, 0)));
  } else if (c == "PixlumenLabel") {
    std::fprintf(out, "label %s\n", Utf8(w).c_str());
  } else if (c == "PixlumenFramedPanel" && GetWindow(w, GW_CHILD)) {
    // The picture's panel: the one holding the picture view.
    char childClass[64] = {};
    GetClassNameA(GetWindow(w, GW_CHILD), childClass, sizeof childClass);
    if (std::string(childClass) == "PixlumenImage") {
      std::fprintf(out, "caption %s\n", Utf8(w).c_str());
      RECT r;
      GetWindowRect(GetWindow(w, GW_CHILD), &r);
      std::fprintf(out, "picture %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    }
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string mode = argv[2];
  Search s{Wide(argc > 3 ? argv[3] : ""), mode == "describe"};
  for (int i = 0; i < 100 && !s.found; ++i) {
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&s));
    if (!s.found) Sleep(50);
  }
  if (!s.found) return 1;
  std::string part = std::string(argv[1]) + ".part";
  FILE* out = std::fopen(part.c_str(), "wb");
  if (!out) return 1;
  if (mode == "post" && argc > 4) {
    PostMessageA(s.found, WM_COMMAND, static_cast<WPARAM>(std::atoi(argv[4])), 0);
    std::fprintf(out, "posted\n");
  } else {
    EnumChildWindows(s.found, Describe, reinterpret_cast<LPARAM>(out));
  }
  std::fclose(out);
  return MoveFileExA(part.c_str(), argv[1], MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
