// A splitter docked beside the pane it resizes. The drag is shown as a line and
// applied on release; Esc cancels; the pane's size is kept between the minimum and
// what its parent leaves, and snaps shut at the minimum or below.
#pragma once
#include "ui/control.h"

namespace pix {

class TSplitter : public TControl {
public:
  // align: Left (drags the pane's width) or Top (drags its height).
  // hatched: the dragged line is drawn with a hatch pattern instead of a plain line.
  void Create(HWND parent, TControl& container, TDockable& pane, TAlign align, int thickness,
              bool hatched);
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
