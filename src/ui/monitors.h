// The monitors a window is placed among: centring on the one the user works on,
// and bringing back a window that no monitor shows.
#pragma once
#include <windows.h>

#include <vector>

#include "ui/monitors_core.h"

namespace pix {

// The work areas of all monitors, the primary's first.
std::vector<TRect> WorkAreas();

// The work area of the monitor the user works on for `wnd`: the one holding
// most of its owner, else of the main window, else of the window itself.
TRect UserWorkArea(HWND wnd);

// Moves a top-level window whose caption no monitor shows onto the nearest
// monitor; a reachable one stays as it is. A maximised window that no monitor
// shows maximises again on the nearest; a minimised one is left alone.
void BringOnScreen(HWND wnd);

}  // namespace pix
