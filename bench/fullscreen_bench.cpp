// The full-screen view over a folder of 24-megapixel JPEGs:
//   fullscreen_bench make <folder> <count> [w h [progressive-first]]   writes <count>
//       different files of 6000 x 4000 (or w x h) pixels, the first progressive if asked
//   fullscreen_bench run <folder> <keys>     opens the view from the main window, then
// prints the milliseconds from each posted Right key to the next picture painted
// ("key" line), and the repaint of the unchanged view (invalidated with erasing,
// painted at once) against the same repaint of a window of the view's size whose
// paint is one plain BitBlt ("repaint" line); and the view's drawing alone onto
// its window against a bare BitBlt of the view's size there ("draw" line).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../tests/unit/jpeg_writer.h"
#include "app/MainUnit.h"
#include "bench_util.h"
#include "browse/shellfolder.h"
#include "fullscreen/FullScreenUnit.h"
#include "pictures/jpeg.h"
#include "ui/app.h"

using bench::Median;
using bench::Now;

namespace {

int Make(const std::string& folder, int count, int w, int h, bool progressiveFirst) {
  for (int i = 0; i < count; ++i) {
    jpegtest::Recipe recipe{w, h};
    recipe.quality = 90 - i;  // other bytes, the same work to decode
    recipe.progressive = progressiveFirst && i == 0;
    std::string bytes = jpegtest::Photo(recipe);
    std::ofstream(folder + "\\" + std::to_string(i) + ".jpg", std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  return 0;
}

pix::TBitmap* Decoded(pix::TImageHost& host) {
  auto* j = dynamic_cast<pix::TJPEGImage*>(host.Picture().Graphic());
  return j ? j->DecodedBitmap() : nullptr;
}

// One repaint as an exposure asks for it: invalidate with erasing, paint at once.
double RepaintMs(HWND wnd) {
  double t0 = Now();
  InvalidateRect(wnd, nullptr, TRUE);
  UpdateWindow(wnd);
  GdiFlush();
  return Now() - t0;
}

// The reference window: its paint is one BitBlt of its size from a 32-bit DIB.
HDC g_source = nullptr;
LRESULT CALLBACK BlitProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg != WM_PAINT) return DefWindowProcA(wnd, msg, wp, lp);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(wnd, &ps);
  RECT r;
  GetClientRect(wnd, &r);
  BitBlt(dc, 0, 0, r.right, r.bottom, g_source, 0, 0, SRCCOPY);
  EndPaint(wnd, &ps);
  return 0;
}

// Runs inside the view's modal loop: each idle turn comes after the previous
// key's load, the main window's refresh and every repaint.
struct Script {
  pix::TfmMain* main = nullptr;
  int keys = 0, sent = 0, sharedOrNone = 0;
  double t0 = 0;
  std::string lastCaption;
  std::vector<double> keyMs, repaintMs, rereduceMs, blitMs, drawMs, bareBlitMs;
  int viewW = 0, viewH = 0;
  std::string error;

