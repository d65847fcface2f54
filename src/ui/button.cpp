#include "ui/button.h"

#include "ui/app.h"
#include "ui/text.h"

namespace pix {

void TButton::Create(HWND parent, const TButtonArgs& a) {
  Dock(a.dock);
  CreateStandard("BUTTON", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, parent,
                 CreationBounds(a.dock, a.bounds));
  SetWindowTextW(Handle(), Widen(a.caption).c_str());
}

void TButton::Click() {
  if (OnClick) OnClick();
}

bool TButton::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_KEYDOWN && wp == VK_RETURN) {
    Click();
    return true;
  }
  return TControl::HandleMessage(msg, wp, lp, result);
}

bool TButton::HandleReflected(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED) return false;
  Click();
  result = 0;
  return true;
}

}  // namespace pix
