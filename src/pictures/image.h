// The picture view: windowless, it paints its holder's picture inside its parent
// window's paint cycle.
#pragma once
#include <windows.h>

#include "pictures/graphic.h"
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
  void SetBounds(const TRect& r) override;
  TRect Bounds() const override { return bounds_; }

  bool Center() const { return center_; }
  void SetCenter(bool v);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool v);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);

  // The rectangle the picture goes to, in view coordinates.
  TRect DestRect() const;
  // Paints the picture; `dc` is the parent's device context.
  void Paint(HDC dc);
  bool Opaque() const { return opaque_; }

private:
  void PictureChanged();
  void InvalidateView();

  HWND parent_ = nullptr;
  TPicture picture_;
  TRect bounds_;
  bool center_ = true, proportional_ = false, stretch_ = false;
  bool drawing_ = false, opaque_ = false;
};

}  // namespace pix
