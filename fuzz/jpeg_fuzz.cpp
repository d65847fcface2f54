// Bytes as a JPEG file: the header read, then a full decode into rows sized
// exactly as a bitmap's, in both pixel formats. Errors must come out as
// exceptions; nothing may be read or written out of bounds. Besides raw input,
// the fuzzer patches and cuts valid files made at start-up (baseline, progressive,
// grayscale, four-component), which reaches the decoder's depths in seconds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "../tests/unit/jpeg_writer.h"
#include "pictures/jpeg_core.h"
#include "ui/errors.h"

namespace {

// Pictures beyond this are refused before decoding, as memory-starved ones are
// by the program; it keeps each run short.
constexpr uint64_t kMaxPixels = 1 << 20;
constexpr uint64_t kMaxWorking = 64u << 20;

void DecodeAll(const pix::TJPEGData& data, bool eightBit) {
  pix::TJPEGDecoder dec(data.bytes.get(), data.size);
  dec.ReadHeader();
  dec.SetParameters(eightBit);
  uint64_t w = static_cast<uint64_t>(dec.ImageWidth()),
           h = static_cast<uint64_t>(dec.ImageHeight());
  if (w * h > kMaxPixels || dec.WorkingMemory() > kMaxWorking) return;
  dec.Start();
  int bits = dec.OutputBits();
  int width = dec.OutputWidth(), height = dec.OutputHeight();
  size_t rowBytes = ((static_cast<size_t>(width) * bits + 31) & ~size_t{31}) / 8;
  std::vector<uint8_t> pixels(rowBytes * height, 0xFF);
  for (int i = 0; i < dec.ColorCount(); ++i) {
    uint8_t r, g, b;
    dec.ColorAt(i, r, g, b);
  }
  // Top-down when the last byte is odd, so both row orders are exercised.
  bool topDown = data.size > 0 && (data.bytes[data.size - 1] & 1);
  ptrdiff_t step = topDown ? static_cast<ptrdiff_t>(rowBytes) : -static_cast<ptrdiff_t>(rowBytes);
  uint8_t* row0 = topDown ? pixels.data() : pixels.data() + rowBytes * (height - 1);
  int rows = pix::JPEGRowsPerCall(step, dec.RecOutbufHeight());
  for (int y = dec.OutputScanline(); y < height; y = dec.OutputScanline())
    if (dec.ReadRows(row0 + step * y, step, rows) == 0) break;
  dec.Finish();
}

std::vector<std::string> g_templates;

// Input: a mode byte, then for template modes a cut length (2 bytes) and
// (offset, value) patches of 3 bytes each; for the raw mode the file itself.
std::string FileOf(const uint8_t* bytes, size_t size) {
  if (size == 0) return {};
  size_t mode = bytes[0] % (g_templates.size() + 1);
  if (mode == 0) return std::string(reinterpret_cast<const char*>(bytes + 1), size - 1);
  std::string file = g_templates[mode - 1];
  size_t i = 1;
  if (size >= 3) {
    size_t cut = (size_t{bytes[1]} << 8 | bytes[2]) * 4;
    if (cut && cut < file.size()) file.resize(cut);
    i = 3;
  }
  for (; i + 3 <= size && !file.empty(); i += 3) {
    size_t at = (size_t{bytes[i]} << 8 | bytes[i + 1]) % file.size();
    file[at] = static_cast<char>(bytes[i + 2]);
  }
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  using jpegtest::Kind;
  g_templates = {jpegtest::Photo({40, 24, Kind::Color}),
                 jpegtest::Photo({40, 24, Kind::Color, true}),
                 jpegtest::Photo({33, 17, Kind::Gray, true}), jpegtest::Bands({24, 16, Kind::Ycck}),
                 jpegtest::Photo({16, 16, Kind::Color, false, false, 20})};
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  std::string file = FileOf(bytes, size);
  pix::TJPEGData data;
  try {
    pix::AllocateJPEGBytes(data, file.size());
    if (!file.empty()) std::memcpy(data.bytes.get(), file.data(), file.size());
    if (!file.empty()) pix::ReadJPEGHeader(data);
    DecodeAll(data, false);
    DecodeAll(data, true);
  } catch (const pix::Exception&) {
  }
  return 0;
}
