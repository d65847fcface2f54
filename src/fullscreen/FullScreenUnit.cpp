#include "fullscreen/FullScreenUnit.h"

#include <algorithm>
#include <memory>

#include "pictures/status.h"
#include "ui/app.h"
#include "ui/dpi.h"

namespace pix {

namespace {

// The text after the last backslash or colon.
std::string FileNamePart(const std::string& path) {
  size_t cut = path.find_last_of("\\:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// A key that steps to the next or the previous picture is the next key waiting.
bool StepKeyWaiting() {
  return KeyDownWaiting({VK_RIGHT, VK_LEFT, VK_SPACE, VK_NEXT, VK_BACK, VK_PRIOR});
}

}  // namespace

void TfmView::Create() {
  // Centred at its normal size, though it only ever shows maximised. Owned by
  // the main window only while shown (see ShowModalOver).
  CreateForm("Pixlumen", WS_CAPTION | WS_SYSMENU, 0, {0, 0, 100, 100});
  fsStatusBar.Create(Handle(),
                     {.dock = {.in = this, .align = TAlign::Bottom}, .edges = {}, .pathPanel = 2});
  imgWiev.Create(Handle(), {.dock = {.in = this, .align = TAlign::Client}});
  imgWiev.Cursor = LoadCursorA(nullptr, IDC_HAND);
  imgWiev.SetCenter(true);
  imgWiev.SetStretch(false);
  imgWiev.SetProportional(true);
  imgWiev.OnDblClick = [this] { imgWievDblClick(); };
  imgWiev.StepKeysInterruptDecode = true;
  Rescale(Metrics());
  CentreOnScreen(Handle());

  KeyPreview = true;
  OnKeyDown = [this](WORD& key, TShiftState shift) { FormKeyDown(key, shift); };
  OnActivate = [this] { FormActivate(); };
}

void TfmView::ScaleLayout(const FormMetrics& m) {
  if (!IsZoomed(Handle())) {
    RECT r{0, 0, S(688), S(450)};
    AdjustFrameForDpi(r, WS_CAPTION | WS_SYSMENU, 0, m.dpi);
    SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  fsStatusBar.SetLayout(S(26), {S(200), S(400)});
}

void TfmView::ShowPicture(const std::string& path) {
  passed_ = -1;
  shownName_ = FileNamePart(path);
  shownIndex_ = FileList ? FileList->ItemIndex() : -1;
  if (FileList) FileList->MakeRoomToLoad();
  LoadPictureFile(imgWiev.Picture(), path);
  ShowPictureStatus(fsStatusBar, path, imgWiev.Picture());
  SetText("Pixlumen : " + FileNamePart(path));
  if (FileList) FileList->ReadAheadFor(imgWiev);
}

// The selection moves even when the file can't be shown. A load that fails
// raises past the report, so the main window keeps what it showed, and the list
// still names that file as the one it last reported.
void TfmView::StepTo(int index) {
  FileList->SetItemIndex(index);
  try {
    ShowPicture(FileList->SelectedFilePath());
  } catch (...) {
    // The main window follows the picture the view keeps.
    if (unreported_ >= 0 && unreported_ < FileList->Count()) {
      FileList->SelectAndReport(unreported_);
      FileList->SetItemIndex(index);
    }
    unreported_ = -1;
    throw;
  }
  // A step key came while this one loaded: the main window follows that step
  // instead. Otherwise it follows at once: it lets go of the picture it
  // showed, which the view's decode may need the room of.
  unreported_ = StepKeyWaiting() ? index : -1;
  if (unreported_ < 0) FileList->SelectAndReport(index);
}

// The list may have been read again since the picture was shown (the folder
// changed on disk): the step goes from the picture's place in the list as it is
// now, its name's entry, or when it is gone the entry that now stands there.
void TfmView::Step(int direction) {
  int count = FileList->Count();
  if (count == 0) {
    Close();
    if (OnListChange) OnListChange();
    return;
  }
  int at = FileList->IndexOf(shownName_);
  if (at == TViewList::kUnknown) at = std::clamp(shownIndex_, 0, count - 1);
  bool gone = at < 0;
  if (gone) at = std::clamp(shownIndex_, 0, count);
  if (passed_ >= 0) {  // steps already taken past the picture shown
    at = std::min(passed_, count - 1);
    gone = false;
  }
  int next;
  if (direction > 0)
    next = gone ? at % count : (at + 1) % count;
  else
    next = at == 0 ? count - 1 : at - 1;
  // A held key that outpaces the loads: while another step key waits, a step
  // only counts, and the last of the run loads and reports. Each load would
  // be drawn over before it was ever painted.
  if (StepKeyWaiting()) {
    passed_ = next;
    FileList->PassOver(next);
    return;
  }
  StepTo(next);
}

// The first or the last picture of the list; the view closes when it is empty.
void TfmView::StepToEnd(bool last) {
  int count = FileList->Count();
  if (count == 0) {
    Step(+1);
    return;
  }
  passed_ = -1;
  StepTo(last ? count - 1 : 0);
}

// Modifiers are not looked at: Shift+Right steps like Right. Every other key
// refreshes the main window too.
void TfmView::FormKeyDown(WORD& key, TShiftState) {
  if (!FileList) return;
  switch (key) {
    case VK_RIGHT:
    case VK_SPACE:
    case VK_NEXT:
      Step(+1);
      return;
    case VK_LEFT:
    case VK_BACK:
    case VK_PRIOR:
      Step(-1);
      return;
    case VK_HOME:
    case VK_END:
      StepToEnd(key == VK_END);
      return;
    case VK_RETURN:
    case VK_ESCAPE:
      Close();
      break;
    default:
      break;
  }
  if (OnListChange) OnListChange();
}

void TfmView::FormActivate() {
  if (IsZoomed(Handle()) || !IsWindowVisible(Handle())) return;
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(Handle(), &wp);
  wp.showCmd = SW_SHOWMAXIMIZED;
  SetWindowPlacement(Handle(), &wp);
}

void TfmView::imgWievDblClick() {
  Close();
}

bool TfmView::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_SYSCOMMAND) {
    // The window stays maximised: no moving, sizing or restoring from its menu
    // or its caption.
    switch (wp & 0xFFF0) {
      case SC_MOVE:
      case SC_SIZE:
      case SC_RESTORE:
      case SC_MINIMIZE:
      case SC_MAXIMIZE:
        return true;
      default:
        break;
    }
  }
  return TForm::HandleMessage(msg, wp, lp, result);
}

void TfmView::ShowModalOver(HWND owner) {
  ShowPicture(FileList->SelectedFilePath());
  // Owned by the main window while shown: it stays above it, and has no
  // taskbar button of its own. Hidden, it belongs to no window.
  struct Owned {
    HWND view;
    Owned(HWND v, HWND owner) : view(v) {
      SetWindowLongPtrA(v, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    }
    ~Owned() { SetWindowLongPtrA(view, GWLP_HWNDPARENT, 0); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
  } owned(Handle(), owner);
  // The normal cursor while the view is up; the caller's busy one again after.
  TCursorKeeper normal(TCursor::crDefault);
  // A window maximises on the monitor it stands on: first onto the owner's,
  // at that monitor's density, while still hidden. Hidden still maximised, it
  // would maximise again where it was: it goes back to its normal size first.
  if (IsZoomed(Handle())) {
    SetWindowLongA(Handle(), GWL_STYLE, GetWindowLongA(Handle(), GWL_STYLE) & ~WS_MAXIMIZE);
    Rescale(Metrics());
  }
  CentreOnScreen(Handle());
  FollowDpi();
  CentreOnScreen(Handle());
  ShowModal(SW_SHOWMAXIMIZED);
}

}  // namespace pix
