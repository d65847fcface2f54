// Loading a 70 MB 24-bit bitmap file through LoadPictureFile, against reading the
// same file's bytes with ReadFile into fresh memory, both measured in this run.
// Prints: BENCH bmp_load_70mb <median> ms ratio <r> vs read_bytes
// With the argument "short": a 500 x 490 bitmap and a few runs, to prove it works.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench_util.h"
#include "pictures/bitmap.h"
#include "pictures/graphic.h"


using bench::Median;
using bench::Now;

namespace {

int gWidth = 5000, gHeight = 4900;  // 15000-byte rows: 73.5 MB of pixels
int gRuns = 9;

void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Writes the bitmap: file header, 40-byte info header, bottom-up gradient rows.
bool WriteBitmap(const std::string& name) {
  uint32_t row = ((gWidth * 24 + 31) & ~31u) / 8;
  uint32_t pixels = row * gHeight;
  std::string h = "BM";
  Put32(h, 54 + pixels);
  Put32(h, 0);
  Put32(h, 54);
  Put32(h, 40);
  Put32(h, gWidth);
  Put32(h, gHeight);
  h += std::string("\x01\x00\x18\x00", 4);
  for (int i = 0; i < 6; ++i) Put32(h, 0);
  HANDLE f = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD n = 0;
  bool ok = WriteFile(f, h.data(), static_cast<DWORD>(h.size()), &n, nullptr);
  std::vector<uint8_t> line(row);
  for (int y = 0; ok && y < gHeight; ++y) {
    for (int x = 0; x < gWidth; ++x) {
      line[3 * x] = static_cast<uint8_t>(x);
      line[3 * x + 1] = static_cast<uint8_t>(y);
      line[3 * x + 2] = static_cast<uint8_t>(x ^ y);
    }
    ok = WriteFile(f, line.data(), row, &n, nullptr) && n == row;
  }
  CloseHandle(f);
  return ok;
}

// The reference: open, size, one ReadFile into freshly committed memory, close.
void ReadBytes(const std::string& name) {
  HANDLE f = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  LARGE_INTEGER size{};
  GetFileSizeEx(f, &size);
  void* mem = VirtualAlloc(nullptr, static_cast<SIZE_T>(size.QuadPart), MEM_COMMIT | MEM_RESERVE,
                           PAGE_READWRITE);
  DWORD n = 0;
  ReadFile(f, mem, static_cast<DWORD>(size.QuadPart), &n, nullptr);
  VirtualFree(mem, 0, MEM_RELEASE);
  CloseHandle(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "short") gWidth = 500, gHeight = 490, gRuns = 3;
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  std::string name = std::string(dir) + "pixlumen-bench-70mb.bmp";
  if (!WriteBitmap(name)) {
    std::printf("# could not write %s\n", name.c_str());
    return 1;
  }
  pix::TPicture holder;
  std::vector<double> load, read;
  ReadBytes(name);  // the file in the system's cache for both
  for (int i = 0; i < gRuns; ++i) {
    // Alternate the two so that both see the same machine state.
    pix::ClearPicture(holder);
    double t0 = Now();
    pix::LoadPictureFile(holder, name);
    load.push_back(Now() - t0);
    double t1 = Now();
    ReadBytes(name);
    read.push_back(Now() - t1);
  }
  int w = holder.Width(), h = holder.Height();
  pix::ClearPicture(holder);
  DeleteFileA(name.c_str());
  double l = Median(load), r = Median(read);
  std::printf("# %dx%d 24-bit, %d runs: load %.1f ms (min %.1f), read %.1f ms (min %.1f)\n", w, h,
              gRuns, l, *std::min_element(load.begin(), load.end()), r,
              *std::min_element(read.begin(), read.end()));
  std::printf("BENCH bmp_load_70mb %.1f ms ratio %.2f vs read_bytes\n", l, r > 0 ? l / r : 0.0);
  return 0;
}
