// Writes, at build time, every fuzz target's seed corpus and the broken-file
// tables, all made by code:
//   SEEDS/<target>/<name>   one small valid file per header kind, compression,
//                           icon layout, metafile kind and JPEG process
//   TABLES/<name>.<ext>     the rows of the broken-file tables, as files the
//                           replay program loads by their extension
// Each seed is checked by the reader's own walk first, so a seed that stops
// being valid fails the build instead of quietly starting a fuzzer blind.
//   seed_files SEEDS TABLES
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/fixtures/bmp_tables.h"
#include "../tests/fixtures/icon_tables.h"
#include "../tests/fixtures/metafile_tables.h"
#include "../tests/unit/jpeg_writer.h"
#include "pictures/bmp_core.h"
#include "pictures/icon_core.h"
#include "pictures/jpeg_core.h"
#include "pictures/metafile_core.h"
#include "ui/errors.h"

namespace {

namespace fs = std::filesystem;
using namespace pixtest;

int g_failures = 0;

void Save(const fs::path& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) {
    std::fprintf(stderr, "seed_files: cannot write %s\n", path.string().c_str());
    ++g_failures;
  }
}

void Invalid(const std::string& what) {
  std::fprintf(stderr, "seed_files: seed %s is not valid\n", what.c_str());
  ++g_failures;
}

std::string Slug(const std::string& what) {
  std::string s;
  for (char c : what) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      s += static_cast<char>(std::tolower(c));
    else if (!s.empty() && s.back() != '-')
      s += '-';
  }
  while (!s.empty() && s.back() == '-') s.pop_back();
  return s;
}

// --- Bitmaps: every header kind, depth and compression ---

BmpSpec BmpOf(int w, int h, uint16_t bits, uint32_t compression = 0) {
  BmpSpec b;
  b.width = w;
  b.height = h;
  b.bitCount = bits;
  b.compression = compression;
  if (bits <= 8)
    for (uint32_t i = 0; i < (1u << bits); ++i) b.colors.push_back(i * 0x010203u & 0xFFFFFF);
  b.pixels = PackRows(w, h < 0 ? -h : h, bits, h < 0,
                      [](int x, int y) { return uint32_t(x * 7 + y * 13); });
  return b;
}

std::vector<std::pair<std::string, std::string>> BitmapSeeds() {
  std::vector<std::pair<std::string, std::string>> seeds;
  for (uint16_t bits : {1, 4, 8, 16, 24, 32})
    seeds.push_back({"info-" + std::to_string(bits), MakeBmp(BmpOf(5, 3, bits))});
  BmpSpec core = BmpOf(5, 3, 8);
  core.core = true;
  seeds.push_back({"core-8", MakeBmp(core)});
  core = BmpOf(5, 3, 24);
  core.core = true;
  seeds.push_back({"core-24", MakeBmp(core)});
  BmpSpec fields = BmpOf(5, 3, 16, 3);
  fields.masks = {0xF800, 0x07E0, 0x001F};
  seeds.push_back({"bitfields-16", MakeBmp(fields)});
  fields = BmpOf(5, 3, 32, 3);
  fields.masks = {0xFF0000, 0x00FF00, 0x0000FF};
  seeds.push_back({"bitfields-32", MakeBmp(fields)});
  BmpSpec v4 = BmpOf(5, 3, 32);
  v4.headerSize = 108;
  seeds.push_back({"v4-32", MakeBmp(v4)});
  BmpSpec v5 = BmpOf(5, 3, 24);
  v5.headerSize = 124;
  seeds.push_back({"v5-24", MakeBmp(v5)});
  seeds.push_back({"top-down-24", MakeBmp(BmpOf(5, -3, 24))});
  for (bool rle4 : {false, true}) {
    BmpSpec r = BmpOf(6, 3, rle4 ? 4 : 8, rle4 ? 2 : 1);
    r.pixels = EncodeRle(6, 3, rle4, [](int x, int y) { return uint32_t((x / 2 + y) % 5); });
    r.sizeImage = uint32_t(r.pixels.size());
    seeds.push_back({rle4 ? "rle4" : "rle8", MakeBmp(r)});
  }
  for (const auto& [name, bytes] : seeds) {
    pix::TMemoryStream s(bytes.data(), bytes.size());
    try {
      pix::bmp::ReadHeaders(s, s.Remaining());
    } catch (const pix::Exception&) {
      Invalid("bmp " + name);
    }
  }
  return seeds;
}

