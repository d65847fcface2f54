// The density (dots per inch) a window is drawn at. Declared aware of each
// monitor's density, the program is told of a change by WM_DPICHANGED and lays
// itself out again; on systems without per-monitor densities every window has
// the screen's.
#pragma once
#include <windows.h>

#include "ui/dpi_core.h"

namespace pix {

// The window's own density where the system keeps one per window
// (GetDpiForWindow, looked up at run time: older systems and Wine 8 may lack
// it), else the screen's.
int WindowDpi(HWND wnd);
// The screen's density as device contexts report it.
int ScreenDpi();

// A window's outer rectangle for client rectangle `r`, its frame measured at
// `dpi` where the system can (AdjustWindowRectExForDpi, looked up at run
// time: before Windows 10 version 1607, and in some Wine versions, it is
// missing), else at the system's density.
void AdjustFrameForDpi(RECT& r, DWORD style, DWORD exStyle, int dpi);

// Stands in `dpi` for every window's density from now on; 0 gives the
// platform's answer back. For tests that build windows as a screen of another
// density would.
void SetDpiOverride(int dpi);

}  // namespace pix
