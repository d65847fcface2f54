// Stepping through a folder of large JPEGs with reading ahead, driven by
// bench/readahead.sh (the files come from fullscreen_bench make):
//   readahead_bench fullscreen <folder> <keys> <pause ms>
//       Right in the full-screen view after a pause: key posted to picture painted
//   readahead_bench list <folder> <keys> <pause ms>
//       Down in the main list, the preview reducing to fit: the same
//   readahead_bench held <folder> <keys> <interval ms>
//       Right posted every interval in the full-screen view: last key to picture painted
//   readahead_bench peak <folder> <keys> <pause ms> on|off
//       the full-screen walk with (or without) reading ahead: the peak working set
// Prints "ms t1 t2 ..." (or "peak <bytes> <width> <height>") and what was read ahead.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/MainUnit.h"
#include "bench_util.h"
#include "browse/shellfolder.h"
#include "fullscreen/FullScreenUnit.h"
#include "pictures/jpeg.h"
#include "pictures/readahead.h"
#include "ui/app.h"

using bench::Now;

namespace {

bool Decoded(pix::TImageHost& host) {
  auto* j = dynamic_cast<pix::TJPEGImage*>(host.Picture().Graphic());
  return j && j->DecodedBitmap() && !GetUpdateRect(host.Handle(), nullptr, FALSE);
}

// When a watched window's paint last returned: the picture is on screen then,
// before whatever else the loop does ahead of its idle step.
double& LastPaint() {
  static double at = 0;
  return at;
}
LRESULT CALLBACK PaintWatch(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  LRESULT r = DefSubclassProc(w, msg, wp, lp);
  if (msg == WM_PAINT) LastPaint() = Now();
  return r;
}
void WatchPaints(HWND w) { SetWindowSubclass(w, PaintWatch, 1, 0); }

// Lets the loop come back to the idle step soon, without spinning. A timer's
// message, not a posted one: those would come before every timer of the program.
void CALLBACK WakeOnce(HWND, UINT, UINT_PTR id, DWORD) { KillTimer(nullptr, id); }
void Nap() { SetTimer(nullptr, 0, 2, WakeOnce); }

// Runs in the idle step of a message loop: after each key, waits until the
// awaited picture is painted, then pauses before the next key.
struct Steps {
  int keys = 0;
  double pauseMs = 0;
  std::function<void()> press;
  std::function<bool()> shown;  // the picture of the last key is on screen
  std::function<void()> done;
  int sent = 0;
  bool awaiting = false, finished = false;
  double t0 = 0, resume = 0;
  std::vector<double> ms;

  void Idle() {
    if (finished) return;
    if (awaiting) {
      if (!shown()) return Nap();
      // The paint that put the picture on screen was the last one (none is due).
      ms.push_back((LastPaint() > t0 ? LastPaint() : Now()) - t0);
      awaiting = false;
      resume = Now() + pauseMs;
    }
    if (sent == keys) {
      finished = true;
      return done();
    }
    if (Now() < resume) return Nap();
    ++sent;
    awaiting = true;
    t0 = Now();
    press();
  }
};

struct Session {
  pix::TShellSession shell;  // the folder tree needs the shell's folders
  pix::TJPEGKindRegistration kind;
  pix::TfmMain main;
  std::string error;

