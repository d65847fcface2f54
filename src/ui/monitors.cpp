#include "ui/monitors.h"

#include "ui/app.h"
#include "ui/dpi.h"

namespace pix {

namespace {

TRect ToRect(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
  auto* areas = reinterpret_cast<std::vector<TRect>*>(param);
  MONITORINFO mi{sizeof mi, {}, {}, 0};
  if (!GetMonitorInfoA(monitor, &mi)) return TRUE;
  try {
    if (mi.dwFlags & MONITORINFOF_PRIMARY)
      areas->insert(areas->begin(), ToRect(mi.rcWork));
    else
      areas->push_back(ToRect(mi.rcWork));
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}

// Of a caption this many pixels (at 96 dots per inch) are enough to take it
// with the mouse.
constexpr int kGrabWidth = 24;

void BringNormalOnScreen(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  // The caption strip: the top frame, the caption and a menu, as the style makes them.
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(wnd, GWL_STYLE)),
                     GetMenu(wnd) != nullptr, static_cast<DWORD>(GetWindowLongA(wnd, GWL_EXSTYLE)));
  int dpi = WindowDpi(wnd);
  TRect was = ToRect(r);
  TRect to = BroughtOnScreen(WorkAreas(), was, -frame.top, MulDiv(kGrabWidth, dpi, kBaseDpi));
  if (to == was) return;
  SetWindowPos(wnd, nullptr, to.left, to.top, to.Width(), to.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

std::vector<TRect> WorkAreas() {
  std::vector<TRect> areas;
  EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

TRect UserWorkArea(HWND wnd) {
  HWND basis = GetWindow(wnd, GW_OWNER);
  if (!basis) basis = Application().MainWindow();
  if (!basis || basis == wnd || !IsWindowVisible(basis)) basis = wnd;
  MONITORINFO mi{sizeof mi, {}, {}, 0};
  if (GetMonitorInfoA(MonitorFromWindow(basis, MONITOR_DEFAULTTONEAREST), &mi))
    return ToRect(mi.rcWork);
  return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void BringOnScreen(HWND wnd) {
  if (!wnd || IsIconic(wnd)) return;
  if (!IsZoomed(wnd)) return BringNormalOnScreen(wnd);
  // Maximised over a monitor that is gone: maximised again on one that is left,
  // from its normal place brought back.
  if (MonitorFromWindow(wnd, MONITOR_DEFAULTTONULL)) return;
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  BringNormalOnScreen(wnd);
  ShowWindow(wnd, SW_SHOWMAXIMIZED);
}

}  // namespace pix
