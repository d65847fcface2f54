#include "ui/control.h"

#include <commctrl.h>

#include <map>
#include <stdexcept>
#include <unordered_map>

#include "ui/app.h"
#include "ui/dpi.h"
#include "ui/handles.h"
#include "ui/monitors.h"

namespace pix {

namespace {
// Window handle -> object, for the windows of this (user-interface) thread. A
// window property would do, but every message asks, and under Wine each
// property lookup is a round trip to the server.
std::unordered_map<HWND, TControl*>& Objects() {
  static std::unordered_map<HWND, TControl*> objects;
  return objects;
}
}  // namespace

TControl::~TControl() {
  DestroyHandle();
}

void TControl::DestroyHandle() {
  if (!handle_) return;
  HWND w = handle_;
  if (subclassed_) RemoveWindowSubclass(w, SubclassProc, 0);
  Objects().erase(w);
  handle_ = nullptr;
  DestroyWindow(w);
}

TControl* TControl::FromHandle(HWND wnd) {
  if (!wnd) return nullptr;
  auto it = Objects().find(wnd);
  return it == Objects().end() ? nullptr : it->second;
}

void TControl::Attach(HWND wnd) {
  handle_ = wnd;
  Objects()[wnd] = this;
}

void RegisterWindowClass(const TWindowClass& cls) {
  // The settings each class was registered with, by this (user-interface) thread.
  static std::map<std::string, TWindowClass, std::less<>> registered;
  if (auto it = registered.find(cls.name); it != registered.end()) {
    const TWindowClass& was = it->second;
    if (was.style != cls.style || was.background != cls.background || was.cursor != cls.cursor)
      throw std::logic_error("Window class " + std::string(cls.name) +
                             " registered again with other settings");
    return;
  }
  HINSTANCE inst = Application().Instance();
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = cls.style;
  wc.lpfnWndProc = TControl::OwnProc;
  wc.hInstance = inst;
  wc.hCursor = cls.cursor ? cls.cursor : LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = cls.background;
  // No class icon: a form sets its own for its density (TForm::UseDpi), and
  // loading one costs milliseconds a class.
  wc.lpszClassName = cls.name;
  RegisterClassExA(&wc);
  registered.emplace(cls.name, cls);
}

void TControl::CreateOwn(const TWindowClass& cls, const std::string& text, DWORD style,
                         DWORD exStyle, HWND parent, const TRect& r) {
  RegisterWindowClass(cls);
  HWND w = CreateWindowExA(exStyle, cls.name, text.c_str(), style, r.left, r.top, r.Width(),
                           r.Height(), parent, nullptr, Application().Instance(), this);
  if (!w) throw std::runtime_error("Cannot create window " + std::string(cls.name));
}

void TControl::CreateStandard(const char* className, const std::string& text, DWORD style,
                              DWORD exStyle, HWND parent, const TRect& r, int id) {
  HWND w = CreateWindowExA(exStyle, className, text.c_str(), style, r.left, r.top, r.Width(),
                           r.Height(), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           Application().Instance(), nullptr);
  if (!w) throw std::runtime_error("Cannot create control " + std::string(className));
  try {
    Attach(w);
  } catch (...) {
    DestroyWindow(w);
    throw;
  }
  subclassed_ = SetWindowSubclass(w, SubclassProc, 0, 0);
}

LRESULT CALLBACK TControl::OwnProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    if (auto* self = static_cast<TControl*>(cs->lpCreateParams)) {
      try {
        self->Attach(wnd);
      } catch (...) {
        return FALSE;  // no room in the table: the creation fails and says so
      }
    }
  }
  TControl* self = FromHandle(wnd);
  if (!self) return DefWindowProcA(wnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    Objects().erase(wnd);
    self->handle_ = nullptr;
    return DefWindowProcA(wnd, msg, wp, lp);
  }
  return self->Dispatch(msg, wp, lp);
}

LRESULT CALLBACK TControl::SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR) {
  TControl* self = FromHandle(wnd);
  if (!self) return DefSubclassProc(wnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(wnd, SubclassProc, 0);
    Objects().erase(wnd);
    self->handle_ = nullptr;
    self->subclassed_ = false;
    return DefSubclassProc(wnd, msg, wp, lp);
  }
  return self->Dispatch(msg, wp, lp);
}

LRESULT TControl::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  try {
    if (HandleMessage(msg, wp, lp, result)) return result;
  } catch (...) {
    Application().HandleException();
    return 0;
  }
  return DefaultProc(msg, wp, lp);
}

LRESULT TControl::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (!handle_) return 0;
  return subclassed_ ? DefSubclassProc(handle_, msg, wp, lp) : DefWindowProcA(handle_, msg, wp, lp);
}

