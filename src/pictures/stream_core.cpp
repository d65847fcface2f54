#include "pictures/stream_core.h"

#include <algorithm>
#include <cstring>

#include "ui/errors.h"

namespace pix {

void TStream::ReadBuffer(void* buffer, size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError();
}

TMemoryStream::TMemoryStream(const void* bytes, size_t count)
    : data_(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + count) {}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (count == 0 || pos_ >= data_.size()) return 0;
  size_t n = static_cast<size_t>(std::min<uint64_t>(count, data_.size() - pos_));
  std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

}  // namespace pix
