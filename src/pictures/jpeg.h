// JPEG pictures: the file's bytes are kept, only the header is read at load
// time, and the picture is decoded by libjpeg into a bitmap at its first draw.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "pictures/bitmap.h"
#include "pictures/graphic.h"
#include "pictures/jpeg_core.h"

namespace pix {

extern const TGraphicClass TJPEGImageKind;

enum class TJPEGPixelFormat { jf24Bit, jf8Bit };
enum class TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum class TJPEGPerformance { jpBestQuality, jpBestSpeed };

// Decoding settings. Every picture copies the process-wide defaults when created;
// the program sets the pixel format once at start-up and changes nothing else.
struct TJPEGDefaults {
  TJPEGScale Scale = TJPEGScale::jsFullSize;
  TJPEGPixelFormat PixelFormat = TJPEGPixelFormat::jf24Bit;
  TJPEGPerformance Performance = TJPEGPerformance::jpBestQuality;
  bool Smoothing = true;
  bool GrayscaleOutput = false;
  bool ProgressiveDisplay = false;
  bool operator==(const TJPEGDefaults&) const = default;
};
TJPEGDefaults& JPEGDefaults();

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();

  const TGraphicClass& Kind() const override { return TJPEGImageKind; }
  // Keeps every byte from the stream's position on and parses the header only.
  void LoadFromStream(TStream& stream) override;
  // The file's bytes are shared with the picture loaded from it last, when that
  // one is still alive and the file's size and time of writing are unchanged:
  // a full-screen step loads one file into two views.
  void LoadFromFile(const std::string& fileName) override;
  // The decoded bitmap's size once it exists, the header's before: never decodes.
  int Width() const override;
  int Height() const override;
  bool Empty() const override;
  // Decodes on the first draw, then draws the bitmap. A failed decode reports its
  // error once; later draws show what was decoded.
  void Draw(HDC dc, const RECT& r) override;
  HPALETTE Palette() const override;
  // A copy sharing the bytes, with a copy of the decoded bitmap if there is one.
  std::unique_ptr<TGraphic> Clone() const override;

  // The decoded bitmap; none before the first draw. Read-only once decoded: a
  // picture of the same bytes decoded with the same settings may share it.
  TBitmap* DecodedBitmap() const { return bitmap_.get(); }
  // The decoded bitmap, decoding first if needed.
  TBitmap& Bitmap();
  const TJPEGData& Data() const { return *data_; }
  bool Grayscale() const { return data_->grayscale; }
  const TJPEGDefaults& Settings() const { return settings_; }

 private:
  void Decode();
  void DecodeHere();
  bool ShareLastDecode();
  bool TakeReadAhead();
  void AdoptDecoded(std::shared_ptr<TBitmap> bitmap);

  std::shared_ptr<TJPEGData> data_;
  std::shared_ptr<TBitmap> bitmap_;
  mutable TOwnedPalette tempPalette_;
  bool interruptedOnce_ = false;
  TJPEGDefaults settings_;
};

// Decodes the bytes, off the user-interface thread as well: no progress, no
// picture. `interrupted` is asked between scan lines (EJPEGInterrupted).
std::shared_ptr<TBitmap> DecodeJPEGBytes(const TJPEGData& data, const TJPEGDefaults& settings,
                                         std::function<bool()> interrupted);
// The same over bare bytes; `consumed` is told how many of the first bytes
// the decode is done with (TJPEGDecoder::Consumed).
std::shared_ptr<TBitmap> DecodeJPEGBytes(const uint8_t* bytes, size_t size,
                                         const TJPEGDefaults& settings,
                                         std::function<bool()> interrupted,
                                         std::function<void(size_t)> consumed);

// The read-ahead's side of a picture's first draw, set by it; none by default.
struct TJPEGDecodeHooks {
  // A finished decode of exactly these bytes with these settings, or none.
  // With `mayWait` (a view that reads ahead paints) it may wait for a decode
  // in work, until `interrupted` (if set) says a key waits (EJPEGInterrupted).
  std::function<std::shared_ptr<TBitmap>(const TJPEGData&, const TJPEGDefaults&, bool mayWait,
                                         bool (*interrupted)())>
      Find;
  // A picture that had to be decoded at its draw after all.
  std::function<void(const std::shared_ptr<TJPEGData>&, const std::shared_ptr<TBitmap>&,
                     const TJPEGDefaults&)>
      Decoded;
  // Asked between scan lines of a decode at a draw: true stops it (EJPEGInterrupted),
  // and the next draw decodes afresh. Set only around the paint of a view whose
  // user may already have moved on.
  bool (*Interrupted)() = nullptr;
  // Set around the paint of a view whose list reads ahead: its decodes are kept.
  bool ViewReadsAhead = false;
  // For tests: true when a decode is to find memory short.
  std::function<bool()> MemoryShort;
};
TJPEGDecodeHooks& JPEGDecodeHooks();

// Start-up: the default pixel format from the screen's colour depth, then the
// "jpeg" and "jpg" entries of the format list. Exit: the kind leaves the list.
void RegisterJPEGKind();
void UnregisterJPEGKind();

// Holds the JPEG kind in the format list for its lifetime.
class TJPEGKindRegistration {
 public:
  TJPEGKindRegistration() { RegisterJPEGKind(); }
  ~TJPEGKindRegistration() { UnregisterJPEGKind(); }
  TJPEGKindRegistration(const TJPEGKindRegistration&) = delete;
  TJPEGKindRegistration& operator=(const TJPEGKindRegistration&) = delete;
};

}  // namespace pix
