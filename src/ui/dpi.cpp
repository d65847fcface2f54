#include "ui/dpi.h"

#include "ui/handles.h"

namespace pix {

namespace {
int override_ = 0;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
GetDpiForWindowFn DpiForWindowFunction() {
  static GetDpiForWindowFn fn = [] {
    HMODULE user = GetModuleHandleA("user32.dll");
    return user ? reinterpret_cast<GetDpiForWindowFn>(
                      reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")))
                : nullptr;
  }();
  return fn;
}
}  // namespace

int ScreenDpi() {
  if (override_) return override_;
  TWindowDC screen;
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  return dpi > 0 ? dpi : kBaseDpi;
}

int WindowDpi(HWND wnd) {
  if (override_) return override_;
  if (GetDpiForWindowFn fn = DpiForWindowFunction(); fn && wnd)
    if (UINT dpi = fn(wnd); dpi > 0) return static_cast<int>(dpi);
  return ScreenDpi();
}

void AdjustFrameForDpi(RECT& r, DWORD style, DWORD exStyle, int dpi) {
  using Fn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static Fn fn = [] {
    HMODULE user = GetModuleHandleA("user32.dll");
    return user ? reinterpret_cast<Fn>(
                      reinterpret_cast<void*>(GetProcAddress(user, "AdjustWindowRectExForDpi")))
                : nullptr;
  }();
  if (fn && dpi > 0 && fn(&r, style, FALSE, exStyle, static_cast<UINT>(dpi))) return;
  AdjustWindowRectEx(&r, style, FALSE, exStyle);
}

void SetDpiOverride(int dpi) {
  override_ = dpi;
}

}  // namespace pix