  void Idle() {
    pix::TfmView* v = main->fmView();
    if (!v || !IsWindowVisible(v->Handle())) return;
    if (sent > 0) {
      keyMs.push_back(Now() - t0);
      if (v->Text() == lastCaption) error = "the caption did not change";
      pix::TBitmap* mine = Decoded(v->imgWiev);
      if (!mine) error = "the view's picture was not decoded";
      pix::TBitmap* theirs = Decoded(main->Img);
      if (!theirs || theirs == mine) ++sharedOrNone;
    }
    lastCaption = v->Text();
    if (sent < keys && error.empty()) {
      ++sent;
      t0 = Now();
      PostMessageA(v->Handle(), WM_KEYDOWN, VK_RIGHT, 1);
      return;
    }
    Repaints(*v);
    PostMessageA(v->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  }

  // The drawing alone, outside the paint cycle: the view's paint onto its window.
  void DrawOnly(pix::TfmView& v, HWND wnd) {
    HDC dc = GetDC(wnd);
    for (int i = 0; i < 31; ++i) {
      double t0 = Now();
      v.imgWiev.View().Paint(dc);
      GdiFlush();
      drawMs.push_back(Now() - t0);
    }
    ReleaseDC(wnd, dc);
  }

  // The view's repaint, the same with the reduction made afresh, and the same
  // repaint of a window of the view's size whose paint is a plain BitBlt.
  void Repaints(pix::TfmView& v) {
    HWND wnd = v.imgWiev.Handle();
    RECT r;
    GetClientRect(wnd, &r);
    viewW = r.right;
    viewH = r.bottom;
    auto* bmp = Decoded(v.imgWiev);
    for (int i = 0; i < 31; ++i) repaintMs.push_back(RepaintMs(wnd));
    DrawOnly(v, wnd);
    for (int i = 0; i < 31 && bmp; ++i) {
      bmp->PixelsChanged();
      rereduceMs.push_back(RepaintMs(wnd));
    }
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), viewW, -viewH, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    g_source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(g_source, dib);
    std::memset(bits, 0x80, static_cast<size_t>(viewW) * viewH * 4);
    WNDCLASSA wc{};
    wc.lpfnWndProc = BlitProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PixlumenBlitBench";
    RegisterClassA(&wc);
    MapWindowPoints(wnd, v.Handle(), reinterpret_cast<POINT*>(&r), 2);
    HWND blit = CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD | WS_VISIBLE, r.left, r.top,
                                viewW, viewH, v.Handle(), nullptr, wc.hInstance, nullptr);
    SetWindowPos(blit, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    UpdateWindow(blit);
    for (int i = 0; i < 31; ++i) blitMs.push_back(RepaintMs(blit));
    DestroyWindow(blit);  // it covers the view: the bare BitBlt comes after
    HDC dc = GetDC(wnd);
    for (int i = 0; i < 31; ++i) {
      double t0 = Now();
      BitBlt(dc, 0, 0, viewW, viewH, g_source, 0, 0, SRCCOPY);
      GdiFlush();
      bareBlitMs.push_back(Now() - t0);
    }
    ReleaseDC(wnd, dc);
    SelectObject(g_source, old);
    DeleteDC(g_source);
    DeleteObject(dib);
  }
};

int Run(const std::string& folder, int keys) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  pix::TShellSession shell;  // the main window's folder tree needs the shell's folders
  pix::TJPEGKindRegistration kind;
  pix::Application().SetTitle("Pixlumen");
  pix::TfmMain main;
  main.Create();
  pix::Application().SetMainWindow(main.Handle());
  ShowWindow(main.Handle(), SW_SHOW);
  main.flList.SetFolder(folder);
  main.flList.SetItemIndex(0);
  main.flListChange();
  UpdateWindow(main.Handle());
  Script script;
  script.main = &main;
  script.keys = keys;
  pix::Application().OnIdle = [&] { script.Idle(); };
  pix::Application().MessageBoxHook = [&](const std::string& text, const std::string&) {
    script.error = text;
  };
  main.AcFullScreenExecute();
  pix::Application().OnIdle = nullptr;
  if (!script.error.empty() || script.keyMs.empty()) {
    std::fprintf(stderr, "fullscreen_bench: %s\n",
                 script.error.empty() ? "no key was measured" : script.error.c_str());
    return 1;
  }
  std::printf("key");
  for (double t : script.keyMs) std::printf(" %.1f", t);
  std::printf("\nshared %d of %zu\n", script.sharedOrNone, script.keyMs.size());
  std::printf("draw %.3f bareblit %.3f\n", Median(script.drawMs), Median(script.bareBlitMs));
  std::printf("repaint %.3f blit %.3f rereduce %.3f view %dx%d\n", Median(script.repaintMs),
              Median(script.blitMs), Median(script.rereduceMs), script.viewW, script.viewH);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if ((argc == 4 || argc == 6 || argc == 7) && std::strcmp(argv[1], "make") == 0)
    return Make(argv[2], std::atoi(argv[3]), argc >= 6 ? std::atoi(argv[4]) : 6000,
                argc >= 6 ? std::atoi(argv[5]) : 4000,
                argc == 7 && std::strcmp(argv[6], "progressive-first") == 0);
  if (argc == 4 && std::strcmp(argv[1], "run") == 0) return Run(argv[2], std::atoi(argv[3]));
  std::fprintf(stderr, "usage: fullscreen_bench make FOLDER COUNT [W H [progressive-first]] | run FOLDER KEYS\n");
  return 2;
}
