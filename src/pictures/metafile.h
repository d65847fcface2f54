// Windows metafiles: enhanced (.emf) and placeable (.wmf), told apart by content
// and held as one platform enhanced metafile.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "pictures/graphic.h"
#include "ui/handles.h"

namespace pix {

extern const TGraphicClass TMetafileKind;

class TMetafile : public TGraphic {
 public:
  TMetafile();

  const TGraphicClass& Kind() const override { return TMetafileKind; }
  void LoadFromStream(TStream& stream) override;
  // Pixels on this screen (see MetafilePixelSize).
  int Width() const override;
  int Height() const override;
  bool Empty() const override { return !handle_; }
  // Played into the rectangle less one pixel on the right and bottom.
  void Draw(HDC dc, const RECT& r) override;
  void SetTransparent(bool) override {}  // metafiles only draw what they record
  HPALETTE Palette() const override { return palette_.Get(); }
  std::unique_ptr<TGraphic> Clone() const override;

  HENHMETAFILE Handle() const { return handle_.Get(); }
  bool Enhanced() const { return enhanced_; }
  // Size in hundredths of a millimetre.
  int MMWidth() const { return mmWidth_; }
  int MMHeight() const { return mmHeight_; }
  int Inch() const { return inch_; }

 private:
  void Clear();
  void ReadEnhanced(TStream& stream);
  void ReadPlaceable(TStream& stream);
  void MakePalette();
  void PixelSize(int32_t& w, int32_t& h) const;

  TOwnedEnhMetafile handle_;
  TOwnedPalette palette_;
  int mmWidth_ = 0, mmHeight_ = 0;
  int inch_ = 0;
  bool enhanced_ = false;
};

}  // namespace pix
