// A file opened for reading, others may read but not write it meanwhile.
#pragma once
#include <windows.h>

#include <string>

#include "pictures/stream_core.h"
#include "ui/handles.h"

namespace pix {

class TFileStream : public TStream {
 public:
  // Raises "Cannot open file "%s". %s" with the full path and the system's message.
  explicit TFileStream(const std::string& fileName);
  size_t Read(void* buffer, size_t count) override;
  uint64_t Position() const override;
  void SetPosition(uint64_t pos) override;
  uint64_t Size() const override;

 private:
  TOwnedFile handle_;
};

// The full path of a file name as the platform expands it.
std::string ExpandFileName(const std::string& fileName);

}  // namespace pix
