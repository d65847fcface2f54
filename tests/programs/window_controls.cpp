// Describes the visible top-level window of another program on this desktop
// whose caption is the second argument, into the file named by the first (UTF-8),
// so a shell test can find where to click and read what the user sees:
//   client <left> <top> <right> <bottom>                (screen coordinates)
//   window <left> <top> <right> <bottom> <maximised 0|1> <style, hex>
//   workarea <left> <top> <right> <bottom>              (of the desktop)
//   child <class> <left> <top> <right> <bottom>         (one per child window)
//   panel <index> <text>                                (status bar panels)
//   items <count> <item height> <selected index>        (after a list box)
//   focus <class>                                       (the window with the keyboard
//                                                       focus in the program's thread)
//   node <left> <top> <right> <bottom> <selected> <expanded> <children> <button x> <label>
//                                                       (each visible tree node: its label's
//                                                       rectangle, flags 0/1, the x of its
//                                                       expand button or -1; label in UTF-8)
// Exit code 1 when no such window appears within five seconds.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
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
      // The length counts characters, not the bytes of a UTF-8 text: read to the end.
      ReadProcessMemory(proc, remote, text, size - 1, &got);
      std::fprintf(out, "panel %d %s\n", i, std::string(text, strnlen(text, got)).c_str());
    }
    VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
  }
  CloseHandle(proc);
}

// Memory in the window's own process, for messages that pass pointers.
class Remote {
public:
  explicit Remote(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    proc_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (proc_) at_ = VirtualAllocEx(proc_, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
  }
  ~Remote() {
    if (at_) VirtualFreeEx(proc_, at_, 0, MEM_RELEASE);
    if (proc_) CloseHandle(proc_);
  }
  explicit operator bool() const { return at_ != nullptr; }
  char* At(size_t offset) const { return static_cast<char*>(at_) + offset; }
  void Put(size_t offset, const void* data, size_t n) const {
    SIZE_T done = 0;
    WriteProcessMemory(proc_, At(offset), data, n, &done);
  }
  void Get(size_t offset, void* data, size_t n) const {
    SIZE_T done = 0;
    ReadProcessMemory(proc_, At(offset), data, n, &done);
  }

private:
  HANDLE proc_ = nullptr;
  void* at_ = nullptr;
};

LRESULT Ask(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR r = 0;
  SendMessageTimeoutA(w, msg, wp, lp, SMTO_ABORTIFHUNG, 2000, &r);
  return static_cast<LRESULT>(r);
}

void TreeNodes(HWND tree, FILE* out) {
  Remote mem(tree);
  if (!mem) return;
  auto node = reinterpret_cast<HTREEITEM>(Ask(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
  for (; node; node = reinterpret_cast<HTREEITEM>(
                   Ask(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(node)))) {
    RECT r{};
    std::memcpy(&r, &node, sizeof node);
    mem.Put(0, &r, sizeof r);
    if (!Ask(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(mem.At(0)))) break;
    mem.Get(0, &r, sizeof r);
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN | TVIF_HANDLE;
    item.hItem = node;
    item.stateMask = TVIS_SELECTED | TVIS_EXPANDED;
    item.pszText = reinterpret_cast<LPWSTR>(mem.At(1024));
    item.cchTextMax = 1000;
    mem.Put(0, &item, sizeof item);
    Ask(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(mem.At(0)));
    mem.Get(0, &item, sizeof item);
    wchar_t text[1001] = {};
    mem.Get(1024, text, 2000);
    char label[3000] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, label, sizeof label, nullptr, nullptr);
    // The expand button: the first point left of the label that the control says is one.
    int button = -1, y = (r.top + r.bottom) / 2;
    for (int x = r.left - 1; x >= 0 && item.cChildren; --x) {
      TVHITTESTINFO hit{};
      hit.pt = {x, y};
      mem.Put(0, &hit, sizeof hit);
      Ask(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(mem.At(0)));
      mem.Get(0, &hit, sizeof hit);
      if (hit.flags & TVHT_ONITEMBUTTON) {
        button = x;
        break;
      }
    }
    POINT a{r.left, r.top}, b{r.right, r.bottom}, c{button, y};
    ClientToScreen(tree, &a);
    ClientToScreen(tree, &b);
    ClientToScreen(tree, &c);
    std::fprintf(out, "node %ld %ld %ld %ld %d %d %d %ld %s\n", a.x, a.y, b.x, b.y,
                 (item.state & TVIS_SELECTED) ? 1 : 0, (item.state & TVIS_EXPANDED) ? 1 : 0,
                 item.cChildren ? 1 : 0, button < 0 ? -1L : c.x, label);
  }
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
    if (lstrcmpiA(cls, WC_TREEVIEWA) == 0) TreeNodes(w, out);
    if (lstrcmpiA(cls, "ListBox") == 0)
      std::fprintf(out, "items %d %d %d\n", static_cast<int>(SendMessageA(w, LB_GETCOUNT, 0, 0)),
                   static_cast<int>(SendMessageA(w, LB_GETITEMHEIGHT, 0, 0)),
                   static_cast<int>(SendMessageA(w, LB_GETCURSEL, 0, 0)));
  }
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  char focus[64] = "none";
  if (GetGUIThreadInfo(GetWindowThreadProcessId(s.found, nullptr), &gui) && gui.hwndFocus)
    GetClassNameA(gui.hwndFocus, focus, sizeof focus);
  std::fprintf(out, "focus %s\n", focus);
  std::fclose(out);
  return MoveFileExA(part.c_str(), argv[1], MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
