#include "ui/form.h"

#include "ui/app.h"
#include "ui/dpi.h"
#include "ui/monitors.h"
#include "ui/scopes.h"

namespace pix {

TShiftState TShiftState::Current() {
  return {GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0};
}

TForm::~TForm() {
  DestroyHandle();
}

void TForm::CreateForm(const std::string& caption, DWORD style, DWORD exStyle, const TRect& bounds,
                       HWND owner) {
  CreateOwn({.name = "PixlumenForm", .background = GetSysColorBrush(COLOR_BTNFACE)}, caption,
            style | WS_CLIPCHILDREN, exStyle, owner, bounds);
  // The density of the monitor the window was made on.
  UseDpi(WindowDpi(Handle()));
}

// The form font and the window's icons at `dpi`.
void TForm::UseDpi(int dpi) {
  HFONT font = nullptr;
  metrics_ = MeasureFormFont(&font, dpi);
  font_.Reset(font);
  SetFont(font_);
  // The caption's and the taskbar's icons at this density, from the images of
  // 16 to 256 pixels the icon resource holds.
  HINSTANCE inst = Application().Instance();
  int small = ImageSizeForDpi(dpi), big = 2 * small;
  TOwnedIcon s(static_cast<HICON>(LoadImageA(inst, "MAINICON", IMAGE_ICON, small, small, 0)));
  TOwnedIcon b(static_cast<HICON>(LoadImageA(inst, "MAINICON", IMAGE_ICON, big, big, 0)));
  if (s) SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(s.Get()));
  if (b) SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(b.Get()));
  if (s) smallIcon_.Reset(s.Release());
  if (b) bigIcon_.Reset(b.Release());
}

void TForm::ScaleLayout(const FormMetrics&) {}

namespace {
// Parents come before their children: each lays out in its parent's new size.
BOOL CALLBACK RealignProc(HWND wnd, LPARAM) {
  if (TControl* c = TControl::FromHandle(wnd)) {
    c->Realign();
    if (c->OnResize) c->OnResize();
  }
  return TRUE;
}
}  // namespace

void TForm::Rescale(const FormMetrics& was) {
  ScaleLayout(was);
  ApplyFontToChildren();
  Realign();
  if (OnResize) OnResize();
  EnumChildWindows(Handle(), RealignProc, 0);
}