// --- Icons: every depth, several images, the standard icon ---

IconImage Picture(int w, int h, int bits, uint16_t colours = 0) {
  IconImage im = Img(w, h, bits, colours);
  if (bits <= 8) im.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  im.colour = [bits](int x, int y) {
    return bits <= 8 ? uint32_t((x + y) % 4) : uint32_t(x * 0x0A0B0C + y);
  };
  im.transparent = [](int x, int y) { return (x + y) % 5 == 0; };
  return im;
}

std::vector<std::pair<std::string, std::string>> IconSeeds() {
  std::vector<std::pair<std::string, std::string>> seeds;
  for (int bits : {1, 4, 8, 16, 24, 32})
    seeds.push_back({"depth-" + std::to_string(bits),
                     IconFile({Picture(8, 8, bits, bits <= 8 ? uint16_t(1u << bits) : 0)})});
  seeds.push_back(
      {"three-sizes", IconFile({Picture(4, 4, 4, 16), Picture(8, 8, 8), Picture(12, 12, 24)})});
  seeds.push_back({"odd-size", IconFile({Picture(7, 3, 24)})});
  seeds.push_back({"standard", IconFile({Picture(4, 4, 24)}, 0)});
  // Newer writers: directory bytes of 0 (256), PNG images, directories that
  // disagree with the image's own header.
  std::string zeroSized = IconFile({Picture(8, 8, 24)});
  zeroSized[EntryAt(0)] = zeroSized[EntryAt(0) + 1] = 0;
  seeds.push_back({"directory-256", zeroSized});
  std::string taller = IconFile({Picture(8, 8, 8)});
  taller[EntryAt(0) + 1] = 16;
  seeds.push_back({"directory-disagrees", taller});
  const std::string png = RgbaPng(6, 4, [](int x, int y) { return uint32_t(x * 40 + y) << 8 | 0xFF000000u; });
  seeds.push_back({"png", IconFileOf({RawPng(6, 4, png)})});
  seeds.push_back(
      {"png-beside-bitmaps", IconFileOf({RawOf(Picture(4, 4, 4, 16)), RawPng(0, 0, png)})});
  seeds.push_back({"png-cut", IconFileOf({RawPng(6, 4, png.substr(0, png.size() - 20))})});
  seeds.push_back({"png-zeros", IconFileOf({RawPng(0, 0, PngOf(512, 512, 6, 8, ZlibZeros(512 * 2049)))})});
  seeds.push_back({"png-huge", IconFileOf({RawPng(0, 0, PngSized(65535, 65535))})});
  for (const auto& [name, bytes] : seeds) {
    if (name == "standard" || name == "png-huge") continue;
    const uint8_t* d = reinterpret_cast<const uint8_t*>(bytes.data());
    auto entries = pix::ReadIconDirectory(d, bytes.size());
    for (bool ok : pix::UsableIconEntries(d, bytes.size(), entries))
      if (!ok) Invalid("icon " + name);
  }
  return seeds;
}

// --- Metafiles: enhanced and placeable Windows files of the everyday records ---

std::string EmfSeedShapes() {
  return EmfFile(
      EmfRecord(pix::kEmrPolyline16, Zeros(16) + Le({3}) + Le16({0, 0, 50, 10, 20, 40})) +
      EmfRecord(pix::kEmrPolygon16, Zeros(16) + Le({3}) + Le16({5, 5, 40, 5, 20, 30})) +
      EmfRecord(pix::kEmrEllipse, Le({10, 10, 60, 40})) +
      EmfRecord(pix::kEmrPolyPolygon16,
                Zeros(16) + Le({2, 6, 3, 3}) + Le16({0, 0, 9, 0, 0, 9, 20, 20, 29, 20, 20, 29})) +
      EmfRecord(pix::kEmrExtTextOutW, Zeros(16) + Le({1}) + Zeros(8) + Le({5, 5, 3, 76, 0}) +
                                          Zeros(16) + Le({84}) + Le16({'a', 'b', 'c', 0}) +
                                          Le({7, 7, 7})));
}

