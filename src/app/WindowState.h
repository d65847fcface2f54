// A form's window state as the settings file sees it, and the first showing of
// a form that was given a state while still hidden.
#pragma once
#include <windows.h>

namespace pix {

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

// The state of a visible form; for a hidden one, the state it will be shown in.
TWindowState GetFormWindowState(HWND form);
// Takes effect at once on a visible form; a hidden form keeps it for ShowForm.
void SetFormWindowState(HWND form, TWindowState state);
// Shows a form for the first time in the state it was given.
void ShowForm(HWND form);

// A form's outer bounds in screen pixels and its state, as they are now; when
// minimised, the bounds and state it goes back to on restore.
struct FormPlacement {
  RECT bounds;
  TWindowState state;
};
FormPlacement GetFormPlacement(HWND form);

}  // namespace pix
