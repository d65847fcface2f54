// A window that hosts one picture view: it owns the view, gives it its whole
// client area and paints it in its own WM_PAINT. Every picture view of the
// program sits in one of these.
#pragma once
#include <exception>
#include <functional>

#include "pictures/image.h"
#include "ui/control.h"

namespace pix {

struct TImageHostArgs {
  TDock dock = {};
  TRect bounds = {};
};

class TImageHost : public TPaintedControl {
 public:
  // Created child of `parent`, visible.
  void Create(HWND parent, const TImageHostArgs& a = {});

  TImage& View() { return view_; }
  const TImage& View() const { return view_; }
  TPicture& Picture() { return view_.Picture(); }
  const TPicture& Picture() const { return view_.Picture(); }
  bool Center() const { return view_.Center(); }
  void SetCenter(bool v) { view_.SetCenter(v); }
  bool Proportional() const { return view_.Proportional(); }
  void SetProportional(bool v) { view_.SetProportional(v); }
  bool Stretch() const { return view_.Stretch(); }
  void SetStretch(bool v) { view_.SetStretch(v); }
  bool Drawing() const { return view_.Drawing(); }

  std::function<void()> OnDblClick;
  // A failure while painting goes here when set, instead of the error report.
  std::function<void(std::exception_ptr)> OnPaintError;
  // The cursor over the picture (the application's own cursor still wins).
  HCURSOR Cursor = nullptr;
  // A step key waiting in the queue stops the decode of a first paint: the key
  // brings another picture anyway. The screen keeps what it showed until then.
  bool StepKeysInterruptDecode = false;

  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void Paint(HDC dc, const RECT& client) override;
  BOOL EraseBackground(HDC dc) override;
  void PaintFailed(std::exception_ptr e) override;
  TImage view_;
};

}  // namespace pix
