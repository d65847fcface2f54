#include "pictures/graphic.h"

#include "pictures/filestream.h"

namespace pix {

const TGraphicClass TGraphicKind{"TGraphic", nullptr, nullptr};

bool TGraphicClass::InheritsFrom(const TGraphicClass& base) const {
  for (const TGraphicClass* c = this; c; c = c->parent)
    if (c == &base) return true;
  return false;
}

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName);
  LoadFromStream(stream);
}

void TGraphic::Changed() {
  Modified = true;
  if (OnChange) OnChange();
}

void TGraphic::Progress(TProgressStage stage, uint8_t percent, bool redrawNow, const RECT& r,
                        const std::string& msg) {
  if (OnProgress) OnProgress(this, stage, percent, redrawNow, r, msg);
}

void TPicture::Install(std::unique_ptr<TGraphic> g) {
  graphic_ = std::move(g);
  if (graphic_) {
    graphic_->OnChange = [this] { Changed(); };
    graphic_->OnProgress = [this](void* sender, TProgressStage stage, uint8_t percent,
                                  bool redrawNow, const RECT& r, const std::string& msg) {
      Progress(sender, stage, percent, redrawNow, r, msg);
    };
  }
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> g) {
  Install(std::move(g));
  Changed();
}

void TPicture::Assign(const TPicture& other) {
  SetGraphic(other.graphic_ ? other.graphic_->Clone() : nullptr);
}

void TPicture::Changed() {
  if (OnChange) OnChange();
  if (Notify) Notify->Changed();
}

void TPicture::Progress(void* sender, TProgressStage stage, uint8_t percent, bool redrawNow,
                        const RECT& r, const std::string& msg) {
  if (OnProgress) OnProgress(sender, stage, percent, redrawNow, r, msg);
}

// Never destroyed, as the decode hooks: the read-ahead unhooks itself at exit.
std::function<bool()>& KeptPicturesRelease() {
  static std::function<bool()>& release = *new std::function<bool()>;
  return release;
}

bool ReleaseKeptPictures() {
  const std::function<bool()>& release = KeptPicturesRelease();
  return release && release();
}

void ClearPicture(TPicture& holder) {
  holder.SetGraphic(nullptr);
}

}  // namespace pix