std::string EmfSeedObjects() {
  std::string font = Le({1}) + Le({12, 0, 0, 0, 400}) + std::string(8, '\0');
  font += Zeros(64);  // face name
  return EmfFile(EmfRecord(pix::kEmrCreateBrushIndirect, Le({1, 0, 0x0000FF, 0})) +
                     EmfRecord(pix::kEmrSelectObject, Le({1})) +  // brush
                     EmfRecord(pix::kEmrCreatePen, Le({2, 0, 2, 0, 0x00FF00})) +
                     EmfRecord(pix::kEmrSelectObject, Le({2})) +  // pen
                     EmfRectangle() + EmfRecord(pix::kEmrDeleteObject, Le({2})) +
                     EmfRecord(pix::kEmrExtCreateFontIndirectW, font) +
                     EmfRecord(pix::kEmrSelectObject, Le({1})) +
                     EmfRecord(pix::kEmrCreatePalette,
                               Le({2}) + Le16({0x300, 2}) + Le({0x0000FF, 0x00FF00})) +  // palette
                     EmfRecord(pix::kEmrSelectPalette, Le({2})) +
                     EmfRecord(pix::kEmrRealizePalette, ""),
                 EmfEof(2));
}

std::string EmfSeedBitmaps() {
  std::string eightBit = Bmi(8, 0, 2, 4) + Le({0, 0xFF, 0xFF00, 0xFF0000});
  return EmfFile(StretchBits(Bmi(), 16) + StretchBits(eightBit, 8) +
                 CopyRecord(pix::kEmrBitBlt, 100, 100, 40, Bmi() + Zeros(16)) +
                 EmfRecord(pix::kEmrCreateMonoBrush,
                           Le({1, 0, 32, 48, 80, 8}) + Bmi(1) + Zeros(8) + Zeros(8)) +
                 EmfRecord(pix::kEmrFillRgn, Zeros(16) + Le({48, 1}) + RegionData(32, 1, 1)) +
                 EmfRecord(pix::kEmrExtSelectClipRgn, Le({48, 5}) + RegionData(32, 1, 1)));
}

// Copies whose source reaches past their bitmap, and bitmaps held as image streams.
std::string EmfSeedCopies() {
  return EmfFile(StretchFrom({1, -1, 2, 2, 0, 0, 20, -20}) +
                 StretchFrom({-1, 1, -2, 2, 0, 0, 20, 20}, -2) +
                 StretchFrom({4, 4, 2, 2, 0, 0, 2, 2}) + BitsToDevice({0, 0, 2, 2, 5, 5}, 1, 1) +
                 StretchBits(Bmi(0, 4, 2, 0, 8), 8) +
                 BitsToDevice({0, 0, 2, 2}, 0, 2, Bmi(0, 5, 2, 0, 8)));
}

std::string WmfSeed(const std::string& records, uint16_t objects = 4) {
  return PlaceableHeader(0, 0, 100, 50, 1440) + WmfFile(records, objects);
}

