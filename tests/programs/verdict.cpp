// Compares the program's verdict on metafiles with the platform's own: each
// file is loaded through TMetafile, then handed to the platform bare
// (SetEnhMetaFileBits, or SetWinMetaFileBits for the records after a placeable
// header) and played into a memory bitmap. Lists every file the program
// refuses that the platform plays without a fault, with where the program's
// record walk stopped on it, and tallies those places. A platform that plays
// without a fault is not proof of a safe file: a read past a record's end
// often lands in other bytes of the same heap block.
//
//   verdict [--timeout SECONDS] FOLDER...
//
// The files are handled in a child process that reports before and after
// each step; a child that dies or stops reporting marks its step faulted and a
// new child goes on with the next file. Exit 1 when the program's own load
// faulted or hung on any file.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "child_lines.h"
#include "pictures/bytes_core.h"
#include "pictures/metafile.h"
#include "pictures/metafile_core.h"
#include "pictures/stream_core.h"

namespace {

DWORD g_timeoutMs = 20000;

// --- Child -----------------------------------------------------------------------

HANDLE g_out;
volatile LONG g_faults = 0;

void Say(const std::string& line) {
  std::string s = line + "\n";
  DWORD done;
  WriteFile(g_out, s.data(), static_cast<DWORD>(s.size()), &done, nullptr);
}

LONG CALLBACK FirstChance(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
    InterlockedIncrement(&g_faults);
  return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI Unhandled(EXCEPTION_POINTERS*) {
  Say("X");
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

std::string ReadAll(const std::string& path) {
  std::string bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  char buf[65536];
  for (size_t got; (got = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, got);
  std::fclose(f);
  return bytes;
}

// The program's verdict: "ok" or its message.
std::string OwnVerdict(const std::string& bytes) {
  pix::TMetafile mf;
  pix::TMemoryStream s(bytes.data(), bytes.size());
  try {
    mf.LoadFromStream(s);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "ok";
}

// The platform's verdict on the bare bytes: "plays", "refuses" or "rule" (a
// file the program takes by its placeable header or signature only).
std::string PlatformVerdict(const std::string& bytes) {
  auto data = reinterpret_cast<const uint8_t*>(bytes.data());
  HENHMETAFILE emf = nullptr;
  if (pix::IsEnhancedMetafile(data, bytes.size())) {
    emf = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), data);
  } else {
    pix::PlaceableHeader h;
    if (!pix::ReadPlaceableHeader(data, bytes.size(), h)) return "rule";
    METAFILEPICT pict{MM_ANISOTROPIC, 0, 0, nullptr};
    emf = SetWinMetaFileBits(static_cast<UINT>(bytes.size() - pix::kPlaceableHeaderBytes),
                             data + pix::kPlaceableHeaderBytes, nullptr, &pict);
  }
  if (!emf) return "refuses";
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 256, -256, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, dib);
  RECT r{0, 0, 255, 255};
  PlayEnhMetaFile(dc, emf, &r);
  GdiFlush();
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(dib);
  DeleteEnhMetaFile(emf);
  return "plays";
}

std::vector<std::string> ReadList(const std::string& file) {
  std::vector<std::string> items;
  FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return items;
  char line[4096];
  while (std::fgets(line, sizeof line, f)) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    if (!s.empty()) items.push_back(s);
  }
  std::fclose(f);
  return items;
}

// Lines: "O i" before the program's load, "o i VERDICT" after it, "P i" before
// the platform's, "p i VERDICT" after it (a fault turns it into "faults").
int Child(const std::string& listFile, long start) {
  g_out = GetStdHandle(STD_OUTPUT_HANDLE);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  AddVectoredExceptionHandler(1, FirstChance);
  SetUnhandledExceptionFilter(Unhandled);
  std::vector<std::string> items = ReadList(listFile);
  for (long i = start; i < static_cast<long>(items.size()); ++i) {
    std::string bytes = ReadAll(items[static_cast<size_t>(i)]);
    std::string n = std::to_string(i);
    g_faults = 0;
    Say("O " + n);
    std::string own = OwnVerdict(bytes);
    if (g_faults) return 3;  // the parent sees the load unfinished
    Say("o " + n + " " + own);
    Say("P " + n);
    std::string platform = PlatformVerdict(bytes);
    if (g_faults) return 3;
    Say("p " + n + " " + platform);
  }
  return 0;
}

// --- Parent ----------------------------------------------------------------------

// Where the program's walk stops on a file it refuses: the header, a record
// (its number and type) or the platform's conversion after a walk that passed.
std::string WhereItStops(const std::string& bytes) {
  std::vector<uint8_t> v(bytes.begin(), bytes.end());
  const bool enhanced = pix::IsEnhancedMetafile(v.data(), v.size());
  if (enhanced) {
    uint32_t total = pix::U32(v.data() + 48);
    if (total < pix::kEnhancedHeaderBytes || total > v.size()) return "total size";
    v.resize(total);
    pix::WidenEnhancedRecords(v);
  } else {
    pix::PlaceableHeader h;
    if (!pix::ReadPlaceableHeader(v.data(), v.size(), h)) return "placeable header";
    v.erase(v.begin(), v.begin() + pix::kPlaceableHeaderBytes);
    pix::WidenWindowsRecords(v);
  }
  pix::RecordWalk w = enhanced ? pix::CheckEnhancedMetafile(v.data(), v.size())
                               : pix::CheckWindowsMetafile(v.data(), v.size());
  if (w.valid) return "the platform's conversion";
  if (w.records == 0) return "header";
  size_t pos = enhanced ? 0 : 18;
  for (size_t i = 1; i < w.records && pos + 8 <= v.size(); ++i)
    pos += enhanced ? pix::U32(v.data() + pos + 4) : 2 * size_t(pix::U32(v.data() + pos));
  if (pos + 8 > v.size()) return "the end";
  // A walk that reached the end record fails on it or on the header's own fields.
  if (enhanced && pix::U32(v.data() + pos) == pix::kEmrEof) return "end record or header fields";
  char line[64];
  std::snprintf(line, sizeof line, "%s record 0x%04x", enhanced ? "enhanced" : "windows",
                enhanced ? pix::U32(v.data() + pos) : pix::U16(v.data() + pos + 4));
  return line;
}

struct Outcome {
  std::string own, platform;  // empty until reported; "faults" when the step died
};

// Runs one child from `start`; returns the index to go on from.
long RunChild(const std::string& self, const std::string& listFile, long start,
              std::vector<Outcome>& out) {
  long at = -1;
  char step = 0;  // 'O' or 'P' while a step runs
  ChildEnd end;
  auto onLine = [&](std::string& line) {
    if (line.size() < 3) return;
    char* rest = nullptr;
    long i = std::strtol(line.c_str() + 2, &rest, 10);
    if (i < 0 || i >= static_cast<long>(out.size())) return;
    std::string verdict = rest && *rest ? rest + 1 : "";
    at = i;
    step = line[0] == 'O' || line[0] == 'P' ? line[0] : 0;
    if (line[0] == 'o') out[static_cast<size_t>(i)].own = verdict;
    if (line[0] == 'p') out[static_cast<size_t>(i)].platform = verdict;
  };
  if (!RunChildLines(self, listFile, start, g_timeoutMs, onLine, end)) return -1;
  if (at < 0) return -1;  // not one word: the child could not run
  if (!step) return at + 1;
  // The step the child was in faulted or hung.
  Outcome& o = out[static_cast<size_t>(at)];
  (step == 'O' ? o.own : o.platform) = "faults";
  return at + 1;
}

std::vector<std::string> ListFolders(int argc, char** argv) {
  std::vector<std::string> items;
  for (int a = 1; a < argc; ++a) {
    std::string arg = argv[a];
    if (arg == "--timeout" && a + 1 < argc) {
      g_timeoutMs = static_cast<DWORD>(std::strtoul(argv[++a], nullptr, 10) * 1000);
      continue;
    }
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((arg + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) continue;
    do {
      std::string name = fd.cFileName;
      std::string ext = name.size() > 4 ? name.substr(name.size() - 4) : "";
      bool tableFile = name.find('.') != std::string::npos;
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name[0] != '.' &&
          (!tableFile || ext == ".wmf" || ext == ".emf"))
        names.push_back(name);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) items.push_back(arg + "\\" + n);
  }
  return items;
}

int Parent(int argc, char** argv) {
  std::vector<std::string> items = ListFolders(argc, argv);
  if (items.empty()) {
    std::fprintf(stderr, "usage: verdict [--timeout S] FOLDER... (no metafiles found)\n");
    return 2;
  }
  char self[MAX_PATH], dir[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  GetTempPathA(sizeof dir, dir);
  std::string listFile = std::string(dir) + "verdict-list-" + std::to_string(GetCurrentProcessId());
  FILE* f = std::fopen(listFile.c_str(), "wb");
  if (!f) return 2;
  for (const std::string& it : items) std::fprintf(f, "%s\n", it.c_str());
  std::fclose(f);
  std::vector<Outcome> out(items.size());
  for (long next = 0; next < static_cast<long>(items.size());) {
    next = RunChild(self, listFile, next, out);
    if (next < 0) {
      std::fprintf(stderr, "verdict: the child process could not start\n");
      return 2;
    }
  }
  DeleteFileA(listFile.c_str());
  std::map<std::string, long> stops;
  long shown = 0, differ = 0, rule = 0, bothRefuse = 0, platformFaults = 0, ownFaults = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    const Outcome& o = out[i];
    if (o.own == "faults" || o.own.empty()) {
      ++ownFaults;
      std::printf("FAULTED  %s  (the program's own load)\n", items[i].c_str());
    } else if (o.own == "ok") {
      ++shown;
    } else if (o.platform == "rule") {
      ++rule;
    } else if (o.platform == "plays") {
      ++differ;
      std::string where = WhereItStops(ReadAll(items[i]));
      ++stops[where];
      std::printf("refused, the platform plays  %s  %s (%s)\n", items[i].c_str(), o.own.c_str(),
                  where.c_str());
    } else if (o.platform == "faults" || o.platform.empty()) {
      ++platformFaults;
    } else {
      ++bothRefuse;
    }
  }
  std::printf(
      "verdict: %zu metafiles: %ld shown; refused: %ld that the platform plays, %ld that it "
      "refuses, %ld on which it faults, %ld by the placeable header's rule; %ld own faults\n",
      items.size(), shown, differ, bothRefuse, platformFaults, rule, ownFaults);
  for (const auto& [where, count] : stops) std::printf("  stopped at %s: %ld\n", where.c_str(), count);
  return ownFaults ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
    return Child(argv[2], std::strtol(argv[3], nullptr, 10));
  return Parent(argc, argv);
}
