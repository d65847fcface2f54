// Plays hostile pictures for real: every file of the given folders is loaded
// through the program's own LoadPictureFile and drawn by the platform into a
// 32-bit DIB, at its own size and reduced into a small view the way the
// preview would. One line per file: drawn, refused with the program's message,
// or CRASHED / HUNG; then a summary. Exit 1 when any file crashed or hung.
//
//   replay [--timeout SECONDS] [--as EXT] FOLDER... [--as -] FOLDER...
//
// --as EXT loads the files of the following folders as EXT (fuzz corpora have
// no extensions); --as - goes back to each file's own name. A file that takes
// longer than the timeout (30 s) counts as hung.
//
// The files are played in a child process that reports each file before and
// after it; when the child dies (an access violation, a corrupted heap) or
// stops reporting, the file it was on is marked and a new child goes on with
// the next one.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "child_lines.h"
#include "pictures/graphic.h"
#include "pictures/image.h"
#include "pictures/jpeg.h"
#include "ui/errors.h"

namespace {

const int kViewW = 160, kViewH = 120;  // the reduced view
const int kMaxSide = 4096;             // own-size canvases are cut to this
DWORD g_timeoutMs = 30000;

struct Item {
  std::string path, ext;  // ext: load as this kind; empty: by the file's name
};

// --- Child: plays the files ---------------------------------------------------

HANDLE g_out;
volatile LONG g_current = -1;
volatile LONG g_faults = 0;

void Say(const std::string& line) {
  std::string s = line + "\n";
  DWORD done;
  WriteFile(g_out, s.data(), static_cast<DWORD>(s.size()), &done, nullptr);
}

std::string OneLine(std::string s) {
  for (char& c : s)
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  return s;
}

// Access violations the platform catches itself still count: the read went
// where it must not.
LONG CALLBACK FirstChance(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
    InterlockedIncrement(&g_faults);
  return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI Unhandled(EXCEPTION_POINTERS* info) {
  char line[96];
  std::snprintf(line, sizeof line, "X %ld %08lx %p", g_current,
                static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                info->ExceptionRecord->ExceptionAddress);
  Say(line);
  TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

bool HeapsSound() {
  HANDLE heaps[64];
  DWORD n = GetProcessHeaps(64, heaps);
  for (DWORD i = 0; i < n && i < 64; ++i)
    if (!HeapValidate(heaps[i], 0, nullptr)) return false;
  return true;
}

// A memory DC with a 32-bit top-down DIB section of w x h selected.
struct Canvas {
  Canvas(int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!dib || !dc) throw pix::EOutOfResources("Out of system resources");
    old = SelectObject(dc, dib);
    std::memset(bits, 0x80, static_cast<size_t>(w) * h * 4);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(dib);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  HBITMAP dib = nullptr;
  HDC dc = nullptr;
  HGDIOBJ old = nullptr;
};

// Paints the view's picture into a canvas of the view's size.
void PaintView(pix::TImage& view, int w, int h, bool reduce) {
  view.SetProportional(reduce);
  view.SetBounds({0, 0, w, h});
  Canvas canvas(w, h);
  view.Paint(canvas.dc);
  GdiFlush();
}

// Loads one file and draws it at its own size and reduced; the outcome as a line.
std::string Play(const Item& item, long index, const std::string& temp) {
  std::string path = item.path;
  if (!item.ext.empty()) {
    path = temp + "." + item.ext;
    if (!CopyFileA(item.path.c_str(), path.c_str(), FALSE))
      return "R " + std::to_string(index) + " copy failed";
  }
  pix::TImage view;
  view.SetCenter(true);
  try {
    pix::LoadPictureFile(view.Picture(), path);
  } catch (const std::exception& e) {
    return "R " + std::to_string(index) + " " + OneLine(e.what());
  }
  int w = view.Picture().Width(), h = view.Picture().Height();
  Say("L " + std::to_string(index));  // loaded: a crash from here on is the drawing's
  try {
    PaintView(view, std::clamp(w, 1, kMaxSide), std::clamp(h, 1, kMaxSide), false);
    PaintView(view, kViewW, kViewH, true);
  } catch (const std::exception& e) {
    return "R " + std::to_string(index) + " at draw: " + OneLine(e.what());
  }
  return "D " + std::to_string(index) + " " + std::to_string(w) + "x" + std::to_string(h);
}

std::vector<Item> ReadList(const std::string& file) {
  std::vector<Item> items;
  FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return items;
  char line[4096];
  while (std::fgets(line, sizeof line, f)) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    size_t tab = s.find('\t');
    if (tab == std::string::npos) continue;
    items.push_back({s.substr(tab + 1), s.substr(0, tab)});
  }
  std::fclose(f);
  return items;
}

int Child(const std::string& listFile, long start) {
  g_out = GetStdHandle(STD_OUTPUT_HANDLE);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  AddVectoredExceptionHandler(1, FirstChance);
  SetUnhandledExceptionFilter(Unhandled);
  pix::TJPEGKindRegistration jpeg;
  std::vector<Item> items = ReadList(listFile);
  char dir[MAX_PATH];
  GetTempPathA(sizeof dir, dir);
  std::string temp = std::string(dir) + "replay-" + std::to_string(GetCurrentProcessId());
  for (long i = start; i < static_cast<long>(items.size()); ++i) {
    g_current = i;
    g_faults = 0;
    Say("B " + std::to_string(i));
    std::string outcome = Play(items[static_cast<size_t>(i)], i, temp);
    if (g_faults) {
      Say("X " + std::to_string(i) + " c0000005 (caught by the platform)");
      return 3;
    }
    if (!HeapsSound()) {
      Say("X " + std::to_string(i) + " heap corrupted");
      return 3;
    }
    Say(outcome);
  }
  for (const char* ext : {"bmp", "ico", "wmf", "emf", "jpg", "jpeg"})
    DeleteFileA((temp + "." + ext).c_str());
  return 0;
}

// --- Parent: lists the files, runs children, reports ----------------------------

struct Tally {
  long drawn = 0, refused = 0, crashed = 0, hung = 0;
};

void Report(const std::vector<Item>& items, const std::string& line, Tally& t, long& done) {
  char kind = line.empty() ? '?' : line[0];
  if (kind != 'D' && kind != 'R' && kind != 'X') return;
  char* rest = nullptr;
  long i = std::strtol(line.c_str() + 2, &rest, 10);
  if (i < 0 || i >= static_cast<long>(items.size())) return;
  std::string detail = rest && *rest ? rest + 1 : "";
  const std::string& name = items[static_cast<size_t>(i)].path;
  if (kind == 'D') ++t.drawn, std::printf("drawn    %s  %s\n", name.c_str(), detail.c_str());
  if (kind == 'R') ++t.refused, std::printf("refused  %s  %s\n", name.c_str(), detail.c_str());
  if (kind == 'X') ++t.crashed, std::printf("CRASHED  %s  %s\n", name.c_str(), detail.c_str());
  done = i;
}

// Runs one child from `start`; returns the index to go on from.
long RunChild(const std::string& self, const std::string& listFile, long start,
              const std::vector<Item>& items, Tally& t) {
  long begun = -1, done = -1, loaded = -1;
  bool crashReported = false;
  auto onLine = [&](std::string& line) {
    if (line.rfind("B ", 0) == 0) begun = std::strtol(line.c_str() + 2, nullptr, 10);
    if (line.rfind("L ", 0) == 0) loaded = std::strtol(line.c_str() + 2, nullptr, 10);
    if (line.rfind("X ", 0) == 0 && begun >= 0) line += loaded == begun ? " at draw" : " at load";
    if (line.rfind("X ", 0) == 0) crashReported = true;
    Report(items, line, t, done);
  };
  ChildEnd end;
  if (!RunChildLines(self, listFile, start, g_timeoutMs, onLine, end)) return -1;
  if (end.killed && begun >= 0 && begun != done) {
    ++t.hung;
    std::printf("HUNG     %s  %s\n", items[static_cast<size_t>(begun)].path.c_str(),
                loaded == begun ? "at draw" : "at load");
    done = begun;
    crashReported = true;
  }
  DWORD code = end.code;
  std::fflush(stdout);
  if (code == 0 && !crashReported && begun == done) return static_cast<long>(items.size());
  if (begun < 0) return -1;               // the child died before its first file
  if (!crashReported && begun != done) {  // died without a word: its exit code tells
    ++t.crashed;
    std::printf("CRASHED  %s  exit code %08lx %s\n", items[static_cast<size_t>(begun)].path.c_str(),
                static_cast<unsigned long>(code), loaded == begun ? "at draw" : "at load");
  }
  return begun + 1;
}

std::vector<Item> ListFolders(int argc, char** argv, bool& usage) {
  std::vector<Item> items;
  std::string ext;
  for (int a = 1; a < argc; ++a) {
    std::string arg = argv[a];
    if (arg == "--timeout" && a + 1 < argc) {
      g_timeoutMs = static_cast<DWORD>(std::strtoul(argv[++a], nullptr, 10) * 1000);
      continue;
    }
    if (arg == "--as" && a + 1 < argc) {
      ext = argv[++a];
      if (ext == "-") ext.clear();
      continue;
    }
    if (arg.rfind("--", 0) == 0) {
      usage = true;
      continue;
    }
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((arg + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "replay: no folder %s\n", arg.c_str());
      continue;
    }
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != '.')
        names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) items.push_back({arg + "\\" + n, ext});
  }
  return items;
}