void TForm::ApplyDpi(int dpi) {
  if (!Handle()) return;
  FormMetrics was = metrics_;
  // The children draw with the old font until they are given the new one.
  TOwnedFont oldFont(font_.Release());
  UseDpi(dpi);
  Rescale(was);
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TForm::FollowDpi() {
  if (!Handle()) return;
  if (int dpi = WindowDpi(Handle()); dpi != metrics_.dpi) ApplyDpi(dpi);
}

namespace {
BOOL CALLBACK SetFontProc(HWND wnd, LPARAM font) {
  SendMessageA(wnd, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}

struct TabWalk {
  HWND form;
  std::vector<HWND>* stops;
};

// Children come in z-order, parents before their children: the creation order.
BOOL CALLBACK CollectTabStop(HWND wnd, LPARAM param) {
  auto* walk = reinterpret_cast<TabWalk*>(param);
  LONG style = GetWindowLongA(wnd, GWL_STYLE);
  if (!(style & WS_TABSTOP) || !IsWindowVisible(wnd) || !IsWindowEnabled(wnd)) return TRUE;
  // Inside another tab stop (a combo box's edit) it is part of that one.
  for (HWND p = GetParent(wnd); p && p != walk->form; p = GetParent(p))
    if (GetWindowLongA(p, GWL_STYLE) & WS_TABSTOP) return TRUE;
  try {
    walk->stops->push_back(wnd);
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}
}  // namespace

void TForm::ApplyFontToChildren() {
  EnumChildWindows(Handle(), SetFontProc, reinterpret_cast<LPARAM>(font_.Get()));
}

void TForm::Close() {
  if (Handle()) SendMessageA(Handle(), WM_CLOSE, 0, 0);
}

std::vector<HWND> TForm::TabStops() const {
  std::vector<HWND> stops;
  TabWalk walk{Handle(), &stops};
  if (Handle()) EnumChildWindows(Handle(), CollectTabStop, reinterpret_cast<LPARAM>(&walk));
  return stops;
}

bool TForm::SelectNext(bool backward) {
  std::vector<HWND> stops = TabStops();
  if (stops.empty()) return false;
  HWND focus = GetFocus();
  size_t n = stops.size(), at = n;
  for (size_t i = 0; i < n; ++i)
    if (stops[i] == focus || IsChild(stops[i], focus)) at = i;
  size_t next = at == n ? (backward ? n - 1 : 0) : (backward ? (at + n - 1) % n : (at + 1) % n);
  SetActiveControl(stops[next]);
  return true;
}

void TForm::SetActiveControl(HWND control) {
  if (!control || !IsChild(Handle(), control)) return;
  activeControl_ = control;
  if (GetActiveWindow() == Handle()) SetFocus(control);
}

// Gives the focus back to the control that had it, or the first tab stop.
void TForm::Activated() {
  HWND target = activeControl_;
  if (!target || !IsWindow(target) || !IsChild(Handle(), target) || !IsWindowVisible(target) ||
      !IsWindowEnabled(target)) {
    std::vector<HWND> stops = TabStops();
    target = stops.empty() ? nullptr : stops.front();
  }
  activeControl_ = target;
  SetFocus(target ? target : Handle());
}

int TForm::ShowModal(int show) {
  ModalResult = mrNone;
  {
    TFlagScope modal(modal_);
    Application().RunModal(
        Handle(), [this] { return ModalResult != mrNone; }, show);
  }
  if (ModalResult == mrNone) ModalResult = mrCancel;
  return ModalResult;
}

// An Alt released in a window other than the one it went down in (Alt+F4
// closed a window of ours in between) was not pressed alone there: the window
// would take it for the menu key and go into an invisible menu mode.
bool TForm::AltUpFromElsewhere(const MSG& msg, HWND root) {
  static HWND altDownIn = nullptr;
  bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
  bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
  if (msg.wParam != VK_MENU || (!down && !up)) return false;
  if (down) {
    if (!(msg.lParam & (1 << 30))) altDownIn = root;
    return false;
  }
  bool elsewhere = altDownIn != root;
  altDownIn = nullptr;
  return elsewhere;
}

bool TForm::PreTranslate(MSG& msg) {
  bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
  bool click = msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN ||
               msg.message == WM_NCLBUTTONDOWN || msg.message == WM_NCRBUTTONDOWN;
  if (!key && !click) return false;
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (key && AltUpFromElsewhere(msg, root)) return true;
  auto* form = dynamic_cast<TForm*>(FromHandle(root));
  if (!form) return false;
  if (form->OnMenuKey && form->OnMenuKey(msg)) return true;
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  if (form->KeyPreview && form->OnKeyDown) {
    WORD key = static_cast<WORD>(msg.wParam);
    form->OnKeyDown(key, TShiftState::Current());
    if (!key) return true;
    msg.wParam = key;
  }
  // Alt+F4 closes the form wherever the focus is: Wine's combo box keeps the key.
  if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && (HIWORD(msg.lParam) & KF_ALTDOWN)) {
    SendMessageA(root, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
    TShiftState s = TShiftState::Current();
    if (s.ctrl || s.alt) return false;
    LRESULT code =
        SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
    if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return false;
    return form->SelectNext(s.shift);
  }
  return false;
}

bool TForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(Handle(), focus)) activeControl_ = focus;
        if (OnDeactivate) OnDeactivate();
        return false;
      }
      if (HIWORD(wp)) return false;  // minimised: nothing to focus
      Activated();
      if (OnActivate) OnActivate();
      return true;
    case WM_SYSCOMMAND:
      // Minimised, the window loses the focus without being deactivated: the
      // restore gives it back to the control that had it.
      if ((wp & 0xFFF0) == SC_MINIMIZE) {
        HWND focus = GetFocus();
        if (focus && IsChild(Handle(), focus)) activeControl_ = focus;
      }
      return TControl::HandleMessage(msg, wp, lp, result);
    case WM_SETFOCUS:
      // The frame itself never keeps the focus while it has a control to give it to.
      if (activeControl_ && IsWindow(activeControl_) && IsChild(Handle(), activeControl_) &&
          IsWindowVisible(activeControl_) && IsWindowEnabled(activeControl_))
        SetFocus(activeControl_);
      return true;
    case WM_COMMAND:
      if (!lp) {
        if (OnCommand && OnCommand(LOWORD(wp))) return true;
        return false;
      }
      return TControl::HandleMessage(msg, wp, lp, result);
    case WM_CLOSE: {
      bool canClose = true;
      if (OnCloseQuery) OnCloseQuery(canClose);
      if (!canClose) return true;
      if (modal_) {
        ModalResult = mrCancel;
        ShowWindow(Handle(), SW_HIDE);
      } else if (Handle() == Application().MainWindow()) {
        DestroyWindow(Handle());
      } else {
        ShowWindow(Handle(), SW_HIDE);
      }
      return true;
    }
    case WM_DPICHANGED: {
      // Laid out anew at the new density, then placed where the system suggests.
      ApplyDpi(HIWORD(wp));
      const RECT& r = *reinterpret_cast<const RECT*>(lp);
      SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      result = 0;
      return true;
    }
    case WM_DISPLAYCHANGE:
      // A monitor unplugged: a window it showed comes back onto one that is left.
      if (IsWindowVisible(Handle())) BringOnScreen(Handle());
      return false;
    case WM_DESTROY:
      if (OnDestroy) OnDestroy();
      if (Handle() == Application().MainWindow()) Application().Terminate();
      return false;
    default:
      return TControl::HandleMessage(msg, wp, lp, result);
  }
}

}  // namespace pix