std::vector<std::pair<std::string, std::string>> MetafileSeeds() {
  const std::string dib = Bmi() + Zeros(16);
  std::vector<std::pair<std::string, std::string>> seeds = {
      {"emf-rectangle", EmfFile(EmfRectangle())},
      {"emf-shapes", EmfSeedShapes()},
      {"emf-objects", EmfSeedObjects()},
      {"emf-bitmaps", EmfSeedBitmaps()},
      {"emf-copies", EmfSeedCopies()},
      {"wmf-rectangle", WmfSeed(WmfRecord(pix::kMetaCreateBrushIndirect, Le16({0, 0xFF, 0, 0})) +
                                WmfRecord(pix::kMetaSelectObject, Le16({0})) +
                                WmfRecord(pix::kMetaRectangle, Le16({40, 80, 10, 10})))},
      {"wmf-text",
       WmfSeed(WmfRecord(pix::kMetaCreateFontIndirect,
                         Le16({12, 0, 0, 0, 400, 0, 0, 0, 0}) + Zeros(32)) +
               WmfRecord(pix::kMetaSelectObject, Le16({0})) +
               WmfRecord(pix::kMetaTextOut, Le16({3}) + "abc" + Zeros(1) + Le16({5, 5})) +
               WmfRecord(pix::kMetaExtTextOut,
                         Le16({20, 5, 2, 4}) + Le16({0, 0, 50, 30}) + "xy" + Le16({6, 6})))},
      {"wmf-shapes", WmfSeed(WmfRecord(pix::kMetaPolygon, Le16({3, 0, 0, 50, 10, 20, 40})) +
                             WmfRecord(pix::kMetaPolyPolygon,
                                       Le16({2, 3, 3, 0, 0, 9, 0, 0, 9, 20, 20, 29, 20, 20, 29})) +
                             WmfRecord(pix::kMetaCreateRegion, Zeros(10) + Le16({1}) + Zeros(10) +
                                                                   Le16({2, 0, 10, 0, 10, 2})) +
                             WmfRecord(pix::kMetaCreateBrushIndirect, Le16({0, 0xFF, 0, 0})) +
                             WmfRecord(pix::kMetaFillRegion, Le16({1, 0})))},
      {"wmf-sizes-overstated", [] {
         std::string s = WmfSeed(WmfRecord(pix::kMetaSetBkMode, Le16({1})));
         Put32(s, 22 + 6, uint32_t((s.size() - 22) / 2 + 11));
         Put32(s, 22 + 12, 2);
         return s;
       }()},
      {"wmf-bitmaps",
       WmfSeed(WmfRecord(pix::kMetaStretchDib, Le({0xCC0020}) + Le16({0}) + Zeros(16) + dib) +
               WmfRecord(pix::kMetaDibBitBlt, Le({0xCC0020}) + Zeros(12) + dib) +
               WmfRecord(pix::kMetaDibCreatePatternBrush, Le16({5, 0}) + dib) +
               WmfRecord(pix::kMetaSelectObject, Le16({0})) +
               WmfRecord(pix::kMetaPatBlt, Le({0xF00021}) + Le16({20, 20, 0, 0})))},
  };
  for (auto& [name, bytes] : seeds) {
    std::string copy = bytes;
    uint8_t* d = reinterpret_cast<uint8_t*>(copy.data());
    bool ok = name[0] == 'e' ? pix::CheckEnhancedMetafile(d, copy.size()).valid
                             : pix::CheckWindowsMetafile(d + 22, copy.size() - 22).valid;
    if (!ok) Invalid("metafile " + name);
  }
  return seeds;
}

// --- JPEG: every coding process the decoder takes ---

std::vector<std::pair<std::string, std::string>> JpegSeeds() {
  using jpegtest::Kind;
  using jpegtest::Recipe;
  auto photo = [](Recipe r) {
    r.width = 24;
    r.height = 16;
    return jpegtest::Photo(r);
  };
  Recipe arithmetic, restarts, full;
  arithmetic.arithmetic = true;
  restarts.restartRows = 1;
  full.fullChroma = true;
  Recipe progressive, gray, cmyk, ycck;
  progressive.progressive = true;
  gray.kind = Kind::Gray;
  cmyk.kind = Kind::Cmyk;
  ycck.kind = Kind::Ycck;
  Recipe grayProgressive = gray;
  grayProgressive.progressive = true;
  Recipe arithmeticProgressive = progressive;
  arithmeticProgressive.arithmetic = true;
  std::vector<std::pair<std::string, std::string>> seeds = {
      {"baseline", photo({})},
      {"progressive", photo(progressive)},
      {"arithmetic", photo(arithmetic)},
      {"arithmetic-progressive", photo(arithmeticProgressive)},
      {"restarts", photo(restarts)},
      {"full-chroma", photo(full)},
      {"gray", photo(gray)},
      {"gray-progressive", photo(grayProgressive)},
      {"cmyk", photo(cmyk)},
      {"ycck", photo(ycck)},
  };
  for (const auto& [name, bytes] : seeds) {
    pix::TJPEGData data;
    try {
      pix::AllocateJPEGBytes(data, bytes.size());
      std::memcpy(data.bytes.get(), bytes.data(), bytes.size());
      pix::ReadJPEGHeader(data);
    } catch (const pix::Exception&) {
      Invalid("jpeg " + name);
    }
  }
  return seeds;
}

// --- Exif: small JPEG files carrying the orientation tag, and a bare segment ---

std::vector<std::pair<std::string, std::string>> ExifSeeds() {
  std::vector<std::pair<std::string, std::string>> seeds;
  for (int o : {2, 3, 5, 6, 7, 8})
    for (bool little : {true, false}) {
      jpegtest::Recipe r{12, 8};
      r.app1 = {jpegtest::ExifSegment({o, little})};
      std::string name = std::string(little ? "intel-" : "motorola-") + std::to_string(o);
      seeds.push_back({name, jpegtest::Photo(r)});
      pix::TJPEGData data;
      try {
        pix::AllocateJPEGBytes(data, seeds.back().second.size());
        std::memcpy(data.bytes.get(), seeds.back().second.data(), data.size);
        pix::ReadJPEGHeader(data);
        if (data.orientation != o) Invalid("exif " + name);
      } catch (const pix::Exception&) {
        Invalid("exif " + name);
      }
    }
  seeds.push_back({"segment", jpegtest::ExifSegment({6})});
  return seeds;
}

