// Program entry: the application, its title, the main window, the message loop.
#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "app/MainUnit.h"
#include "app/WindowState.h"
#include "browse/shellfolder.h"
#include "browse/treeicons.h"
#include "pictures/jpeg.h"
#include "resource.h"
#include "ui/app.h"
#include "ui/handles.h"

namespace {

// The format list's names in the language of the program's string table.
void LoadFormatTexts() {
  pix::TFormatTexts& t = pix::FormatTexts();
  for (auto [id, text] : {std::pair{IDS_ALL, &t.all},
                          {IDS_METAFILES, &t.metafiles},
                          {IDS_ENHMETAFILES, &t.enhancedMetafiles},
                          {IDS_ICONS, &t.icons},
                          {IDS_BITMAPS, &t.bitmaps},
                          {IDS_JPEG, &t.jpeg}})
    *text = pix::ResourceText(id, text->c_str());
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  pix::TSystemIconsWarmUp warmUp;  // alongside the main window's making
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  pix::TShellSession shell;  // the shell's folders and menus are COM objects
  pix::TApplication& app = pix::Application();
  try {
    LoadFormatTexts();
    pix::TJPEGKindRegistration jpegKind;  // "jpeg" and "jpg" in the format list until exit
    app.SetTitle("Pixlumen");
    pix::TfmMain fmMain;
    fmMain.Create();
    // The current directory stays in a folder nobody renames or deletes: on
    // Windows a folder that is a process's current directory (or holds it)
    // can't be, and the list reads its folder by full path anyway.
    char system[MAX_PATH];
    UINT n = GetSystemDirectoryA(system, MAX_PATH);
    if (n && n < MAX_PATH) SetCurrentDirectoryA(system);
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
