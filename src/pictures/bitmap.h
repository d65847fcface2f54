// Bitmap pictures (.bmp) and the in-memory bitmap other kinds decode into.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "pictures/bmp_core.h"
#include "pictures/graphic.h"
#include "ui/handles.h"

namespace pix {

extern const TGraphicClass TBitmapKind;

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;

  const TGraphicClass& Kind() const override { return TBitmapKind; }
  // Reads a bitmap file from the stream's position; 0 bytes give an empty bitmap.
  void LoadFromStream(TStream& stream) override;
  int Width() const override;
  int Height() const override;  // rows, whatever their order in memory
  bool Empty() const override { return !handle_; }
  // Stretches the whole bitmap into r (COLORONCOLOR, or HALFTONE on a palette
  // device shallower than the bitmap), realising the bitmap's palette first.
  void Draw(HDC dc, const RECT& r) override;
  HPALETTE Palette() const override { return palette_; }
  std::unique_ptr<TGraphic> Clone() const override;

  // --- The pixel buffer, for readers that decode into a bitmap ---

  // Replaces the pixel store with a device-independent buffer of this size and
  // depth (1, 4, 8, 16, 24 or 32 bits), rows bottom-up in memory, each padded to 4
  // bytes, every byte 0, with `count` colour-table entries. Sends no change signal.
  // "Bitmap image is not valid" for a size or depth out of range; "Out of
  // memory" when the platform refuses a valid one.
  void NewDIB(int width, int height, int bitCount, const RGBQUAD* colors = nullptr, int count = 0);
  // Sets every pixel byte (after NewDIB: e.g. 0xFF gives white at 24 bits).
  void FillBytes(uint8_t value);
  // Row `row` of the picture, 0 = top, whatever the order in memory; nullptr
  // without a device-independent buffer or outside the picture. Code that keeps
  // the pointer and writes later calls PixelsChanged() after writing.
  uint8_t* ScanLine(int row);
  // Forgets the reduced copies made for drawing: the pixels were rewritten.
  void PixelsChanged();
  // Makes ahead the reduced copy a draw into a width x height rectangle on a
  // true-colour screen would make. Also off the user-interface thread, while
  // no other thread uses the bitmap.
  void PrepareReducedCopy(int width, int height);
  // Bytes per row of the buffer: ((width * bits + 31) & ~31) / 8.
  int RowBytes() const;
  // Bytes of the device-independent buffer (0 without one).
  size_t BufferSize() const;
  int BitCount() const;
  // Takes the palette (an empty one removes it). A buffer of 8 bits or fewer
  // gets the palette's colours as its colour table; pixels are kept. Sets the
  // palette-modified flag and sends the change signal.
  void SetPalette(TOwnedPalette palette);
  // The pixel store: a DIB section, or a device-dependent bitmap for RLE files.
  HBITMAP Handle() const { return handle_; }
  bool IsDIB() const { return bits_ != nullptr; }
  // The platform's description of the store, with the file's resolutions and
  // colour counts, and the colour masks.
  const DIBSECTION& Description() const { return desc_; }
  // The file had the 12-byte core header.
  bool CoreHeader() const { return core_; }

 private:
  void Release();
  void Adopt(HBITMAP bitmap, void* bits, HPALETTE palette);
  void Describe();
  bool TopDown() const;  // rows of the buffer run from the picture's top

  TOwnedBitmap handle_;
  void* bits_ = nullptr;
  TOwnedPalette palette_;
  bool DrawReduced(HDC dc, const RECT& r);
  bool Reducible(int width, int height) const;
  const uint8_t* Row(int row) const;
  bmp::RowLayout Layout() const;

  // A 32-bit copy of the whole picture reduced to one rectangle's size, kept so
  // that a repaint of an unchanged view only copies it. Two sizes are kept: the
  // same picture may show in the main preview and the full-screen view at once.
  struct TReducedCopy {
    int width = 0, height = 0;
    TOwnedBitmap dib;
  };
  const TReducedCopy* ReducedCopy(int width, int height);
  TReducedCopy reduced_[2];
  DIBSECTION desc_{};
  bool core_ = false;
  std::vector<uint8_t> info_;     // the BITMAPINFO a DIB was made from
  std::vector<uint8_t> rleFile_;  // a compressed file, kept as it was read
};

}  // namespace pix
