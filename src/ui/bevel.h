// A bevel drawn as one line along its top edge: raised (light over dark) or
// lowered (dark over light), in the system's 3-D colours.
#pragma once
#include "ui/control.h"

namespace pix {

struct TBevelArgs {
  TDock dock = {};
  TRect bounds = {};  // the line along its top is kLineHeight high
  bool raised = true;
};

class TBevel : public TPaintedControl {
 public:
  static constexpr int kLineHeight = 2;
  void Create(HWND parent, const TBevelArgs& a);
  bool Raised() const { return raised_; }
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void Paint(HDC dc, const RECT& client) override;
  bool raised_ = true;
};

}  // namespace pix