  explicit Session(const std::string& folder) {
    pix::Application().SetTitle("Pixlumen");
    pix::Application().MessageBoxHook = [this](const std::string& text, const std::string&) {
      error = text;
    };
    main.Create();
    pix::Application().SetMainWindow(main.Handle());
    ShowWindow(main.Handle(), SW_SHOW);
    main.flList.SetFolder(folder);
    main.flList.SetItemIndex(0);
  }
  std::string Name(int index) { return main.flList.Item(index % main.flList.Count()); }
  bool ViewShows(int index) {
    pix::TfmView* v = main.fmView();
    return v && v->Text() == "Pixlumen : " + Name(index) && Decoded(v->imgWiev);
  }
  // Runs the steps in the full-screen view's modal loop.
  void FullScreen(Steps& steps) {
    main.flListChange();
    UpdateWindow(main.Handle());
    steps.done = [this] { PostMessageA(main.fmView()->Handle(), WM_KEYDOWN, VK_ESCAPE, 1); };
    pix::Application().OnIdle = [&] {
      pix::TfmView* v = main.fmView();
      if (!v || !IsWindowVisible(v->Handle())) return;
      WatchPaints(v->imgWiev.Handle());
      steps.Idle();
    };
    main.AcFullScreenExecute();
    pix::Application().OnIdle = nullptr;
  }
  int Report(const std::vector<double>& ms) {
    if (!error.empty() || ms.empty()) {
      std::fprintf(stderr, "readahead_bench: %s\n", error.empty() ? "nothing measured" : error.c_str());
      return 1;
    }
    std::printf("ms");
    for (double t : ms) std::printf(" %.1f", t);
    pix::TReadAhead& ra = pix::ReadAhead();
    std::printf("\ntried %d interrupted %d ahead %d taken %d decoded-at-draw %d\n", ra.Tried(),
                ra.Interrupted(), ra.Finished(), ra.Taken(), ra.DecodedAtDraw());
    return 0;
  }
};

// `keys` steps to the right in the full-screen view, each after a pause.
void StepRight(Session& s, Steps& steps, int keys, double pause) {
  steps.keys = keys;
  steps.pauseMs = pause;
  steps.resume = Now() + pause;
  steps.press = [&s] { PostMessageA(s.main.fmView()->Handle(), WM_KEYDOWN, VK_RIGHT, 1); };
  // A picture that fails ends the walk: the failure is the result.
  steps.shown = [&s, &steps] { return !s.error.empty() || s.ViewShows(steps.sent); };
  s.FullScreen(steps);
}

int RunFullScreen(const std::string& folder, int keys, double pause) {
  Session s(folder);
  Steps steps;
  StepRight(s, steps, keys, pause);
  return s.Report(steps.ms);
}

int RunList(const std::string& folder, int keys, double pause) {
  Session s(folder);
  if (s.main.flList.Count() <= keys) return std::fprintf(stderr, "too few files\n"), 1;
  s.main.Img.SetProportional(true);  // the preview reduces to fit
  WatchPaints(s.main.Img.Handle());
  s.main.flListChange();
  s.main.SetActiveControl(s.main.flList.Handle());
  SetForegroundWindow(s.main.Handle());
  Steps steps;
  steps.keys = keys;
  steps.pauseMs = pause;
  steps.resume = Now() + pause;
  steps.press = [&] { PostMessageA(s.main.flList.Handle(), WM_KEYDOWN, VK_DOWN, 1); };
  steps.shown = [&] {
    const std::string& path = s.main.StatusBar.PanelText(2);
    std::string name = s.Name(steps.sent);
    return path.size() > name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0 &&
           Decoded(s.main.Img);
  };
  steps.done = [] { pix::Application().Terminate(); };
  pix::Application().OnIdle = [&] { steps.Idle(); };
  pix::Application().Run();
  pix::Application().OnIdle = nullptr;
  return s.Report(steps.ms);
}

// Keys from another thread at a steady pace, as a held key repeats.
int RunHeld(const std::string& folder, int keys, int interval) {
  Session s(folder);
  std::atomic<bool> posted{false};
  double last = 0;
  std::thread poster;
  Steps steps;
  steps.keys = 1;
  steps.press = [&] {
    HWND view = s.main.fmView()->Handle();
    poster = std::thread([&, view] {
      for (int i = 0; i < keys; ++i) {
        if (i > 0) Sleep(static_cast<DWORD>(interval));
        PostMessageA(view, WM_KEYDOWN, VK_RIGHT, 1);
        last = Now();
      }
      posted = true;
    });
  };
  // The same picture comes round every few keys: only the last key's counts.
  steps.shown = [&] {
    MSG m;
    return posted && !PeekMessageA(&m, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE) &&
           s.main.flList.ItemIndex() == keys % s.main.flList.Count() && s.ViewShows(keys);
  };
  s.FullScreen(steps);
  if (poster.joinable()) poster.join();
  if (!steps.ms.empty()) steps.ms.back() = steps.t0 + steps.ms.back() - last;
  return s.Report(steps.ms);
}

int RunPeak(const std::string& folder, int keys, double pause, bool on) {
  if (!on) {
    // Nothing read ahead, and nothing kept from a draw either.
    pix::ReadAhead().Stop();
    pix::JPEGDecodeHooks().Find = nullptr;
    pix::JPEGDecodeHooks().Decoded = nullptr;
    pix::KeptPicturesRelease() = nullptr;
  }
  Session s(folder);
  Steps steps;
  StepRight(s, steps, keys, pause);
  if (!s.error.empty() || static_cast<int>(steps.ms.size()) != keys)
    return std::fprintf(stderr, "readahead_bench: %s\n", s.error.c_str()), 1;
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  const pix::TPicture& p = s.main.fmView()->imgWiev.Picture();
  std::printf("peak %llu %d %d\n", static_cast<unsigned long long>(pmc.PeakWorkingSetSize),
              p.Width(), p.Height());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  if (argc >= 5) {
    std::string mode = argv[1], folder = argv[2];
    int keys = std::atoi(argv[3]);
    double n = std::atof(argv[4]);
    if (mode == "fullscreen") return RunFullScreen(folder, keys, n);
    if (mode == "list") return RunList(folder, keys, n);
    if (mode == "held") return RunHeld(folder, keys, static_cast<int>(n));
    if (mode == "peak" && argc >= 6) return RunPeak(folder, keys, n, std::strcmp(argv[5], "on") == 0);
  }
  std::fprintf(stderr,
               "usage: readahead_bench fullscreen|list FOLDER KEYS PAUSE_MS | held FOLDER KEYS "
               "INTERVAL_MS | peak FOLDER KEYS PAUSE_MS on|off\n");
  return 2;
}
