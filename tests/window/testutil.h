// Helpers for tests that drive real windows under Wine.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/form.h"

namespace pixtest {

// Dispatches messages for about `ms` milliseconds (and at least once).
void Pump(int ms = 50);
// Waits for a condition, pumping this thread's messages meanwhile.
bool WaitFor(const std::function<bool()>& done, int ms = 5000);
// Runs the program's own loop until this thread has nothing left to handle: what
// was posted, sent, typed or clicked, and every paint that is due (timers aside,
// which a test waits for by what they do). False when that took over `ms`.
bool Settle(int ms = 3000);

// A shown, unactivated 300 x 400 form that hosts a control under test.
class HostForm : public pix::TForm {
public:
  void Make() {
    CreateForm("host", WS_OVERLAPPEDWINDOW, 0, {0, 0, 300, 400});
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  }
};

// Text and caption of a message box, and the box's style bits.
struct BoxSeen {
  bool shown = false;
  std::string caption, text;
  bool errorIcon = false;
};
// Runs `trigger`, which is expected to show a message box of this process; the box
// is read and dismissed from another thread. Returns what was seen.
BoxSeen CatchMessageBox(const std::function<void()>& trigger);

// A 24-bit bitmap file of one colour, padded with zero bytes to `fileSize` if given.
std::string SolidBitmap(int w, int h, COLORREF c, size_t fileSize = 0);

// A w x h surface of 32-bit pixels (0x00RRGGBB, top row first) selected into a
// memory device context, every pixel `fill` to begin with.
struct Canvas {
  Canvas(int w, int h, uint32_t fill);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  // GDI may batch drawing: flushed before a pixel is read.
  uint32_t At(int x, int y) const {
    GdiFlush();
    return bits[static_cast<size_t>(y) * w + x] & 0xFFFFFF;
  }
  int w, h;
  HDC dc = nullptr;
  uint32_t* bits = nullptr;

private:
  HBITMAP dib_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// Pixels of a window's client area (a DIB of 32-bit BGRX).
struct Capture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};
Capture CaptureClient(HWND wnd);
// A rectangle of a window's client area (all of it by default) as the screen
// shows it now, copied from the screen: nothing is painted again for it.
Capture CaptureScreen(HWND wnd, RECT r = {});
// Its dark pixels: text (greyed text too) and lines on a light background.
int Ink(const Capture& c);
// The dark pixels of a line of text drawn whole in this font: what a control
// that shows the text uncut has at least.
int InkOfText(HFONT font, const std::string& utf8);

// Deletes a folder and everything in it, read-only or not.
void RemoveTree(const std::string& path);

// A temporary folder removed with its contents at the end of the test.
class TempDir {
public:
  TempDir();
  ~TempDir();
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }
  void Write(const std::string& name, const std::string& bytes) const;

private:
  std::string path_;
};

// Keeps the process's current directory across a test: the file list moves it.
class CurrentDirGuard {
public:
  CurrentDirGuard();
  ~CurrentDirGuard();

private:
  std::string saved_;
};

}  // namespace pixtest
