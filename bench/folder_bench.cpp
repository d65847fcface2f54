// Refilling the file list for a folder of matching files, against the bare
// FindFirstFileA enumeration of the same folder, alternating runs.
// Usage: folder_bench.exe NAME FOLDER REPEATS
// Prints: BENCH <name> <median> ms ratio <r> vs enumerate (<median> ms)
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_util.h"
#include "browse/filelist.h"
#include "ui/form.h"


using bench::Median;
using bench::Now;

namespace {

size_t EnumerateOnce(const char* pattern) {
  size_t n = 0;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(pattern, &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!(fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN))) ++n;
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return n;
}

class Host : public pix::TForm {
public:
  void Make() {
    CreateForm("folder bench", WS_OVERLAPPEDWINDOW, 0, {0, 0, 400, 700});
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: folder_bench NAME FOLDER REPEATS\n");
    return 2;
  }
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  const char* name = argv[1];
  int repeats = std::max(1, std::atoi(argv[3]));
  if (!SetCurrentDirectoryA(argv[2])) {
    std::fprintf(stderr, "cannot enter %s\n", argv[2]);
    return 1;
  }
  Host host;
  host.Make();
  pix::TFileListBox list;  // starts in the folder: its creation reads it once
  list.SetMask("*.bmp");
  list.SetShowGlyphs(true);
  list.Create(host.Handle(), {.bounds = {0, 0, 380, 650}});
  size_t files = EnumerateOnce("*.bmp");
  if (static_cast<size_t>(list.Count()) != files) {
    std::fprintf(stderr, "list holds %d entries, the folder %u files\n", list.Count(),
                 static_cast<unsigned>(files));
    return 1;
  }
  std::vector<double> refill, enumerate, paint;
  for (int i = 0; i < repeats; ++i) {
    double t0 = Now();
    EnumerateOnce("*.bmp");
    double t1 = Now();
    list.RefillEntries();
    double t2 = Now();
    UpdateWindow(list.Handle());  // the first page, painted after the refill
    double t3 = Now();
    enumerate.push_back(t1 - t0);
    refill.push_back(t2 - t1);
    paint.push_back(t3 - t2);
  }
  double r = Median(refill), e = Median(enumerate);
  std::printf("# %s: %u files, %d runs; painting the first page after a refill: %.1f ms\n", name,
              static_cast<unsigned>(files), repeats, Median(paint));
  std::printf("BENCH %s %.1f ms ratio %.2f vs enumerate (%.1f ms)\n", name, r, r / e, e);
  return 0;
}
