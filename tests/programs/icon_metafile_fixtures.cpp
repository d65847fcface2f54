// Writes the pictures the icon and metafile end-to-end test shows, into the
// folder named by the first argument: an icon of three images assembled byte by
// byte, and metafiles recorded with GDI itself.
//   a_icon.ico       16 x 16 red, 32 x 32 green with its left half masked, 48 x 48 blue
//   b_placeable.wmf  placeable, 1440 units per inch, 1 x 0.5 inch: red left, blue right
//   c_enhanced.wmf   enhanced content under a .wmf name: 200 x 100 units, red left, blue right
//   d_enhanced.emf   the same enhanced content under its own extension
#include <windows.h>

#include <cstdio>
#include <string>

#include "../fixtures/metafile_bytes.h"

namespace {

bool Save(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

pixtest::IconImage Solid(int size, uint32_t rgb, bool halfMasked) {
  pixtest::IconImage im = pixtest::Img(size, size, 24);
  im.colour = [rgb](int, int) { return rgb; };
  im.transparent = [size, halfMasked](int x, int) { return halfMasked && x < size / 2; };
  return im;
}

void FillHalves(HDC dc, int w, int h) {
  RECT left{0, 0, w / 2, h}, right{w / 2, 0, w, h};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
  FillRect(dc, &left, red);
  FillRect(dc, &right, blue);
  DeleteObject(red);
  DeleteObject(blue);
}

std::string Enhanced() {
  HDC rec = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  FillHalves(rec, 200, 100);
  HENHMETAFILE emf = CloseEnhMetaFile(rec);
  std::string bytes(GetEnhMetaFileBits(emf, 0, nullptr), '\0');
  GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
  DeleteEnhMetaFile(emf);
  return bytes;
}

std::string Placeable() {
  HDC rec = CreateMetaFileA(nullptr);
  SetMapMode(rec, MM_ANISOTROPIC);
  SetWindowOrgEx(rec, 0, 0, nullptr);
  SetWindowExtEx(rec, 1440, 720, nullptr);
  FillHalves(rec, 1440, 720);
  HMETAFILE wmf = CloseMetaFile(rec);
  std::string records(GetMetaFileBitsEx(wmf, 0, nullptr), '\0');
  GetMetaFileBitsEx(wmf, static_cast<UINT>(records.size()), records.data());
  DeleteMetaFile(wmf);
  return pixtest::PlaceableHeader(0, 0, 1440, 720, 1440) + records;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: icon_metafile_fixtures FOLDER\n");
    return 2;
  }
  std::string dir = argv[1];
  std::string emf = Enhanced();
  bool ok = Save(dir + "\\a_icon.ico",
                 pixtest::IconFile({Solid(16, 0xFF0000, false), Solid(32, 0x00FF00, true),
                                    Solid(48, 0x0000FF, false)})) &&
            Save(dir + "\\b_placeable.wmf", Placeable()) && Save(dir + "\\c_enhanced.wmf", emf) &&
            Save(dir + "\\d_enhanced.emf", emf);
  return ok ? 0 : 1;
}