bool TControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_SIZE:
      Realign();
      if (OnResize) OnResize();
      return false;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT && Application().ApplyCursor()) {
        result = TRUE;
        return true;
      }
      return false;
    case WM_COMMAND:
      if (lp) {
        if (TControl* c = FromHandle(reinterpret_cast<HWND>(lp)); c && c != this)
          return c->HandleReflected(msg, wp, lp, result);
      }
      return false;
    case WM_NOTIFY: {
      auto* nm = reinterpret_cast<NMHDR*>(lp);
      if (TControl* c = FromHandle(nm->hwndFrom); c && c != this)
        return c->HandleReflected(msg, wp, lp, result);
      return false;
    }
    case WM_DRAWITEM: {
      auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (di->CtlType == ODT_MENU) return false;
      if (TControl* c = FromHandle(di->hwndItem); c && c != this)
        return c->HandleReflected(msg, wp, lp, result);
      return false;
    }
    case WM_MEASUREITEM: {
      auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      if (mi->CtlType == ODT_MENU) return false;
      // The control is not attached yet while it is created: measure by id.
      if (HWND child = GetDlgItem(handle_, static_cast<int>(mi->CtlID)))
        if (TControl* c = FromHandle(child); c && c != this)
          return c->HandleReflected(msg, wp, lp, result);
      return false;
    }
    default:
      return false;
  }
}

bool TControl::HandleReflected(UINT, WPARAM, LPARAM, LRESULT&) {
  return false;
}

void TControl::SetBounds(const TRect& r) {
  if (handle_) MoveWindow(handle_, r.left, r.top, r.Width(), r.Height(), TRUE);
}

TRect TControl::Bounds() const {
  RECT r{};
  if (!handle_) return {};
  GetWindowRect(handle_, &r);
  if (HWND parent = GetParent(handle_); parent && (GetWindowLongA(handle_, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

TRect TControl::ClientRect() const {
  RECT r{};
  if (handle_) GetClientRect(handle_, &r);
  return {r.left, r.top, r.right, r.bottom};
}

void TControl::Realign() {
  if (!handle_ || docked_.empty()) return;
  for (TDockable* d : docked_)
    if (d->Visible) d->PrepareDock(ClientRect());
  std::vector<DockItem> items;
  items.reserve(docked_.size());
  for (TDockable* d : docked_) items.push_back({d->Align, d->DockWidth, d->DockHeight, d->Visible});
  std::vector<TRect> rects = DockLayout(DockArea(), items);
  for (size_t i = 0; i < docked_.size(); ++i)
    if (docked_[i]->Visible && docked_[i]->Align != TAlign::None) docked_[i]->SetBounds(rects[i]);
}

std::string TControl::Text() const {
  if (!handle_) return std::string();
  int n = GetWindowTextLengthA(handle_);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowTextA(handle_, s.data(), n + 1);
  s.resize(static_cast<size_t>(n));
  return s;
}

void TControl::SetText(const std::string& text) {
  if (handle_) SetWindowTextA(handle_, text.c_str());
}

void TControl::SetFont(HFONT font) {
  if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void TControl::Invalidate(bool erase) {
  if (handle_) InvalidateRect(handle_, nullptr, erase);
}

bool TPaintedControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_PAINT:
      PaintWindow();
      return true;
    case WM_ERASEBKGND:
      result = EraseBackground(reinterpret_cast<HDC>(wp));
      return true;
    default:
      return TControl::HandleMessage(msg, wp, lp, result);
  }
}

void TPaintedControl::PaintWindow() {
  std::exception_ptr failed;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle(), &ps);
  try {
    RECT client;
    GetClientRect(Handle(), &client);
    Paint(dc, client);
  } catch (...) {
    failed = std::current_exception();
  }
  EndPaint(Handle(), &ps);
  if (failed) PaintFailed(failed);
}

void TDockable::Dock(const TDock& d) {
  Align = d.align;
  DockWidth = d.width;
  DockHeight = d.height;
  if (d.in) d.in->AddDocked(this);
}

TRect CreationBounds(const TDock& d, const TRect& bounds) {
  return bounds == TRect{} ? TRect{0, 0, d.width, d.height} : bounds;
}

void CentreOnScreen(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  TRect at = CentredOnWorkArea(UserWorkArea(wnd), r.right - r.left, r.bottom - r.top);
  SetWindowPos(wnd, nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

FormMetrics MeasureFormFont(HFONT* font, int dpi) {
  FormMetrics m;
  TWindowDC screen;
  m.dpi = dpi > 0 ? dpi : ScreenDpi();
  m.fontHeight = ScaleFontHeight(-13, m.dpi);
  TOwnedFont f(CreateFontA(m.fontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif"));
  {
    TSelectObject select(screen, f);
    TEXTMETRICA tm{};
    if (GetTextMetricsA(screen, &tm)) m.textHeight = tm.tmHeight;
  }
  if (font) *font = f.Release();
  return m;
}

}  // namespace pix
