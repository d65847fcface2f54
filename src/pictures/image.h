// The picture view: windowless, it paints its holder's picture inside its parent
// window's paint cycle, placed by the rule in placement_core.h.
#pragma once
#include <windows.h>

#include "pictures/graphic.h"
#include "pictures/placement_core.h"
#include "ui/control.h"

namespace pix {

class TImage : public TDockable {
 public:
  explicit TImage(HWND parent = nullptr);
  TImage(const TImage&) = delete;
  TImage& operator=(const TImage&) = delete;
  void SetParent(HWND parent) { parent_ = parent; }
  HWND Parent() const { return parent_; }

  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }
  // Invalidates the old bounds with erasing and the new ones as a picture change does.
  void SetBounds(const TRect& r) override;
  TRect Bounds() const override { return bounds_; }
  int Width() const { return bounds_.Width(); }
  int Height() const { return bounds_.Height(); }

  // Each setter acts only on a real change, and then runs the picture-changed step.
  bool Center() const { return settings_.center; }
  void SetCenter(bool v);
  bool Proportional() const { return settings_.proportional; }
  void SetProportional(bool v);
  bool Stretch() const { return settings_.stretch; }
  void SetStretch(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  // Repaint at once whenever a decoding picture reports rows worth showing.
  bool IncrementalDisplay = false;
  TProgressEvent OnProgress;

  // The rectangle the picture goes to, in view coordinates.
  TRect DestRect() const;
  // Paints the picture; `dc` is the parent's device context. Errors of the
  // picture's drawing propagate after the drawing flag is restored.
  void Paint(HDC dc);
  HPALETTE Palette() const;
  bool Opaque() const { return opaque_; }
  bool Drawing() const { return drawing_; }

 private:
  void PictureChanged();
  void PictureProgress(void* sender, TProgressStage stage, uint8_t percent, bool redrawNow,
                       const RECT& r, const std::string& msg);
  bool DoPaletteChange();
  void InvalidateView();
  void SetSetting(bool& field, bool v);

  HWND parent_ = nullptr;
  TPicture picture_;
  TRect bounds_;
  PlacementSettings settings_{true, false, false};
  bool transparent_ = false, autoSize_ = false;
  bool drawing_ = false, opaque_ = false;
};

}  // namespace pix
