// Exception kinds that carry a message to the application's error report.
#pragma once
#include <cstdarg>
#include <exception>
#include <string>

namespace pix {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

// The silent kind: unwinds like any failure but the error report shows nothing.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

class EInvalidGraphic : public Exception {
  using Exception::Exception;
};
class EJPEG : public EInvalidGraphic {
  using EInvalidGraphic::EInvalidGraphic;
};
class EInOutError : public Exception {
 public:
  EInOutError(std::string message, int code) : Exception(std::move(message)), code_(code) {}
  int ErrorCode() const { return code_; }

 private:
  int code_;
};
class EOutOfResources : public Exception {
  using Exception::Exception;
};
class EOutOfMemory : public Exception {
 public:
  EOutOfMemory() : Exception("Out of memory") {}
  using Exception::Exception;
};
class EReadError : public Exception {
 public:
  EReadError() : Exception("Stream read error") {}
};
class EOSError : public Exception {
 public:
  EOSError(std::string message, unsigned code) : Exception(std::move(message)), code_(code) {}
  unsigned ErrorCode() const { return code_; }

 private:
  unsigned code_;
};
class EIniFileException : public Exception {
  using Exception::Exception;
};

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, va_list args);

// The text the error report shows for a message: a full stop is added when the
// message is not empty and does not already end in punctuation at or below '.'.
std::string ErrorReportText(const std::string& message);

}  // namespace pix
