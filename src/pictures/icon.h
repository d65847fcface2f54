// Icon pictures (.ico): the file is held whole and turned into a platform icon
// at its first draw, from the image that suits the screen best.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "pictures/graphic.h"
#include "pictures/icon_core.h"
#include "ui/handles.h"

namespace pix {

extern const TGraphicClass TIconKind;

class TIcon : public TGraphic {
 public:
  TIcon();
  ~TIcon() override;

  const TGraphicClass& Kind() const override { return TIconKind; }
  void LoadFromStream(TStream& stream) override;
  // The chosen image's size once the icon is made, the system's icon size before.
  int Width() const override;
  int Height() const override;
  bool Empty() const override { return bytes_.empty() && !Current(); }
  // Unscaled, at the rectangle's top-left corner, with its mask.
  void Draw(HDC dc, const RECT& r) override;
  void SetTransparent(bool) override {}  // icons are always drawn with their mask
  std::unique_ptr<TGraphic> Clone() const override;

  // The platform icon, made from the held bytes on first need.
  HICON Handle();
  bool HandleAllocated() const { return Current() != nullptr; }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  void ReleaseHandle();
  HICON Current() const;  // the icon made so far, or null
  void MakeIcon();
  void MakePngIcon(const uint8_t* png, const IconImageLayout& layout);
  void MakeBitmapIcon(const uint8_t* data, const IconImageLayout& layout);

  std::vector<uint8_t> bytes_;
  // The icon made from the bytes, or instead the shared standard application
  // icon, which is never destroyed.
  TOwnedIcon owned_;
  bool standard_ = false;
  SIZE size_{0, 0};
  SIZE requested_{0, 0};
};

}  // namespace pix
