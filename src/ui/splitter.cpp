#include "ui/splitter.h"

#include "ui/handles.h"

#include <windowsx.h>

namespace pix {

void TSplitter::Create(HWND parent, const TSplitterArgs& a) {
  container_ = a.dock.in;
  pane_ = a.pane;
  hatched_ = a.hatched;
  Dock(a.dock);
  int thickness = Horizontal() ? a.dock.width : a.dock.height;
  const char* cls = Horizontal() ? "PixlumenSplitterWE" : "PixlumenSplitterNS";
  CreateOwn({.name = cls,
             .style = 0,
             .background = GetSysColorBrush(COLOR_BTNFACE),
             .cursor = LoadCursorA(nullptr, Horizontal() ? IDC_SIZEWE : IDC_SIZENS)},
            "", WS_CHILD | WS_VISIBLE, 0, parent, {0, 0, thickness, thickness});
}

int TSplitter::PaneExtent() const {
  TRect b = pane_->Bounds();
  return Horizontal() ? b.Width() : b.Height();
}

int TSplitter::MaxSize() const {
  // The parent here is the container that docks both the pane and the splitter.
  TRect client = container_->ClientRect();
  int parentExtent = Horizontal() ? client.Width() : client.Height();
  int sameAxis = 0;
  for (HWND c = GetWindow(container_->Handle(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    TControl* ctl = FromHandle(c);
    if (!ctl || !ctl->Visible || !IsWindowVisible(c)) continue;
    bool same = Horizontal() ? (ctl->Align == TAlign::Left || ctl->Align == TAlign::Right)
                             : (ctl->Align == TAlign::Top || ctl->Align == TAlign::Bottom);
    if (same) sameAxis += Horizontal() ? ctl->Bounds().Width() : ctl->Bounds().Height();
  }
  // A windowless pane is not among the child windows; count it too.
  if (!dynamic_cast<TControl*>(pane_)) sameAxis += PaneExtent();
  return SplitterMaxSize(parentExtent, sameAxis, PaneExtent());
}

int TSplitter::NewSize() const {
  return SplitterNewSize(oldSize_, curPos_ - startPos_, maxSize_);
}

void TSplitter::DrawLine() {
  HWND parent = container_->Handle();
  TWindowDC dc(parent, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
  TRect me = Bounds();
  int offset = NewSize() - oldSize_;
  RECT r = {me.left, me.top, me.right, me.bottom};
  if (Horizontal())
    OffsetRect(&r, offset, 0);
  else
    OffsetRect(&r, 0, offset);
  static const WORD pattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  TOwnedBitmap bmp(hatched_ ? CreateBitmap(8, 8, 1, 1, pattern) : nullptr);
  TOwnedBrush hatch(bmp ? CreatePatternBrush(bmp) : nullptr);
  {
    TSelectObject selectBrush(dc, hatch ? hatch.Get() : GetStockObject(WHITE_BRUSH));
    PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, PATINVERT);
  }
  lineShown_ = !lineShown_;
}

void TSplitter::BeginDrag(int pos) {
  dragging_ = true;
  startPos_ = curPos_ = pos;
  oldSize_ = PaneExtent();
  maxSize_ = MaxSize();
  prevFocus_ = GetFocus();
  SetCapture(Handle());
  SetFocus(Handle());  // so Esc reaches the splitter
  DrawLine();
}

void TSplitter::DragTo(int pos) {
  if (!dragging_) return;
  if (lineShown_) DrawLine();
  curPos_ = pos;
  DrawLine();
}

void TSplitter::EndDrag(bool apply) {
  if (!dragging_) return;
  if (lineShown_) DrawLine();
  dragging_ = false;
  int size = NewSize();
  if (GetCapture() == Handle()) ReleaseCapture();
  if (prevFocus_ && IsWindow(prevFocus_)) SetFocus(prevFocus_);
  if (!apply || size == oldSize_) return;
  if (Horizontal())
    pane_->DockWidth = size;
  else
    pane_->DockHeight = size;
  container_->Realign();
  // The moved panes too: the platform moves a child's old pixels along with it
  // (the list would keep its old rows, or the tree's scroll bar), and a pane
  // that keeps its place may still hold the dragged line's leftovers.
  RedrawWindow(container_->Handle(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

bool TSplitter::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  // Positions in the container's coordinates, so the splitter moving does not matter.
  auto containerPos = [&]() {
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    MapWindowPoints(Handle(), container_->Handle(), &p, 1);
    return Horizontal() ? p.x : p.y;
  };
  switch (msg) {
    case WM_LBUTTONDOWN:
      BeginDrag(containerPos());
      return true;
    case WM_MOUSEMOVE:
      if (dragging_) DragTo(containerPos());
      return dragging_;
    case WM_LBUTTONUP:
      if (dragging_) {
        curPos_ = containerPos();
        EndDrag(true);
      }
      return true;
    case WM_KEYDOWN:
      if (dragging_ && wp == VK_ESCAPE) {
        EndDrag(false);
        return true;
      }
      return false;
    case WM_CAPTURECHANGED:
      if (dragging_ && reinterpret_cast<HWND>(lp) != Handle()) EndDrag(false);
      return false;
    default:
      return TControl::HandleMessage(msg, wp, lp, result);
  }
}

}  // namespace pix
