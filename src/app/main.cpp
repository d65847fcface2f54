// Program entry: the application, its title, the main window, the message loop.
#include <windows.h>
#include <commctrl.h>

#include "app/MainUnit.h"
#include "app/Settings.h"
#include "browse/shellfolder.h"
#include "pictures/jpeg.h"
#include "ui/app.h"
#include "ui/handles.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  pix::TShellSession shell;  // the shell's folders and menus are COM objects
  pix::TApplication& app = pix::Application();
  try {
    pix::TJPEGKindRegistration jpegKind;  // "jpeg" and "jpg" in the format list until exit
    app.SetTitle("Pixlumen");
    pix::TfmMain fmMain;
    fmMain.Create();
    app.SetMainWindow(fmMain.Handle());
    pix::ShowForm(fmMain.Handle());  // maximised when the settings say so
    UpdateWindow(fmMain.Handle());
    app.Run();
  } catch (...) {
    app.HandleException();
    return 1;
  }
  return 0;
}
