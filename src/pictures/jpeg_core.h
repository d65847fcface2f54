// The platform-free half of the JPEG picture: the compressed bytes with their
// header facts, and one libjpeg decoding context with the program's own data
// source, error manager and progress monitor. No platform headers here.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "ui/errors.h"

namespace pix {

// A fingerprint of the bytes: their count and two 64-bit sums of every byte
// under different mixes. Decodes kept for later are matched by it, so that
// they need not keep the file's bytes beside the picture's own copy.
struct TJPEGDigest {
  uint64_t size = 0, a = 0, b = 0;
  bool operator==(const TJPEGDigest&) const = default;
};

// What was read from a JPEG file: every byte of it, and the header's facts.
// Shared between copies of a picture.
struct TJPEGData {
  std::unique_ptr<uint8_t[]> bytes;  // none only for a picture that was never loaded
  size_t size = 0;
  bool hasBytes = false;
  int width = 0, height = 0;  // as shown: sides swapped when the orientation turns it
  int orientation = 1;        // the Exif orientation (exif_core.h)
  bool grayscale = false;
  // The fingerprint, once asked for (by the thread that owns the data).
  mutable TJPEGDigest digest;
  mutable bool digested = false;
};

// Takes a buffer of exactly `n` bytes; "Out of memory while expanding memory
// stream" when it can't be had.
void AllocateJPEGBytes(TJPEGData& data, uint64_t n);

// Parses the header of `n` bytes (n > 0) into width, height, orientation and grayscale flag.
// Raises EJPEG "JPEG error #%d" (libjpeg's message code) for a damaged header.
void ReadJPEGHeader(TJPEGData& data);

// The same bytes, compared byte by byte: a decode of one serves the other.
bool SameJPEGBytes(const TJPEGData& a, const TJPEGData& b);

// Decodes kept for later are matched by the fingerprint.
TJPEGDigest DigestJPEGBytes(const uint8_t* bytes, size_t size);
// The data's fingerprint, worked out once.
const TJPEGDigest& DigestOf(const TJPEGData& data);

// One step of the progress monitor, given libjpeg's counters. The monitor
// reports at most every 500 ms and only when the percentage changes.
struct TJPEGProgressState {
  int lastPercent = 0;
  uint32_t lastTime = 0;  // tick count of the last recorded call; 0 = never
  int lastRow = 0;        // output row at the last report
};
struct TJPEGProgressReport {
  uint8_t percent = 0;
  bool redrawNow = false;
  int left = 0, top = 0, right = 0, bottom = 0;  // band of rows decoded since the last report
};
struct TJPEGCounters {
  long passCounter = 0, passLimit = 0;
  int completedPasses = 0, totalPasses = 0;
  int outputScanline = 0, outputWidth = 0, outputHeight = 0;
};
bool JPEGProgressStep(TJPEGProgressState& state, uint32_t now, const TJPEGCounters& c,
                      TJPEGProgressReport& out);

// Rows per libjpeg call for a bitmap whose row i+1 lies `step` bytes after row i:
// several when rows are top-down and 4-byte aligned, else one.
int JPEGRowsPerCall(ptrdiff_t step, int recOutbufHeight);

// Converts one row of four-component output to blue-green-red (`cmyk` and `bgr`
// must not overlap). Files with Adobe's marker store the inks inverted.
void JPEGCmykRowToBgr(const uint8_t* cmyk, uint8_t* bgr, int width, bool inverted);

// A decode stopped on purpose between scan lines (the picture is no longer
// wanted, or a newer key waits): silent, and nothing of it is kept.
class EJPEGInterrupted : public EAbort {};

// A progressive file is refused after this many scans: every scan costs a pass
// over the whole coefficient buffer, and a crafted file can hold tens of thousands.
constexpr int kJPEGMaxScans = 500;

// One decoding context: created for a decode, destroyed on every path. Every
// libjpeg call runs behind a setjmp guard; errors leave as C++ exceptions that
// never cross libjpeg's frames.
class TJPEGDecoder {
 public:
  TJPEGDecoder(const uint8_t* data, size_t size);
  ~TJPEGDecoder();
  TJPEGDecoder(const TJPEGDecoder&) = delete;
  TJPEGDecoder& operator=(const TJPEGDecoder&) = delete;

  // Progress hook, called from the progress monitor; the tick source is
  // milliseconds (the platform's tick count). Exceptions from the hook
  // propagate out of the libjpeg call that reported progress.
  std::function<void(const TJPEGProgressReport&)> OnProgress;
  std::function<uint32_t()> Clock;
  // Asked between scan lines (and between the input passes of a multi-scan
  // file); true stops the decode with EJPEGInterrupted. Must not throw.
  std::function<bool()> Interrupted;
  // Told how many of the data's first bytes have been copied out for the last
  // time: libjpeg never reads them again, so their memory may be given back
  // while the decode goes on. Must not throw.
  std::function<void(size_t)> Consumed;

  // Reads the header, keeping the APP1 segments for the orientation.
  void ReadHeader();
  // The first Exif segment's orientation (exif_core.h); 1 without one.
  int Orientation() const;
  // The program's decoding parameters; `eightBit` is the 8-bit pixel format.
  void SetParameters(bool eightBit);
  // Bits per pixel of the bitmap the output goes to: 8 (palette) or 24.
  int OutputBits() const;
  // Memory libjpeg will want beyond the bitmap (coefficient buffers of
  // multi-scan files); known after ReadHeader.
  uint64_t WorkingMemory() const;
  int ImageWidth() const;
  int ImageHeight() const;
  bool Grayscale() const;  // the header's colour space is grayscale

  void Start();
  int OutputWidth() const;
  int OutputHeight() const;
  int OutputScanline() const;
  int RecOutbufHeight() const;
  // The colour map after Start for 8-bit output: entry count, and entry i as
  // red, green, blue (gray maps give the same value thrice).
  int ColorCount() const;
  void ColorAt(int i, uint8_t& r, uint8_t& g, uint8_t& b) const;
  // Decodes up to `maxRows` rows into row, row + step, ...; returns the count.
  int ReadRows(uint8_t* row, ptrdiff_t step, int maxRows);
  void Finish();

  struct Context;

 private:
  void Run(void (*step)(void* cinfo, void* arg), void* arg) const;
  std::unique_ptr<Context> ctx_;
};

}  // namespace pix
