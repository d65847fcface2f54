// Bytes two ways: as an APP1 segment for the orientation parse, and as a JPEG
// file whose header is read with its APP1 segments kept; a small picture is
// then decoded and turned as its tag says into rows sized exactly for it.
// Nothing may be read or written out of bounds; the orientation is 1 to 8.
// The seeds are small JPEG files with Exif segments, so the corpus replays as
// pictures.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "pictures/exif_core.h"
#include "pictures/jpeg_core.h"
#include "pictures/turn_core.h"
#include "ui/errors.h"

namespace {

constexpr int kMaxPixels = 1 << 16;

void DecodeTurned(const pix::TJPEGData& data) {
  pix::TJPEGDecoder dec(data.bytes.get(), data.size);
  dec.ReadHeader();
  dec.SetParameters(data.size % 2 == 1);
  int w = dec.ImageWidth(), h = dec.ImageHeight();
  if (static_cast<int64_t>(w) * h > kMaxPixels || dec.WorkingMemory() > (16u << 20)) return;
  dec.Start();
  int bytes = dec.OutputBits() / 8, o = dec.Orientation();
  bool swap = pix::OrientationSwapsSides(o);
  int shownW = swap ? h : w, shownH = swap ? w : h;
  ptrdiff_t shownStep = static_cast<ptrdiff_t>(shownW) * bytes, rowBytes = ptrdiff_t{w} * bytes;
  std::vector<uint8_t> shown(static_cast<size_t>(shownStep) * shownH), row(rowBytes);
  // Bottom-up, as the program's bitmaps lie.
  pix::TPixelRows to{shown.data() + shownStep * (shownH - 1), -shownStep};
  for (int y = dec.OutputScanline(); y < h; y = dec.OutputScanline()) {
    if (dec.ReadRows(row.data(), rowBytes, 1) == 0) break;
    pix::TurnRows(o, w, h, bytes, y, 1, row.data(), rowBytes, to);
  }
  dec.Finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  std::vector<uint8_t> exact(bytes, bytes + size);  // a read past the end is caught
  int o = pix::ExifSegmentOrientation(exact.data(), exact.size());
  if (o < 0 || o > 8) std::abort();
  if (size == 0) return 0;
  pix::TJPEGData data;
  try {
    pix::AllocateJPEGBytes(data, size);
    std::memcpy(data.bytes.get(), bytes, size);
    pix::ReadJPEGHeader(data);
    if (data.orientation < 1 || data.orientation > 8) std::abort();
    DecodeTurned(data);
  } catch (const pix::Exception&) {
  }
  return 0;
}
