// The main window's commands, its menu bar, its Ctrl keys and the application
// title while minimised.
#include "app/SettingsFile.h"
#include "app/MainUnit.h"
#include "pictures/readahead.h"
#include "ui/app.h"
#include "ui/dpi_core.h"

namespace pix {

void TfmMain::CreateCommands() {
  int images = ImageSizeForDpi(Dpi());
  acList.LoadImages(ImageResourceName("COMMANDS", images).c_str(), images);
  acOpenDialog =
      &acList.Add("acOpenDialog", "Открыть   Ctrl+O", 3, [this] { acOpenDialogExecute(); });
  acExit = &acList.Add("acExit", "Выход     Ctrl+X", 2, [this] { acExitExecute(); });
  acProportional = &acList.Add(
      "acProportional", "Уменьшить до оптимального", 1, [this] { acProportionalExecute(); },
      [this] { acProportionalUpdate(); });
  AcFullScreen = &acList.Add(
      "AcFullScreen", "Во весь экран", 6, [this] { AcFullScreenExecute(); },
      [this] { AcFullScreenUpdate(); });
  acAbout = &acList.Add("acAbout", "О программе", -1, [this] { acAboutExecute(); });
  acDeskTop = &acList.Add("acDeskTop", "На рабочий стол", 8, [this] { acDeskTopExecute(); });
}

void TfmMain::CreateMenuBar() {
  Toolbar.Create(Handle(), {.dock = {.in = this, .align = TAlign::Top}, .images = acList.Images()});
  Toolbar.AddDropDown("sbmMain", 5, {acOpenDialog, nullptr, acExit});
  Toolbar.AddSeparator();
  Toolbar.AddButton("tbProportional", *acProportional);
  Toolbar.AddButton("tbFullScreen", *AcFullScreen, "Полноэкранный режим (Ctrl + F)");
  Toolbar.AddSeparator();
  Toolbar.AddButton("tbDeskTop", *acDeskTop);
  Toolbar.SetItemVisible("tbDeskTop", false);
  Toolbar.AddSeparator();
  Toolbar.AddDropDown("sbmHelp", 7, {acAbout});

  KeyPreview = true;
  OnKeyDown = [this](WORD& key, TShiftState shift) { FormKeyDown(key, shift); };
  OnMenuKey = [this](MSG& msg) { return Toolbar.PreTranslate(msg); };
  OnDeactivate = [this] { Toolbar.CancelKeyboard(); };
  Application().OnIdle = RefreshMenuBars;
}

// Each row on its own; the key goes on to the focused control either way. The
// enabled states are those of the last idle-time refresh, and the execute
// handlers run straight, without a fresh update.
// A field being edited (a folder's name in the tree) keeps its Ctrl keys: cut,
// copy, paste, undo and select-all are its own then.
void TfmMain::FormKeyDown(WORD& key, TShiftState shift) {
  if (!shift.ctrl || EditingText()) return;
  if (key == 0x46 && AcFullScreen->Enabled()) AcFullScreen->OnExecute();
  if (key == 0x4F) acOpenDialog->OnExecute();
  if (key == 0x5A && acProportional->Enabled()) acProportional->OnExecute();
  if (key == 0x58) acExit->OnExecute();
}

bool TfmMain::EditingText() const {
  char cls[16] = {};
  HWND focus = GetFocus();
  return focus && GetClassNameA(focus, cls, sizeof cls) && lstrcmpiA(cls, "Edit") == 0;
}

// Ends the loop at once: the close step, and with it the settings file, is skipped.
void TfmMain::acExitExecute() {
  PostQuitMessage(0);
}

void TfmMain::acProportionalUpdate() {
  const TPicture& pic = Img.Picture();
  TRect view = Img.ClientRect();
  acProportional->SetEnabled(pic.Width() > view.Width() || pic.Height() > view.Height());
}

// The caption names what the next use will do.
void TfmMain::acProportionalExecute() {
  bool fit = !Img.Proportional();
  Img.SetProportional(fit);
  acProportional->SetCaption(fit ? "Исходный размер" : "По ширине экрана");
  acProportional->SetImageIndex(fit ? 0 : 1);
}

void TfmMain::AcFullScreenUpdate() {
  AcFullScreen->SetEnabled(flList.ItemIndex() >= 0 && GetFocus() == flList.Handle());
}

void TfmMain::acAboutExecute() {
  CreateUnseen();
  fmAbout.ShowModal();
}

// For this logon only: the profile is not updated. Failures are not reported.
void TfmMain::acDeskTopExecute() {
  std::string path = flList.SelectedFilePath();
  SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, path.data(), SPIF_SENDWININICHANGE);
}

// The taskbar button shows the window's text while it is minimised: it carries
// the title then, and the caption is back to the title before the window shows.
void TfmMain::AppEventsMinimize() {
  std::string path = flList.SelectedFilePath();
  std::string name = path.substr(path.find_last_of('\\') + 1);
  Application().SetTitle("Pixlumen : " + name);
  SetText(Application().Title());
  ReadAhead().SetPaused(true);  // nobody steps while the window is minimised
}

void TfmMain::AppEventsRestore() {
  Application().SetTitle("Pixlumen");
  SetText(Application().Title());
  ReadAhead().SetPaused(false);
}

bool TfmMain::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == kCreateUnseen) {
    CreateUnseen();
    return true;
  }
  if (msg == WM_SIZE) {
    bool minimized = wp == SIZE_MINIMIZED;
    if (minimized != minimized_) {
      minimized_ = minimized;
      minimized ? AppEventsMinimize() : AppEventsRestore();
    }
  }
  return TForm::HandleMessage(msg, wp, lp, result);
}

}  // namespace pix
