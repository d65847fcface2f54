// A push button: the standard control, its click raised as an event. Enter
// presses it when it has the focus, as in a dialog.
#pragma once
#include <functional>
#include <string>

#include "ui/control.h"

namespace pix {

struct TButtonArgs {
  TDock dock = {};
  TRect bounds = {};
  std::string caption;
};

class TButton : public TControl {
 public:
  void Create(HWND parent, const TButtonArgs& a);
  // Presses the button from code, as a click would.
  void Click();
  std::function<void()> OnClick;

  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  bool HandleReflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

}  // namespace pix