std::vector<std::pair<std::string, std::string>> ProfileSeeds() {
  return {{"zero", "0"},
          {"negative", "-2147483648"},
          {"largest", "2147483647"},
          {"hex", "$7FFFFFFF"},
          {"c-hex", "0x1F"},
          {"blanks", " 12"},
          {"sign", "+7"},
          {"text", "Left"}};
}

// --- The broken-file tables ---

std::vector<std::pair<std::string, std::string>> JpegTable() {
  std::string good = jpegtest::Photo({48, 32});
  std::string huge = good, wide = good;
  jpegtest::PatchSize(huge, 65500, 65500);
  jpegtest::PatchSize(wide, 65500, 1);
  jpegtest::Recipe many;
  many.width = 16;
  many.height = 16;
  many.manyScans = true;
  return {{"empty", ""},
          {"bitmap signature", "BM" + good.substr(2)},
          {"cut in the header", good.substr(0, 20)},
          {"cut halfway", good.substr(0, good.size() / 2)},
          {"no end marker", good.substr(0, good.size() - 2)},
          {"65500 x 65500 in a small file", huge},
          {"65500 x 1", wide},
          {"thousands of scans", jpegtest::Bands(many)}};
}

void WriteTables(const fs::path& dir) {
  fs::remove_all(dir);  // rows renamed or removed leave no file behind
  fs::create_directories(dir);
  int n = 0;
  auto put = [&](const std::string& table, const std::string& what, const std::string& bytes,
                 const char* ext) {
    char num[8];
    std::snprintf(num, sizeof num, "%03d", ++n);
    Save(dir / (table + "-" + num + "-" + Slug(what) + "." + ext), bytes);
  };
  for (const BmpRow& r : BrokenBitmaps()) put("bmp", r.name, r.bytes, "bmp");
  for (const IconRow& r : BrokenIconDirectories()) put("ico-directory", r.what, r.bytes, "ico");
  for (const IconRow& r : BrokenIconImages()) put("ico-image", r.what, r.bytes, "ico");
  for (const DisagreeingRow& r : DisagreeingIconImages()) put("ico-disagrees", r.what, r.bytes, "ico");
  for (const IconRow& r : PlatformPngIcons()) put("ico-png", r.what, r.bytes, "ico");
  for (const MetafileRow& r : EnhancedRecordRows()) put("emf-record", r.what, r.bytes, "emf");
  for (const MetafileRow& r : EnhancedHeaderRows()) put("emf-header", r.what, r.bytes, "emf");
  for (const MetafileRow& r : EnhancedReachRows()) put("emf-reach", r.what, r.bytes, "emf");
  const std::string placeable = PlaceableHeader(0, 0, 1440, 720, 1440);
  for (const MetafileRow& r : WindowsRecordRows())
    put("wmf-record", r.what, placeable + r.bytes, "wmf");
  for (const MetafileRow& r : WindowsHeaderRows())
    put("wmf-header", r.what, placeable + r.bytes, "wmf");
  for (const auto& [what, bytes] : JpegTable()) put("jpeg", what, bytes, "jpg");
}

void WriteSeeds(const fs::path& dir, const std::string& target,
                const std::vector<std::pair<std::string, std::string>>& seeds) {
  fs::remove_all(dir / target);
  fs::create_directories(dir / target);
  for (const auto& [name, bytes] : seeds) Save(dir / target / name, bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: seed_files SEEDS TABLES\n");
    return 2;
  }
  fs::path seeds = argv[1];
  WriteSeeds(seeds, "bmp_fuzz", BitmapSeeds());
  WriteSeeds(seeds, "icon_fuzz", IconSeeds());
  WriteSeeds(seeds, "metafile_fuzz", MetafileSeeds());
  WriteSeeds(seeds, "jpeg_fuzz", JpegSeeds());
  WriteSeeds(seeds, "exif_fuzz", ExifSeeds());
  WriteSeeds(seeds, "profile_fuzz", ProfileSeeds());
  WriteTables(argv[2]);
  return g_failures ? 1 : 0;
}
