#include "ui/actions.h"

#include <algorithm>

#include "ui/app.h"

namespace pix {

void TAction::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Changed();
}

void TAction::SetImageIndex(int index) {
  if (index == imageIndex_) return;
  imageIndex_ = index;
  Changed();
}

void TAction::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed();
}

void TAction::Update() {
  if (OnUpdate) OnUpdate();
}

bool TAction::Run() {
  Update();
  if (!enabled_ || !OnExecute) return false;
  OnExecute();
  return true;
}

void TAction::Subscribe(const void* owner, std::function<void(TAction&)> onChange) {
  presenters_.emplace_back(owner, std::move(onChange));
}

void TAction::Unsubscribe(const void* owner) {
  std::erase_if(presenters_, [owner](const auto& p) { return p.first == owner; });
}

void TAction::Changed() {
  // A copy: a presenter may unsubscribe while it is told.
  auto presenters = presenters_;
  for (auto& p : presenters) p.second(*this);
}

TAction& TActionList::Add(std::string name, std::string caption, int imageIndex,
                          std::function<void()> onExecute, std::function<void()> onUpdate) {
  actions_.push_back(std::make_unique<TAction>(std::move(name), std::move(caption), imageIndex,
                                               std::move(onExecute), std::move(onUpdate)));
  return *actions_.back();
}

TAction* TActionList::Find(const std::string& name) const {
  for (auto& a : actions_)
    if (a->Name == name) return a.get();
  return nullptr;
}

void TActionList::LoadImages(const char* resource, int size) {
  images_.Reset(ImageList_LoadImageA(Application().Instance(), resource, size, 0, RGB(255, 0, 255),
                                     IMAGE_BITMAP, LR_CREATEDIBSECTION));
  imageSize_ = images_ ? size : 0;
}

}  // namespace pix
