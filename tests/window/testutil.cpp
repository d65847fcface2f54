#include "testutil.h"

#include <algorithm>

#include <atomic>
#include <thread>

#include "ui/app.h"

namespace pixtest {

void Pump(int ms) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  do {
    pix::Application().ProcessMessages();  // the program's own loop: Tab, key preview
    Sleep(5);
  } while (static_cast<int>(end - GetTickCount()) > 0);
}

bool Settle(int ms) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  // Quiet on a few checks in a row: the display server's events for what was
  // just handled (a map, a move) reach the queue a moment later.
  for (int quiet = 0;;) {
    pix::Application().ProcessMessages();
    quiet = HIWORD(GetQueueStatus(QS_ALLINPUT & ~QS_TIMER)) == 0 ? quiet + 1 : 0;
    if (quiet >= 3) return true;
    if (static_cast<int>(end - GetTickCount()) <= 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT & ~QS_TIMER);
  }
}

bool WaitFor(const std::function<bool()>& done, int ms) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (static_cast<int>(end - GetTickCount()) <= 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

namespace {
struct FindBox {
  DWORD pid;
  HWND found;
};
BOOL CALLBACK FindBoxProc(HWND w, LPARAM p) {
  auto* f = reinterpret_cast<FindBox*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (pid == f->pid && std::string(cls) == "#32770" && IsWindowVisible(w)) {
    f->found = w;
    return FALSE;
  }
  return TRUE;
}
std::string TextOf(HWND w) {
  char buf[2048] = {};
  GetWindowTextA(w, buf, sizeof buf);
  return buf;
}
}  // namespace

BoxSeen CatchMessageBox(const std::function<void()>& trigger) {
  BoxSeen seen;
  std::atomic<bool> done{false};
  // Watches for as long as the trigger runs: a box keeps the trigger from returning.
  std::thread watcher([&] {
    while (!done) {
      FindBox f{GetCurrentProcessId(), nullptr};
      EnumWindows(FindBoxProc, reinterpret_cast<LPARAM>(&f));
      if (f.found) {
        seen.shown = true;
        seen.caption = TextOf(f.found);
        seen.text = TextOf(GetDlgItem(f.found, 0xFFFF));
        // The error icon is a static control holding an icon.
        seen.errorIcon = GetDlgItem(f.found, 0x14) != nullptr;
        PostMessageA(f.found, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(20);
    }
  });
  try {
    trigger();
  } catch (...) {
    done = true;
    watcher.join();
    throw;
  }
  done = true;
  watcher.join();
  return seen;
}

std::string SolidBitmap(int w, int h, COLORREF c, size_t fileSize) {
  int row = (w * 3 + 3) & ~3;
  std::string px(static_cast<size_t>(row) * h, '\0');
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t o = static_cast<size_t>(y) * row + x * 3;
      px[o] = static_cast<char>(GetBValue(c));
      px[o + 1] = static_cast<char>(GetGValue(c));
      px[o + 2] = static_cast<char>(GetRValue(c));
    }
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = static_cast<DWORD>(fh.bfOffBits + px.size());
  ih.biSize = sizeof ih;
  ih.biWidth = w;
  ih.biHeight = h;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  std::string out(reinterpret_cast<const char*>(&fh), sizeof fh);
  out.append(reinterpret_cast<const char*>(&ih), sizeof ih);
  out += px;
  if (fileSize > out.size()) out.resize(fileSize, '\0');
  return out;
}

Capture CaptureClient(HWND wnd) {
  Capture c;
  RECT r;
  GetClientRect(wnd, &r);
  c.width = r.right;
  c.height = r.bottom;
  if (c.width <= 0 || c.height <= 0) return c;
  Canvas canvas(c.width, c.height, 0);
  HDC wdc = GetDC(wnd);
  BitBlt(canvas.dc, 0, 0, c.width, c.height, wdc, 0, 0, SRCCOPY);
  ReleaseDC(wnd, wdc);
  GdiFlush();
  c.pixels.assign(canvas.bits, canvas.bits + static_cast<size_t>(c.width) * c.height);
  return c;
}

Capture CaptureScreen(HWND wnd, RECT r) {
  if (IsRectEmpty(&r)) GetClientRect(wnd, &r);
  MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
  Capture c;
  c.width = r.right - r.left;
  c.height = r.bottom - r.top;
  if (c.width <= 0 || c.height <= 0) return c;
  Canvas canvas(c.width, c.height, 0);
  HDC screen = GetDC(nullptr);
  BitBlt(canvas.dc, 0, 0, c.width, c.height, screen, r.left, r.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  GdiFlush();
  c.pixels.assign(canvas.bits, canvas.bits + static_cast<size_t>(c.width) * c.height);
  return c;
}

int Ink(const Capture& c) {
  return static_cast<int>(std::count_if(c.pixels.begin(), c.pixels.end(), [](uint32_t p) {
    return (p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF) < 3 * 0xB0;
  }));
}

int InkOfText(HFONT font, const std::string& utf8) {
  std::wstring text(utf8.size(), L'\0');
  text.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                  text.data(), static_cast<int>(text.size())));
  Canvas canvas(1200, 200, 0xFFFFFF);
  HGDIOBJ old = SelectObject(canvas.dc, font);
  TextOutW(canvas.dc, 4, 4, text.c_str(), static_cast<int>(text.size()));
  SelectObject(canvas.dc, old);
  GdiFlush();
  Capture c{canvas.w, canvas.h, {canvas.bits, canvas.bits + canvas.w * canvas.h}};
  return Ink(c);
}

Canvas::Canvas(int w, int h, uint32_t fill) : w(w), h(h) {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  dc = CreateCompatibleDC(nullptr);
  void* pixels = nullptr;
  dib_ = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0);
  bits = static_cast<uint32_t*>(pixels);
  old_ = SelectObject(dc, dib_);
  std::fill(bits, bits + static_cast<size_t>(w) * h, fill);
}

Canvas::~Canvas() {
  SelectObject(dc, old_);
  DeleteDC(dc);
  DeleteObject(dib_);
}

TempDir::TempDir() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  char name[MAX_PATH];
  GetTempFileNameA(base, "pxt", 0, name);
  DeleteFileA(name);
  CreateDirectoryA(name, nullptr);
  path_ = name;
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string n = fd.cFileName, full = path + "\\" + n;
      if (n == "." || n == "..") continue;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(full);
      else
        DeleteFileA(full.c_str());
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(path.c_str());
}

TempDir::~TempDir() { RemoveTree(path_); }

void TempDir::Write(const std::string& name, const std::string& bytes) const {
  HANDLE h = CreateFileA(File(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD n = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
}

CurrentDirGuard::CurrentDirGuard() {
  char dir[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, dir);
  saved_ = dir;
}

CurrentDirGuard::~CurrentDirGuard() { SetCurrentDirectoryA(saved_.c_str()); }

}  // namespace pixtest
