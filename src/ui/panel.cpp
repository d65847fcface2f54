#include "ui/panel.h"

namespace pix {

void TPanel::Create(HWND parent, const TPanelArgs& a) {
  Dock(a.dock);
  CreateOwn({.name = "PixlumenPanel", .style = 0, .background = GetSysColorBrush(COLOR_BTNFACE)},
            "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, parent,
            CreationBounds(a.dock, a.bounds));
}

}  // namespace pix
