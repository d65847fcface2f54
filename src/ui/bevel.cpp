#include "ui/bevel.h"

namespace pix {

void TBevel::Create(HWND parent, const TBevelArgs& a) {
  Dock(a.dock);
  raised_ = a.raised;
  CreateOwn({.name = "PixlumenBevel", .style = 0}, "", WS_CHILD | WS_VISIBLE, 0, parent,
            CreationBounds(a.dock, a.bounds));
}

void TBevel::Paint(HDC dc, const RECT& r) {
  HBRUSH light = GetSysColorBrush(COLOR_BTNHIGHLIGHT);
  HBRUSH dark = GetSysColorBrush(COLOR_BTNSHADOW);
  RECT top{r.left, r.top, r.right, r.top + 1};
  RECT below{r.left, r.top + 1, r.right, r.top + 2};
  FillRect(dc, &top, raised_ ? light : dark);
  FillRect(dc, &below, raised_ ? dark : light);
}

bool TBevel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    default:
      return TPaintedControl::HandleMessage(msg, wp, lp, result);
  }
}

}  // namespace pix
