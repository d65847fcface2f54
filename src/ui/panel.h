// A plain container without bevel, painted in the colour of button faces.
#pragma once
#include "ui/control.h"

namespace pix {

struct TPanelArgs {
  TDock dock = {};
  TRect bounds = {};
};

class TPanel : public TControl {
 public:
  void Create(HWND parent, const TPanelArgs& a);
};

}  // namespace pix
