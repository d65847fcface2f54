// JPEG benchmark program, driven by bench/jpeg.sh:
//   jpeg_bench make baseline|progressive|gray|rotated <file> [w h]   writes a
//        6000 x 4000 (or w x h) JPEG; rotated: the baseline one tagged to be
//        turned 90 degrees clockwise (Exif orientation 6)
//   jpeg_bench run <file> <repeats>                     load + first draw, timed
// `run` shows each load in a 1280 x 960 view (actual size, centred, as the main
// window's preview) and prints the milliseconds of every repeat, then the
// process's peak working set and the picture's size.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "bench_util.h"
#include "../tests/unit/jpeg_writer.h"
#include "pictures/graphic.h"
#include "pictures/image.h"
#include "pictures/jpeg.h"
#include "ui/errors.h"


using bench::Median;
using bench::Now;

namespace {

constexpr int kViewWidth = 1280, kViewHeight = 960;
pix::TImage* g_view = nullptr;
std::string g_error;

LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    try {
      if (g_view) g_view->Paint(dc);
    } catch (const std::exception& e) {
      g_error = e.what();
    }
    EndPaint(wnd, &ps);
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

int Make(const std::string& kind, const char* path, int w, int h) {
  jpegtest::Recipe recipe{w, h, kind == "gray" ? jpegtest::Kind::Gray : jpegtest::Kind::Color};
  recipe.progressive = kind == "progressive";
  if (kind == "rotated") recipe.app1 = {jpegtest::ExifSegment({6})};
  std::string bytes = jpegtest::Photo(recipe);
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return 0;
}

int Run(const char* path, int repeats) {
  pix::TJPEGKindRegistration kind;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = inst;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "PixlumenJpegBench";
  RegisterClassA(&wc);
  RECT r{0, 0, kViewWidth, kViewHeight};
  AdjustWindowRect(&r, WS_POPUP, FALSE);
  HWND wnd = CreateWindowExA(0, wc.lpszClassName, "jpeg bench", WS_POPUP | WS_VISIBLE, 0, 0,
                             r.right - r.left, r.bottom - r.top, nullptr, nullptr, inst, nullptr);
  pix::TImage view(wnd);
  view.SetBounds({0, 0, kViewWidth, kViewHeight});
  g_view = &view;
  UpdateWindow(wnd);
  std::printf("ms");
  for (int i = 0; i < repeats; ++i) {
    pix::ClearPicture(view.Picture());
    UpdateWindow(wnd);
    double t0 = Now();
    try {
      pix::LoadPictureFile(view.Picture(), path);
    } catch (const std::exception& e) {
      g_error = e.what();
    }
    UpdateWindow(wnd);  // the first paint decodes
    GdiFlush();
    double t1 = Now();
    if (!g_error.empty()) {
      std::fprintf(stderr, "jpeg_bench: %s\n", g_error.c_str());
      return 1;
    }
    std::printf(" %.1f", t1 - t0);
  }
  std::printf("\n");
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  WIN32_FILE_ATTRIBUTE_DATA fa{};
  GetFileAttributesExA(path, GetFileExInfoStandard, &fa);
  std::printf("peak %llu size %d %d %lu\n", static_cast<unsigned long long>(pmc.PeakWorkingSetSize),
              view.Picture().Width(), view.Picture().Height(), fa.nFileSizeLow);
  g_view = nullptr;
  DestroyWindow(wnd);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "make") == 0)
    return Make(argv[2], argv[3], argc >= 6 ? std::atoi(argv[4]) : 6000,
                argc >= 6 ? std::atoi(argv[5]) : 4000);
  if (argc >= 4 && std::strcmp(argv[1], "run") == 0) return Run(argv[2], std::atoi(argv[3]));
  std::fprintf(stderr,
               "usage: jpeg_bench make baseline|progressive|gray|rotated FILE [W H] | run FILE REPEATS\n");
  return 2;
}
