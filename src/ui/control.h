// Base of every window the program creates: owns its HWND, finds its object from
// the handle, reflects child notifications, docks its children and keeps every
// exception inside the window procedure.
#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "ui/dock_core.h"

namespace pix {

class TControl;

// One of the program's own window classes. A class is registered once, on its
// first use; the platform would silently keep the first settings for a later use
// with others, so such a use raises std::logic_error instead.
struct TWindowClass {
  const char* name = nullptr;
  UINT style = CS_DBLCLKS;
  HBRUSH background = nullptr;
  HCURSOR cursor = nullptr;  // the arrow when null
};
void RegisterWindowClass(const TWindowClass& cls);

// Where a control goes, applied by the Create that takes it: the container that
// lays it out (none: it stays where it was created), the side, and its extent.
// A control that can also stand at fixed coordinates takes `bounds` beside its
// dock: it is created there, or, without them, at its dock's extent.
struct TDock {
  TControl* in = nullptr;
  TAlign align = TAlign::None;
  int width = 0;   // docked left or right
  int height = 0;  // docked top or bottom
};
// The rectangle a control is created at: `bounds` when given, else the dock's
// extent at the container's origin (the layout moves it from there).
TRect CreationBounds(const TDock& d, const TRect& bounds);

// Anything a container can dock: windowed controls and windowless views alike.
class TDockable {
 public:
  virtual ~TDockable() = default;
  // Takes the side and extent of `d` and joins its container, if it names one.
  void Dock(const TDock& d);
  TAlign Align = TAlign::None;
  int DockWidth = 0;   // width when docked left or right
  int DockHeight = 0;  // height when docked top or bottom
  bool Visible = true;
  virtual void SetBounds(const TRect& r) = 0;
  virtual TRect Bounds() const = 0;
  // Called before each layout with the container's client area, so an item whose
  // extent depends on the room it gets (a wrapping bar) can set it.
  virtual void PrepareDock(const TRect&) {}
};

class TControl : public TDockable {
 public:
  TControl() = default;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;
  ~TControl() override;

  HWND Handle() const { return handle_; }
  static TControl* FromHandle(HWND wnd);

  void SetBounds(const TRect& r) override;
  TRect Bounds() const override;  // in the parent's client coordinates
  TRect ClientRect() const;

  // Docked children, laid out in order whenever this window is resized.
  void AddDocked(TDockable* child) { docked_.push_back(child); }
  void Realign();
  // The part of the client area that docked children share (less borders).
  virtual TRect DockArea() const { return ClientRect(); }
  // Extra realign step for containers whose docked sizes change (splitters).
  std::function<void()> OnResize;

  std::string Text() const;
  void SetText(const std::string& text);
  void SetFont(HFONT font);
  void Invalidate(bool erase = true);

  // Handles a message sent to this window. Return true when handled.
  virtual bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  // Handles WM_COMMAND / WM_NOTIFY / WM_DRAWITEM / WM_MEASUREITEM sent to the
  // parent on this control's behalf.
  virtual bool HandleReflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

 protected:
  // Creates a window of one of the program's own classes.
  void CreateOwn(const TWindowClass& cls, const std::string& text, DWORD style, DWORD exStyle,
                 HWND parent, const TRect& r);
  // Creates a standard control and subclasses it.
  void CreateStandard(const char* className, const std::string& text, DWORD style, DWORD exStyle,
                      HWND parent, const TRect& r, int id = 0);
  // The default handling of a message this object did not take.
  LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
  void DestroyHandle();

 private:
  friend void RegisterWindowClass(const TWindowClass& cls);
  static LRESULT CALLBACK OwnProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
  void Attach(HWND wnd);

  HWND handle_ = nullptr;
  bool subclassed_ = false;
  std::vector<TDockable*> docked_;
};

// A control that paints itself in Paint(). The paint is begun and ended here, on
// every path, so a control only draws.
class TPaintedControl : public TControl {
 public:
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 protected:
  // Draws into `dc`, already clipped to what needs painting; `client` is the
  // whole client area.
  virtual void Paint(HDC dc, const RECT& client) = 0;
  // WM_ERASEBKGND: by default nothing, for controls that draw all of themselves.
  virtual BOOL EraseBackground(HDC) { return TRUE; }
  // A failure of Paint(), raised after the paint has ended: the region is
  // validated first so a report does not bring the same paint back at once.
  virtual void PaintFailed(std::exception_ptr e) { std::rethrow_exception(e); }

 private:
  void PaintWindow();
};

// Moves a top-level window to the middle of the work area of the monitor the
// user works on (see UserWorkArea), keeping its size; one larger than that
// area goes to its top-left corner.
void CentreOnScreen(HWND wnd);

// Creates a GDI font for the form text of the program at a density (0: the
// screen's), and measures it.
struct FormMetrics {
  int dpi = 96;
  int fontHeight = -13;  // at `dpi`
  int textHeight = 16;   // measured with that font
  int Scale(int v) const { return ScaleForText(v, textHeight); }
};
FormMetrics MeasureFormFont(HFONT* font, int dpi = 0);

}  // namespace pix
