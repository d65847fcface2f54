// The bitmap reader's header walk over arbitrary bytes, then the pixel read into
// a store of the size the headers ask for (when that size is modest).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "pictures/bmp_core.h"
#include "ui/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pix;
  TMemoryStream stream(data, size);
  if (size == 0) return 0;
  try {
    bmp::Headers h = bmp::ReadHeaders(stream, stream.Remaining());
    if (h.colorOffset + uint64_t(h.colorCount) * 4 != h.header.size()) std::abort();
    if (h.pixelBytes > h.remaining || h.remaining != stream.Remaining()) std::abort();
    if (h.colorCount > bmp::kMaxColors || h.info.planes != 1) std::abort();
    uint64_t store = bmp::StoreBytes(h.info);
    if (!bmp::StoreSizeAcceptable(store, h.remaining, true)) return 0;
    if (!bmp::Compressed(h.info) && store <= (uint64_t(16) << 20)) {
      std::vector<uint8_t> buffer(static_cast<size_t>(store));
      size_t want = static_cast<size_t>(bmp::BytesIntoStore(h, store));
      if (want > buffer.size()) std::abort();
      stream.Read(buffer.data(), want);
    }
  } catch (const Exception&) {
  }
  return 0;
}
