// Byte streams the picture readers load from. Pure: no platform headers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix {

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to `count` bytes; returns how many were read.
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual uint64_t Position() const = 0;
  virtual void SetPosition(uint64_t pos) = 0;
  virtual uint64_t Size() const = 0;
  uint64_t Remaining() const { return Size() > Position() ? Size() - Position() : 0; }
  // Reads exactly `count` bytes or raises "Stream read error".
  void ReadBuffer(void* buffer, size_t count);
};

// A stream over bytes held in memory (owned copy).
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}
  TMemoryStream(const void* bytes, size_t count);
  size_t Read(void* buffer, size_t count) override;
  uint64_t Position() const override { return pos_; }
  void SetPosition(uint64_t pos) override { pos_ = pos; }
  uint64_t Size() const override { return data_.size(); }
  const std::vector<uint8_t>& Bytes() const { return data_; }

 private:
  std::vector<uint8_t> data_;
  uint64_t pos_ = 0;
};

}  // namespace pix
