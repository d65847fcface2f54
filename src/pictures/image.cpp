#include "pictures/image.h"

#include "pictures/icon.h"
#include "pictures/metafile.h"
#include "ui/form.h"
#include "ui/handles.h"

namespace pix {

namespace {

// Icons and metafiles are transparent by their kind; the view leaves their flag alone.
bool TransparentByKind(const TGraphic& g) {
  return g.Kind().InheritsFrom(TIconKind) || g.Kind().InheritsFrom(TMetafileKind);
}

// Moves the parent's device context to the view and clips it there; puts the
// context and the drawing flag back on every path.
class ViewCanvas {
 public:
  ViewCanvas(HDC dc, const TRect& bounds, bool& drawing)
      : dc_(dc), state_(SaveDC(dc)), drawing_(drawing), saved_(drawing) {
    drawing_ = true;
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    OffsetViewportOrgEx(dc, bounds.left, bounds.top, nullptr);
  }
  ~ViewCanvas() {
    RestoreDC(dc_, state_);
    drawing_ = saved_;
  }
  ViewCanvas(const ViewCanvas&) = delete;
  ViewCanvas& operator=(const ViewCanvas&) = delete;

 private:
  HDC dc_;
  int state_;
  bool& drawing_;
  bool saved_;
};

}  // namespace

TImage::TImage(HWND parent) : parent_(parent) {
  picture_.OnChange = [this] { PictureChanged(); };
  picture_.OnProgress = [this](void* sender, TProgressStage stage, uint8_t percent, bool redrawNow,
                               const RECT& r, const std::string& msg) {
    PictureProgress(sender, stage, percent, redrawNow, r, msg);
  };
}

void TImage::SetBounds(const TRect& r) {
  if (r == bounds_) return;
  if (parent_) {
    RECT old{bounds_.left, bounds_.top, bounds_.right, bounds_.bottom};
    InvalidateRect(parent_, &old, TRUE);
  }
  bounds_ = r;
  PictureChanged();
}

void TImage::SetSetting(bool& field, bool v) {
  if (field == v) return;
  field = v;
  PictureChanged();
}
void TImage::SetCenter(bool v) {
  SetSetting(settings_.center, v);
}
void TImage::SetProportional(bool v) {
  SetSetting(settings_.proportional, v);
}
void TImage::SetStretch(bool v) {
  SetSetting(settings_.stretch, v);
}
void TImage::SetTransparent(bool v) {
  SetSetting(transparent_, v);
}
void TImage::SetAutoSize(bool v) {
  SetSetting(autoSize_, v);
}

TRect TImage::DestRect() const {
  return PlacementRect(picture_.Width(), picture_.Height(), Width(), Height(), settings_);
}

HPALETTE TImage::Palette() const {
  TGraphic* g = picture_.Graphic();
  return g ? g->Palette() : nullptr;
}

void TImage::Paint(HDC dc) {
  TGraphic* g = picture_.Graphic();
  if (!Visible || !g) return;
  // Only when the region being painted meets the view: no stretching for nothing.
  RECT b{bounds_.left, bounds_.top, bounds_.right, bounds_.bottom};
  if (!RectVisible(dc, &b)) return;
  ViewCanvas canvas(dc, bounds_, drawing_);
  TRect d = DestRect();
  RECT r{d.left, d.top, d.right, d.bottom};
  g->Draw(dc, r);
}

void TImage::PictureChanged() {
  TGraphic* g = picture_.Graphic();
  if (g && autoSize_ && g->Width() > 0 && g->Height() > 0) {
    TRect fit{bounds_.left, bounds_.top, bounds_.left + g->Width(), bounds_.top + g->Height()};
    if (fit != bounds_) {
      SetBounds(fit);  // runs this step again for the new size
      return;
    }
  }
  if (g) {
    if (!TransparentByKind(*g)) g->SetTransparent(transparent_);
    opaque_ = !g->Transparent() && CoversView(DestRect(), Width(), Height());
    if (DoPaletteChange() && drawing_ && parent_) UpdateWindow(parent_);
  } else {
    opaque_ = false;
  }
  if (!drawing_) InvalidateView();
}

// Lets the form the view belongs to realise a picture's new palette in the
// foreground. Returns true when the form was asked.
bool TImage::DoPaletteChange() {
  TGraphic* g = picture_.Graphic();
  if (!Visible || !g || !g->PaletteModified) return false;
  if (!g->Palette()) {
    g->PaletteModified = false;
    return false;
  }
  HWND root = parent_ ? GetAncestor(parent_, GA_ROOT) : nullptr;
  // Only the program's own top-level windows count (not a common dialog).
  if (!root || !dynamic_cast<TForm*>(TControl::FromHandle(root))) return false;
  if (GetActiveWindow() != root) return false;
  if (drawing_)
    SendMessageA(root, WM_QUERYNEWPALETTE, 0, 0);
  else
    PostMessageA(root, WM_QUERYNEWPALETTE, 0, 0);
  g->PaletteModified = false;
  return true;
}

void TImage::PictureProgress(void* sender, TProgressStage stage, uint8_t percent, bool redrawNow,
                             const RECT& r, const std::string& msg) {
  if (IncrementalDisplay && redrawNow && parent_) {
    if (DoPaletteChange()) {
      UpdateWindow(parent_);
    } else if (TWindowDC dc(parent_); dc) {
      // Outside the paint cycle: draw what has been decoded so far, now.
      Paint(dc);
    }
  }
  if (OnProgress) OnProgress(sender, stage, percent, redrawNow, r, msg);
}

void TImage::InvalidateView() {
  if (!parent_) return;
  RECT r{bounds_.left, bounds_.top, bounds_.right, bounds_.bottom};
  InvalidateRect(parent_, &r, !opaque_);
}

}  // namespace pix
