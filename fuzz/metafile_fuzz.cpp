// Metafile header tests and record walks on arbitrary bytes. A walk that
// passes once must pass again unchanged: nothing is left to neutralise.
#include <cstdlib>
#include <vector>

#include "pictures/metafile_core.h"

using namespace pix;

static void Walk(RecordWalk (*check)(uint8_t*, size_t), const uint8_t* data, size_t n) {
  std::vector<uint8_t> copy(data, data + n);
  RecordWalk first = check(copy.data(), copy.size());
  if (!first.valid) return;
  RecordWalk second = check(copy.data(), copy.size());
  if (!second.valid || second.neutralised != 0 || second.records != first.records) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t n) {
  if (n > kEnhancedHeaderBytes && IsEnhancedMetafile(data, n)) {
    EnhancedHeader h = ReadEnhancedHeader(data);
    MetafileReference ref{true, h.devicePxW, h.devicePxH, h.deviceMmW, h.deviceMmH};
    int32_t w, hh;
    EnhancedFrameSize(h, w, hh);
    MetafilePixelSize(w, hh, 0, ref, 96, w, hh);
    if (h.totalSize >= kEnhancedHeaderBytes && h.totalSize <= n) Walk(CheckEnhancedMetafile, data, h.totalSize);
  }
  Walk(CheckEnhancedMetafile, data, n);
  PlaceableHeader p;
  if (ReadPlaceableHeader(data, n, p)) {
    int32_t w, h;
    PlaceableSize(p, w, h);
    MetafilePixelSize(w, h, p.inch, {}, 120, w, h);
    Walk(CheckWindowsMetafile, data + kPlaceableHeaderBytes, n - kPlaceableHeaderBytes);
  }
  Walk(CheckWindowsMetafile, data, n);
  return 0;
}