int Parent(int argc, char** argv) {
  bool usage = false;
  std::vector<Item> items = ListFolders(argc, argv, usage);
  if (usage || items.empty()) {
    std::fprintf(stderr, "usage: replay [--as EXT] FOLDER... (no files found)\n");
    return 2;
  }
  char self[MAX_PATH], dir[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  GetTempPathA(sizeof dir, dir);
  std::string listFile = std::string(dir) + "replay-list-" + std::to_string(GetCurrentProcessId());
  FILE* f = std::fopen(listFile.c_str(), "wb");
  if (!f) return 2;
  for (const Item& it : items) std::fprintf(f, "%s\t%s\n", it.ext.c_str(), it.path.c_str());
  std::fclose(f);
  DWORD t0 = GetTickCount();
  Tally t;
  for (long next = 0; next < static_cast<long>(items.size());) {
    next = RunChild(self, listFile, next, items, t);
    if (next < 0) {
      std::fprintf(stderr, "replay: the player process could not start\n");
      DeleteFileA(listFile.c_str());
      return 2;
    }
  }
  DeleteFileA(listFile.c_str());
  std::printf("replay: %zu files: %ld drawn, %ld refused, %ld crashed, %ld hung (%.1f s)\n",
              items.size(), t.drawn, t.refused, t.crashed, t.hung, (GetTickCount() - t0) / 1000.0);
  return t.crashed || t.hung ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
    return Child(argv[2], std::strtol(argv[3], nullptr, 10));
  return Parent(argc, argv);
}
