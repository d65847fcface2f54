// The open dialog's preview window: the pane's picture at a comfortable size,
// in a sizeable tool window that Esc closes.
#pragma once
#include "pictures/imagehost.h"
#include "ui/form.h"
#include "ui/framedpanel.h"

namespace pix {

class TPreviewForm : public TForm {
 public:
  // Built hidden, centred on its owner's monitor at that monitor's density,
  // holding a copy of `picture`.
  void Create(HWND owner, const TPicture& picture);

  TFramedPanel Panel;
  TImageHost Image;
};

}  // namespace pix
