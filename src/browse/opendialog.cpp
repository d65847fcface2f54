#include "browse/opendialog.h"

#include <dlgs.h>

#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "browse/opendialog_core.h"
#include "browse/previewform.h"
#include "ui/app.h"
#include "ui/dpi.h"
#include "ui/keyfocus.h"
#include "ui/text.h"

namespace pix {

namespace {
// Paths arrive in UTF-8, the program's code page: up to three bytes for each
// character the platform's path limit allows. The limit itself, counted in
// characters, is the rule of what the dialog accepts (ConfirmedNameTooLong).
constexpr size_t kPathBytes = MAX_PATH * 3;
// The platform's limit plus room for its terminator and one more character.
constexpr size_t kFileBuffer = (MAX_PATH + 2) * 3;

TRect ScreenRect(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return {r.left, r.top, r.right, r.bottom};
}
}  // namespace

// Holds the pane while no dialog is open, so it keeps its state between runs.
class TOpenPictureDialog::TParking : public TControl {
 public:
  void Create() {
    CreateOwn({.name = "PixlumenParking", .style = 0}, "", WS_POPUP, 0, nullptr, {0, 0, 0, 0});
  }
};

void TSilentPaintPanel::Silence(TImageHost& view) {
  view_ = &view;
  view.OnPaintError = [this](std::exception_ptr) { ShowCaption("Invalid image"); };
}

void TSilentPaintPanel::ShowCaption(const std::string& caption) {
  SetCaption(caption);
  if (view_ && view_->Handle()) ShowWindow(view_->Handle(), caption.empty() ? SW_SHOW : SW_HIDE);
}

void TSilentPaintPanel::PaintPanel(HDC dc, const RECT& client) {
  try {
    TFramedPanel::PaintPanel(dc, client);
  } catch (...) {
    SetCaption("Invalid image");
  }
}

TOpenPictureDialog::TOpenPictureDialog(TPane pane) : filter_(BuildPictureFilter(TGraphicKind)) {
  if (pane == TPane::Now) MakePane();
}

void TOpenPictureDialog::MakePane() {
  if (parking_) return;
  parking_ = std::make_unique<TParking>();
  parking_->Create();
  // Sizes and the glyph come from ScalePane, at the density of the dialog it
  // shows in.
  TFramedPanelStyle pictureStyle;
  pictureStyle.outer = TBevelCut::None;
  PicturePanel.Create(parking_->Handle(),
                      {.bounds = {204, 5, 204 + 169, 5 + 200}, .style = pictureStyle});
  HWND panel = PicturePanel.Handle();

  PictureLabel.Create(panel, {.dock = {.in = &PicturePanel, .align = TAlign::Top}, .caption = {}});
  PictureLabel.SetAutoSize(false);
  // The preview button sits on the label's right end: the label leaves it alone.
  SetWindowLongA(PictureLabel.Handle(), GWL_STYLE,
                 GetWindowLongA(PictureLabel.Handle(), GWL_STYLE) | WS_CLIPSIBLINGS);

  TFramedPanelStyle paintStyle;
  paintStyle.outer = TBevelCut::Lowered;
  paintStyle.inner = TBevelCut::Raised;
  PaintPanel.Create(panel, {.dock = {.in = &PicturePanel, .align = TAlign::Client},
                            .bounds = {6, 29, 6 + 157, 29 + 145},
                            .style = paintStyle});

  PaintBox.Create(PaintPanel.Handle(), {.dock = {.in = &PaintPanel, .align = TAlign::Client}});
  PaintBox.SetCenter(true);
  PaintBox.SetProportional(true);
  PaintBox.SetStretch(true);
  PaintBox.View().IncrementalDisplay = true;
  PaintBox.OnDblClick = [this] { PreviewClick(); };
  PaintPanel.Silence(PaintBox);

  // Created last so it stays above the label it overlaps.
  PreviewButton.Create(panel, {});
  PreviewButton.SetHint("Preview");
  PreviewButton.SetEnabled(false);
  PreviewButton.OnClick = [this] { PreviewClick(); };
  SetWindowPos(PreviewButton.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  // Tab reaches the button (while enabled) and the picture (while shown): the
  // dialog's keys go down through the panels that hold them.
  for (HWND holder : {PicturePanel.Handle(), PaintPanel.Handle()})
    SetWindowLongA(holder, GWL_EXSTYLE, GetWindowLongA(holder, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  SetTabStop(PreviewButton.Handle(), true);
  SetTabStop(PaintBox.Handle(), true);
  ScalePane(ScreenDpi());
}

void TOpenPictureDialog::ScalePane(int dpi) {
  if (dpi == paneDpi_) return;
  paneDpi_ = dpi;
  FormMetrics m = MeasureFormFont(nullptr, dpi);
  auto S = [&](int v) { return m.Scale(v); };
  PicturePanel.SetBorderWidth(S(6));
  PictureLabel.DockHeight = S(23);
  PreviewButton.SetBounds({0, S(1), S(23), S(1) + S(22)});
  int glyph = ImageSizeForDpi(dpi);
  PreviewButton.LoadGlyph(ImageResourceName("PREVIEWGLYPH", glyph).c_str());
  PicturePanel.Realign();
  PaintPanel.Realign();
}

TOpenPictureDialog::~TOpenPictureDialog() = default;

bool TOpenPictureDialog::Execute() {
  MakePane();
  std::string filter = PlatformFilter(filter_);
  std::vector<char> file(kFileBuffer, '\0');
  // A remembered name too long for the buffer starts the dialog empty, not cut.
  if (FileName.size() < file.size()) FileName.copy(file.data(), FileName.size());
  std::string dir = TrimInitialDir(InitialDir);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = Application().MainWindow();
  ofn.hInstance = Application().Instance();
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
  ofn.lpstrTitle = Title.c_str();
  ofn.Flags = OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER |
              OFN_ENABLETEMPLATE |
              OFN_NOCHANGEDIR;  // the dialog would leave the current directory in the chosen folder
  ofn.lpTemplateName = "DLGTEMPLATE";
  ofn.lpfnHook = HookProc;
  ofn.lCustData = reinterpret_cast<LPARAM>(this);  // for the hook, at WM_INITDIALOG

  BOOL ok;
  {
    TModalScope modal(nullptr);
    activeBefore_ = GetActiveWindow();
    ok = GetOpenFileNameA(&ofn);
    dialog_ = template_ = nullptr;
    ParkPane();
  }
  if (!ok) return false;
  file.back() = '\0';
  FileName = file.data();
  FilterIndex = static_cast<int>(ofn.nFilterIndex);
  return true;
}

// Platform callbacks must not let an exception through.
UINT_PTR CALLBACK TOpenPictureDialog::HookProc(HWND dlg, UINT msg, WPARAM, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    // The dialog keeps the object it serves in its own user data.
    LPARAM self = reinterpret_cast<const OPENFILENAMEA*>(lp)->lCustData;
    SetWindowLongPtrA(dlg, GWLP_USERDATA, self);
    return 0;
  }
  auto* self = reinterpret_cast<TOpenPictureDialog*>(GetWindowLongPtrA(dlg, GWLP_USERDATA));
  if (!self) return 0;
  try {
    if (msg == WM_NOTIFY) self->Notified(dlg, *reinterpret_cast<OFNOTIFYA*>(lp));
    // The dialog resized (enlarged by the user): the pane takes the new height.
    else if (msg == WM_SIZE && dlg == self->template_)
      self->PlacePane(dlg);
    // The template window goes with the dialog: take the pane out first.
    else if (msg == WM_DESTROY)
      self->ParkPane();
  } catch (...) {
    Application().HandleException();
  }
  return 0;
}

void TOpenPictureDialog::Notified(HWND dlg, const OFNOTIFYA& n) {
  switch (n.hdr.code) {
    case CDN_INITDONE:
      DoShow(dlg);
      break;
    case CDN_SELCHANGE:
      UpdatePreview();
      break;
    default:
      break;
  }
}

// The name the user confirms, with the folder shown when it is relative, must
// fit the platform's path limit: a longer one is refused here (with a beep),
// before the dialog's own code copies it into buffers of that size.
LRESULT CALLBACK TOpenPictureDialog::DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                                DWORD_PTR self) {
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(wnd, DialogProc, 0);
  if (msg == WM_DPICHANGED) {
    // The dialog lays out its own controls; the pane follows in what they leave.
    LRESULT r = DefSubclassProc(wnd, msg, wp, lp);
    auto* dialog = reinterpret_cast<TOpenPictureDialog*>(self);
    try {
      if (dialog->template_) dialog->PlacePane(dialog->template_);
    } catch (...) {
      Application().HandleException();
    }
    return r;
  }
  if (msg == WM_COMMAND && LOWORD(wp) == IDOK && ConfirmedNameTooLong(wnd)) {
    MessageBeep(MB_ICONWARNING);
    return 0;
  }
  return DefSubclassProc(wnd, msg, wp, lp);
}

bool TOpenPictureDialog::ConfirmedNameTooLong(HWND dialog) {
  HWND box = GetDlgItem(dialog, cmb13);
  if (!box) box = GetDlgItem(dialog, edt1);
  if (!box) return false;
  int name = GetWindowTextLengthW(box);
  wchar_t head[3] = {};
  GetWindowTextW(box, head, 3);
  bool absolute = head[1] == L':' || (head[0] == L'\\' && head[1] == L'\\');
  // The dialog answers in its own (ANSI) text whatever the message's kind: the
  // folder is read in bytes and counted in characters (UTF-16 units, as the
  // platform counts its limit), with one for the "\".
  int folder = 0;
  if (!absolute) {
    char path[kPathBytes] = {};
    LRESULT n =
        SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof path, reinterpret_cast<LPARAM>(path));
    if (n > static_cast<LRESULT>(sizeof path)) return true;
    if (n > 0) folder = static_cast<int>(Widen(path).size()) + 1;
  }
  return name + folder >= MAX_PATH;
}

void TOpenPictureDialog::DoShow(HWND dlg) {
  dialog_ = GetParent(dlg);
  template_ = dlg;
  SetWindowSubclass(dialog_, DialogProc, 0, reinterpret_cast<DWORD_PTR>(this));
  OpenPane(dlg);
  CentreDialog();
}

// The pane at the dialog's density and font, right of the dialog's own controls.
void TOpenPictureDialog::PlacePane(HWND dlg) {
  ScalePane(WindowDpi(dlg));
  if (HFONT font = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0))) {
    PicturePanel.SetFont(font);
    PictureLabel.SetFont(font);
    PaintPanel.SetFont(font);
  }
  RECT client{}, holder{};
  GetClientRect(dlg, &client);
  int left = client.right;
  if (HWND placeholder = GetDlgItem(dlg, stc32)) {
    GetWindowRect(placeholder, &holder);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&holder), 2);
    left = holder.right;
  }
  // Above the dialog's size grip, which would cover the pane's corner.
  PicturePanel.SetBounds({left, 4, client.right, client.bottom - GetSystemMetrics(SM_CYHSCROLL)});
  PicturePanel.Realign();
  TRect paint = PaintPanel.Bounds(), button = PreviewButton.Bounds();
  int w = button.Width();
  PreviewButton.SetBounds({paint.right - w - 2, button.top, paint.right - 2, button.bottom});
}

