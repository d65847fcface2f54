// Named commands: caption, image, enabled state and the handlers that carry a
// command out and recompute its state. Presenters (menu-bar items, drop-down
// entries) subscribe to a command and follow each change of it at once.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/handles.h"

namespace pix {

class TAction {
 public:
  TAction(std::string name, std::string caption, int imageIndex, std::function<void()> onExecute,
          std::function<void()> onUpdate = nullptr)
      : Name(std::move(name)),
        OnExecute(std::move(onExecute)),
        OnUpdate(std::move(onUpdate)),
        caption_(std::move(caption)),
        imageIndex_(imageIndex) {}
  TAction(const TAction&) = delete;
  TAction& operator=(const TAction&) = delete;

  const std::string Name;
  std::function<void()> OnExecute;
  std::function<void()> OnUpdate;  // sets Enabled; commands without one keep their state

  const std::string& Caption() const { return caption_; }
  int ImageIndex() const { return imageIndex_; }  // -1: no image
  bool Enabled() const { return enabled_; }
  void SetCaption(const std::string& caption);
  void SetImageIndex(int index);
  void SetEnabled(bool enabled);

  // Runs the update handler, if any.
  void Update();
  // What a presenter does when used: update once more, then execute if enabled.
  // True when the command ran.
  bool Run();

  // Called after each change of caption, image or enabled state.
  void Subscribe(const void* owner, std::function<void(TAction&)> onChange);
  void Unsubscribe(const void* owner);

 private:
  void Changed();
  std::string caption_;
  int imageIndex_;
  bool enabled_ = true;
  std::vector<std::pair<const void*, std::function<void(TAction&)>>> presenters_;
};

// The command list of a window, with the image list its presenters draw from.
class TActionList {
 public:
  TActionList() = default;
  TActionList(const TActionList&) = delete;
  TActionList& operator=(const TActionList&) = delete;

  TAction& Add(std::string name, std::string caption, int imageIndex,
               std::function<void()> onExecute, std::function<void()> onUpdate = nullptr);
  TAction* Find(const std::string& name) const;
  const std::vector<std::unique_ptr<TAction>>& Actions() const { return actions_; }

  // Images of `size` pixels square, cut from a bitmap resource laid out in one
  // row; magenta is transparent.
  void LoadImages(const char* resource, int size);
  HIMAGELIST Images() const { return images_; }
  int ImageSize() const { return imageSize_; }  // 0 before any are loaded

 private:
  std::vector<std::unique_ptr<TAction>> actions_;
  TOwnedImageList images_;
  int imageSize_ = 0;
};

}  // namespace pix
