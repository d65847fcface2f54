// Bytes as a JPEG file: the header read, then a full decode into rows sized
// exactly as a bitmap's, in both pixel formats. Errors must come out as
// exceptions; nothing may be read or written out of bounds. The inputs are
// JPEG files themselves, so the corpus replays as pictures; the seed corpus
// (one small file per coding process) takes the fuzzer to the decoder's depths.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  pix::TJPEGData data;
  try {
    pix::AllocateJPEGBytes(data, size);
    if (size) std::memcpy(data.bytes.get(), bytes, size);
    if (size) pix::ReadJPEGHeader(data);
    DecodeAll(data, false);
    DecodeAll(data, true);
  } catch (const pix::Exception&) {
  }
  return 0;
}