void TOpenPictureDialog::OpenPane(HWND dlg) {
  HWND panel = PicturePanel.Handle();
  SetParent(panel, dlg);
  PlacePane(dlg);
  ClearPicture(PaintBox.Picture());
  lastPath_.clear();
  PaintPanel.ShowCaption("(None)");
  ShowWindow(panel, SW_SHOW);
}

void TOpenPictureDialog::CentreDialog() {
  HWND main = Application().MainWindow();
  HMONITOR monitor;
  if (main) {
    HWND basis = activeBefore_ && IsWindow(activeBefore_) ? activeBefore_ : main;
    monitor = MonitorFromWindow(basis, MONITOR_DEFAULTTOPRIMARY);
  } else {
    monitor = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
  }
  MONITORINFO mi{sizeof mi, {}, {}, 0};
  if (!GetMonitorInfoA(monitor, &mi)) return;
  TRect r = ScreenRect(dialog_);
  const RECT& m = mi.rcMonitor;
  TRect at = CentredIn({m.left, m.top, m.right, m.bottom}, r.Width(), r.Height(), 3);
  SetWindowPos(dialog_, nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TOpenPictureDialog::UpdatePreview() {
  char buf[kPathBytes] = {};
  LRESULT n = SendMessageA(dialog_, CDM_GETFILEPATH, sizeof buf, reinterpret_cast<LPARAM>(buf));
  // A path longer than the limit is no path at all here, never a truncated one.
  buf[sizeof buf - 1] = '\0';
  bool whole = n > 0 && n <= static_cast<LRESULT>(sizeof buf);
  std::string path = whole && Widen(buf).size() < MAX_PATH ? buf : "";
  if (path == lastPath_) return;
  lastPath_ = path;
  if (Preview(path)) return;
  PictureLabel.SetCaption("Picture:");
  PreviewButton.SetEnabled(false);
  ClearPicture(PaintBox.Picture());
  PaintPanel.ShowCaption("(None)");
}

// Loads a file into the pane; false when there is nothing to show. A failure is
// not reported: the pane just shows nothing.
bool TOpenPictureDialog::Preview(const std::string& path) {
  if (path.empty()) return false;
  DWORD attrs = GetFileAttributesA(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) return false;
  try {
    LoadPictureFile(PaintBox.Picture(), path);
    char text[64];
    snprintf(text, sizeof text, " (%dx%d)", PaintBox.Picture().Width(),
             PaintBox.Picture().Height());
    PictureLabel.SetCaption(text);
    PreviewButton.SetEnabled(true);
    PaintPanel.ShowCaption("");
    return true;
  } catch (...) {
    return false;
  }
}

void TOpenPictureDialog::ParkPane() {
  HWND panel = PicturePanel.Handle();
  if (!panel || GetParent(panel) == parking_->Handle()) return;
  ShowWindow(panel, SW_HIDE);
  SetParent(panel, parking_->Handle());
}

void TOpenPictureDialog::PreviewClick() {
  TPreviewForm form;
  form.Create(dialog_, PaintBox.Picture());
  form.ShowModal();
}

}  // namespace pix
