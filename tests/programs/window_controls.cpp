// Describes the visible top-level window of another program on this desktop
// whose caption is the second argument, into the file named by the first (UTF-8),
// so a shell test can find where to click and read what the user sees:
//   client <left> <top> <right> <bottom>                (screen coordinates)
//   window <left> <top> <right> <bottom> <maximised 0|1> <style, hex>
//   workarea <left> <top> <right> <bottom>              (of the desktop)
//   child <class> <left> <top> <right> <bottom>         (one per child window)
//   panel <index> <text>                                (status bar panels)
//   items <count> <item height> <selected index>        (after a list box)
// Exit code 1 when no such window appears within five seconds.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Search {
  std::string caption;
  HWND found = nullptr;
};

BOOL CALLBACK FindTop(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  char cls[64] = {}, text[256] = {};
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextA(w, text, sizeof text);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (IsWindowVisible(w) && pid != GetCurrentProcessId() && s->caption == text &&
      std::string(cls) != "#32770") {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK Collect(HWND w, LPARAM p) {
  if (IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
  return TRUE;
}

// Status bar texts live in the other process: the text is fetched into memory
// allocated there and read back.
void Panels(HWND bar, FILE* out) {
  DWORD pid = 0;
  GetWindowThreadProcessId(bar, &pid);
  HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!proc) return;
  const SIZE_T size = 4096;
  void* remote = VirtualAllocEx(proc, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  if (remote) {
    int parts = static_cast<int>(SendMessageA(bar, SB_GETPARTS, 0, 0));
    for (int i = 0; i < parts; ++i) {
      DWORD_PTR len = 0;
      SendMessageTimeoutA(bar, SB_GETTEXTLENGTHA, i, 0, SMTO_ABORTIFHUNG, 2000, &len);
      if (LOWORD(len) >= size) continue;
      DWORD_PTR ignored = 0;
      SendMessageTimeoutA(bar, SB_GETTEXTA, i, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG,
                          2000, &ignored);
      char text[size] = {};
      SIZE_T got = 0;
      ReadProcessMemory(proc, remote, text, LOWORD(len), &got);
      std::fprintf(out, "panel %d %s\n", i, std::string(text, got).c_str());
    }
    VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
  }
  CloseHandle(proc);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  Search s{argv[2]};
  for (int i = 0; i < 100 && !s.found; ++i) {
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&s));
    if (!s.found) Sleep(50);
  }
  if (!s.found) return 1;
  // Written aside and renamed, so a reader never sees half a description.
  std::string part = std::string(argv[1]) + ".part";
  FILE* out = std::fopen(part.c_str(), "wb");
  if (!out) return 1;
  RECT c;
  GetClientRect(s.found, &c);
  MapWindowPoints(s.found, nullptr, reinterpret_cast<POINT*>(&c), 2);
  std::fprintf(out, "client %ld %ld %ld %ld\n", c.left, c.top, c.right, c.bottom);
  RECT wr, work;
  GetWindowRect(s.found, &wr);
  std::fprintf(out, "window %ld %ld %ld %ld %d %lx\n", wr.left, wr.top, wr.right, wr.bottom,
               IsZoomed(s.found) ? 1 : 0,
               static_cast<unsigned long>(GetWindowLongA(s.found, GWL_STYLE)));
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  std::fprintf(out, "workarea %ld %ld %ld %ld\n", work.left, work.top, work.right, work.bottom);
  std::vector<HWND> children;
  EnumChildWindows(s.found, Collect, reinterpret_cast<LPARAM>(&children));
  for (HWND w : children) {
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    RECT r;
    GetWindowRect(w, &r);
    std::fprintf(out, "child %s %ld %ld %ld %ld\n", cls, r.left, r.top, r.right, r.bottom);
    if (lstrcmpiA(cls, STATUSCLASSNAMEA) == 0) Panels(w, out);
    if (lstrcmpiA(cls, "ListBox") == 0)
      std::fprintf(out, "items %d %d %d\n", static_cast<int>(SendMessageA(w, LB_GETCOUNT, 0, 0)),
                   static_cast<int>(SendMessageA(w, LB_GETITEMHEIGHT, 0, 0)),
                   static_cast<int>(SendMessageA(w, LB_GETCURSEL, 0, 0)));
  }
  std::fclose(out);
  return MoveFileExA(part.c_str(), argv[1], MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
