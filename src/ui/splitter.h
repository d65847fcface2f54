// A splitter docked beside the pane it resizes. The drag is shown as a line and
// applied on release; Esc cancels; the pane's size is kept between the minimum and
// what its parent leaves, and snaps shut at the minimum or below.
#pragma once
#include "ui/control.h"

namespace pix {

// Docked in its container beside `pane`, which both must dock on the same side:
// docked left or right it drags the pane's width, top or bottom its height. Its
// thickness is the dock's extent on that axis.
struct TSplitterArgs {
  TDock dock = {};
  TDockable* pane = nullptr;  // what it resizes
  bool hatched = false;       // the dragged line drawn with a hatch pattern
};

class TSplitter : public TControl {
 public:
  // Joins the container's docked controls in the order created; it needs one.
  void Create(HWND parent, const TSplitterArgs& a);
  bool Dragging() const { return dragging_; }
  // The drag steps, also driven by tests.
  void BeginDrag(int pos);
  void DragTo(int pos);
  void EndDrag(bool apply);
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  bool Horizontal() const { return Align == TAlign::Left || Align == TAlign::Right; }
  int PaneExtent() const;
  int MaxSize() const;
  void DrawLine();
  int NewSize() const;

  TControl* container_ = nullptr;
  TDockable* pane_ = nullptr;
  bool hatched_ = false;
  bool dragging_ = false;
  bool lineShown_ = false;
  int startPos_ = 0, curPos_ = 0, oldSize_ = 0, maxSize_ = 0;
  HWND prevFocus_ = nullptr;
};

}  // namespace pix
