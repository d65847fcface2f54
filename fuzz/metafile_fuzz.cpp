// Metafile header tests and record walks on arbitrary bytes. A walk that
// passes once (after widening) must pass again unchanged: nothing is left to
// widen, neutralise or mend. The records of a walked enhanced metafile then go
// through the player's reach and stand-ins.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "pictures/bytes_core.h"
#include "pictures/metafile_core.h"
#include "pictures/metafile_dib_core.h"
#include "pictures/metafile_reach_core.h"

using namespace pix;

// A walked copy of bits reads only its bitmap (bits to device only its scan
// lines of a bottom-up one).
static void SourceInside(const uint8_t* rec) {
  bool stretch = U32(rec) == kEmrStretchDIBits;
  if (!stretch && U32(rec) != kEmrSetDIBitsToDevice) return;
  const uint8_t* bmi = rec + U32(rec + 48);
  DibLayout dib;
  if (U32(rec + 52) == 0 || (stretch && !RopReadsSource(U32(rec + 68))) ||
      !ReadDibLayout(bmi, U32(rec + 52), U32(rec + 64), -1, dib))
    return;
  int64_t x = I32(rec + 32), y = I32(rec + 36), cx = I32(rec + 40), cy = I32(rec + 44);
  int64_t lo = 0, hi = int64_t(dib.height);
  if (!stretch && I32(bmi + 8) > 0) hi = std::min<int64_t>(hi, (lo = U32(rec + 68)) + U32(rec + 72));
  if (std::min(x, x + cx) < 0 || std::max(x, x + cx) > int64_t(dib.width) ||
      std::min(y, y + cy) < lo || std::max(y, y + cy) > hi)
    abort();
}

// Every record of a walked enhanced metafile, under a map made of its header's bytes.
static void Reach(const std::vector<uint8_t>& emf) {
  DeviceMap map;  // a walked file holds at least its 88-byte header
  std::memcpy(map.m, emf.data() + 24, sizeof map.m);
  for (size_t pos = 0; pos + 8 <= emf.size();) {
    uint32_t size = U32(emf.data() + pos + 4);
    std::vector<uint8_t> rec(emf.begin() + long(pos), emf.begin() + long(pos + size));
    RecordReach r = EnhancedRecordReach(rec.data());
    EnhancedRecordPlay(rec.data());
    SourceInside(rec.data());
    if (r.draws && (r.left > r.right || r.top > r.bottom)) abort();
    WithinReach(r, map, U32(rec.data()) % 97, U32(rec.data() + 4) % 89);
    pos += size;
  }
}

static void Walk(RecordWalk (*check)(uint8_t*, size_t), size_t (*widen)(std::vector<uint8_t>&),
                 const uint8_t* data, size_t n) {
  std::vector<uint8_t> copy(data, data + n);
  widen(copy);
  RecordWalk first = check(copy.data(), copy.size());
  if (!first.valid) return;
  if (check == CheckEnhancedMetafile) {
    if (first.end < 88 || first.end > copy.size()) abort();
    copy.resize(first.end);  // as the loader hands it on
  }
  if (widen(copy) != 0) abort();
  RecordWalk second = check(copy.data(), copy.size());
  if (!second.valid || second.neutralised != 0 || second.mended != 0 ||
      second.records != first.records)
    abort();
  if (check == CheckEnhancedMetafile) Reach(copy);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t n) {
  if (n > kEnhancedHeaderBytes && IsEnhancedMetafile(data, n)) {
    EnhancedHeader h = ReadEnhancedHeader(data);
    MetafileReference ref{true, h.devicePxW, h.devicePxH, h.deviceMmW, h.deviceMmH};
    int32_t w, hh;
    EnhancedFrameSize(h, w, hh);
    MetafilePixelSize(w, hh, 0, ref, 96, w, hh);
    if (h.totalSize >= kEnhancedHeaderBytes && h.totalSize <= n)
      Walk(CheckEnhancedMetafile, WidenEnhancedRecords, data, h.totalSize);
  }
  Walk(CheckEnhancedMetafile, WidenEnhancedRecords, data, n);
  PlaceableHeader p;
  if (ReadPlaceableHeader(data, n, p)) {
    int32_t w, h;
    PlaceableSize(p, w, h);
    MetafilePixelSize(w, h, p.inch, {}, 120, w, h);
    Walk(CheckWindowsMetafile, WidenWindowsRecords, data + kPlaceableHeaderBytes,
         n - kPlaceableHeaderBytes);
  }
  Walk(CheckWindowsMetafile, WidenWindowsRecords, data, n);
  return 0;
}
