#include "app/MainUnit.h"

#include <algorithm>

#include "app/SettingsFile.h"
#include "app/readaround.h"
#include "browse/opendialog_core.h"
#include "pictures/readahead.h"
#include "pictures/status.h"
#include "resource.h"
#include "ui/app.h"
#include "ui/dpi_core.h"
#include "ui/text.h"

namespace pix {

namespace {

// The main window's file list as the full-screen view sees it; not owned.
class TFileListSteps : public TViewList {
 public:
  explicit TFileListSteps(TFileListBox& list) : list_(list) {}
  int Count() const override { return list_.Count(); }
  int ItemIndex() const override { return list_.ItemIndex(); }
  void SetItemIndex(int index) override { list_.SetItemIndex(index); }
  void SelectAndReport(int index) override { list_.SelectAndReport(index); }
  std::string SelectedFilePath() const override { return list_.SelectedFilePath(); }
  int IndexOf(const std::string& name) const override { return list_.IndexOf(name); }
  void ReadAheadFor(const TImageHost& view) override { ReadAheadAround(list_, true, view); }
  void MakeRoomToLoad() override { ReadAheadStepping(list_, true); }
  void PassOver(int index) override { ReadAheadPassing(list_, index); }

 private:
  TFileListBox& list_;
};

}  // namespace

TfmMain::TfmMain() : SettingsFile(SettingsFilePath()) {}
TfmMain::~TfmMain() {
  if (minimized_) ReadAhead().SetPaused(false);  // the pause was this window's
}

void TfmMain::Create() {
  // Until the settings file is read, the window takes its default place.
  CreateForm("Pixlumen", WS_OVERLAPPEDWINDOW, 0, {0, 0, 800, 600});
  HWND me = Handle();

  // Sizes come from ScaleLayout, here and at every change of density.
  CreateCommands();
  CreateMenuBar();
  StatusBar.Create(me,
                   {.dock = {.in = this, .align = TAlign::Bottom}, .edges = {}, .pathPanel = 2});
  pnNavigation.Create(me, {.dock = {.in = this, .align = TAlign::Left, .width = S(navWidth_)}});
  splImage.Create(me,
                  {.dock = {.in = this, .align = TAlign::Left, .width = 3}, .pane = &pnNavigation});
  Img.Create(me, {.dock = {.in = this, .align = TAlign::Client}});
  Img.SetCenter(true);
  Img.SetStretch(false);
  Img.SetProportional(true);  // as laid out; the creation step switches it off
  Img.OnDblClick = [this] { AcFullScreen->OnExecute(); };  // whatever its state
  Img.StepKeysInterruptDecode = true;

  HWND nav = pnNavigation.Handle();
  shTree.Create(nav,
                {.dock = {.in = &pnNavigation, .align = TAlign::Top, .height = S(treeHeight_)}});
  splNavigation.Create(nav, {.dock = {.in = &pnNavigation, .align = TAlign::Top, .height = 3},
                             .pane = &shTree,
                             .hatched = true});
  pnFileFilter.Create(nav, {.dock = {.in = &pnNavigation, .align = TAlign::Bottom}});
  CreateFileList();
  shTree.OnChange = [this](HTREEITEM node) { shTreeChange(node); };
  shTree.OnRefresh = [this](HTREEITEM node) { shTreeRefresh(node); };
  shTree.OnFolderRenamed = [this](const std::string& from, const std::string& to) {
    shTreeFolderRenamed(from, to);
  };

  OnCloseQuery = [this](bool& canClose) { FormClose(canClose); };
  Rescale(Metrics());
  // The root, expanded and selected, moves the list to the desktop folder.
  shTree.SetRoot("rfDesktop");
  FormCreate();
  // Made once the loop runs, after the first paint: it shows none of them.
  PostMessageA(me, kCreateUnseen, 0, 0);
}

// The about window (hidden) and the open dialog's preview pane.
void TfmMain::CreateUnseen() {
  if (!fmAbout.Handle()) fmAbout.Create(Handle());
  opDialog.MakePane();
}

void TfmMain::CreateFileList() {
  cbFilter.SetFilter(
      "All files (*.jpg; *.jpeg; *.wmf; *.bmp; *.ico)|*.jpg;*.jpeg;*.wmf;*.bmp;*.ico|"
      "JPEG image ( *.jpg; *.jpeg )|*.jpg;*.jpeg|Metafiles ( *.wmf )|*.wmf|"
      "Bitmaps ( *.bmp )|*.bmp|Icons ( *.ico )|*.ico");
  cbFilter.Create(pnFileFilter.Handle(), {.bounds = {0, S(4), S(245), S(4) + S(24)}});
  pnFileFilter.OnResize = [this] {
    cbFilter.SetBounds({0, S(4), pnFileFilter.ClientRect().right, S(4) + S(24)});
  };
  flList.SetMask("*.jpg;*.jpeg;*.wmf;*.bmp;*.ico");
  flList.SetShowGlyphs(true);
  flList.OnChange = [this] { flListChange(); };
  flList.Create(pnNavigation.Handle(), {.dock = {.in = &pnNavigation, .align = TAlign::Client},
                                        .bounds = {0, 0, S(245), S(100)}});
  // Tab order is window order: the list comes before the filter box below it.
  SetWindowPos(flList.Handle(), splNavigation.Handle(), 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // Linked only now, so the filter text set above left the list's mask alone.
  cbFilter.SetFileList(&flList);
}

// Pane sizes the user may have dragged are kept in layout units, so they scale
// with the rest.
void TfmMain::ScaleLayout(const FormMetrics& was) {
  navWidth_ = UnscaleForText(pnNavigation.DockWidth, was.textHeight, navWidth_);
  treeHeight_ = UnscaleForText(shTree.DockHeight, was.textHeight, treeHeight_);
  int images = ImageSizeForDpi(Dpi());
  if (acList.ImageSize() != images) {
    acList.LoadImages(ImageResourceName("COMMANDS", images).c_str(), images);
    Toolbar.SetImages(acList.Images());
  }
  Toolbar.SetMinHeight(S(27));
  StatusBar.SetLayout(S(22), {S(200), S(400)});
  pnNavigation.DockWidth = S(navWidth_);
  splImage.DockWidth = S(3);
  shTree.DockHeight = S(treeHeight_);
  splNavigation.DockHeight = S(3);
  // The filter box may need more than its height for the text of this font.
  cbFilter.SetFont(Font());
  pnFileFilter.DockHeight = std::max(S(30), S(4) + cbFilter.Bounds().Height() + S(2));
  flList.SetGlyphSize(images);
  shTree.SetIconDpi(Dpi());
  flList.SetItemHeight(S(16));
}

void TfmMain::flListChange() {
  std::string path = flList.SelectedFilePath();
  if (path.empty()) {
    ClearPicture(Img.Picture());
    ReadAhead().Clear();  // another folder, or none: nothing ahead is wanted
    // A file that is gone (deleted from outside) is described no longer.
    std::string described = StatusBar.PanelText(2);
    if (!described.empty() &&
        GetFileAttributesW(PlatformPath(described).c_str()) == INVALID_FILE_ATTRIBUTES)
      for (int panel = 0; panel < 3; ++panel) StatusBar.SetPanelText(panel, "");
    return;
  }
  // While the full-screen view is up it reads ahead for its own view.
  bool ahead = !view_ || !IsWindowVisible(view_->Handle());
  if (ahead) ReadAheadStepping(flList, false);
  // A failed load raises before the status bar is touched.
  LoadPictureFile(Img.Picture(), path);
  ShowPictureStatus(StatusBar, path, Img.Picture());
  if (ahead) ReadAheadAround(flList, false, Img);
}

// The busy cursor from before the view is made until the view shows, and again
// from its close until this returns.
// With no entry selected there is nothing to show: nothing happens.
void TfmMain::AcFullScreenExecute() {
  if (flList.ItemIndex() < 0) return;
  TCursorKeeper busy(TCursor::crHourGlass);
  if (!view_) {
    auto made = std::make_unique<TfmView>();
    made->Create();
    made->FileList = std::make_unique<TFileListSteps>(flList);
    made->OnListChange = [this] { flListChange(); };
    view_ = std::move(made);
  }
  view_->ShowModalOver(Handle());
}

void TfmMain::shTreeChange(HTREEITEM) {
  if (IsExistingFolder(shTree.CurrentFolderPath()))
    flList.SetFolderFromPath(shTree.CurrentFolderPath());
  else
    flList.Clear();  // the preview and the status bar keep what they show
  flList.Repaint();
}

void TfmMain::shTreeRefresh(HTREEITEM) {
  std::string path = shTree.CurrentFolderPath();
  if (!IsExistingFolder(path)) return;
  flList.ReadFolderAgain(path);
  // Entries came or went: the neighbours to read ahead may be others now.
  bool full = view_ && IsWindowVisible(view_->Handle());
  if (!flList.SelectedFilePath().empty())
    ReadAheadAround(flList, full, full ? view_->imgWiev : Img);
}

// Before anything else can report or load in the renamed folder (the click
// that ended the edit is still on its way to the list).
void TfmMain::shTreeFolderRenamed(const std::string& from, const std::string& to) {
  flList.FolderRenamed(from, to);
  std::string described = StatusBar.PanelText(2);
  if (PathWithin(described, from)) StatusBar.SetPanelText(2, RenamedPath(described, from, to));
}

void TfmMain::acOpenDialogExecute() {
  if (!opDialog.Execute()) return;
  TPathSplit chosen = SplitChosenPath(opDialog.FileName);
  MoveTreeTo(chosen.folder);
  // Letter case counts: a name typed otherwise than on disk selects nothing.
  if (int i = flList.IndexOf(chosen.name); i >= 0) {
    SetActiveControl(flList.Handle());
    // Reported, so the list's next key moves on from the file shown.
    flList.SelectAndReport(i);
    return;
  }
  flListChange();
}

// Selecting the folder's node moves the list through shTreeChange.
void TfmMain::MoveTreeTo(const std::string& folder) {
  shTree.SetCurrentFolderPath(TrimInitialDir(folder));
}

void TfmMain::FormCreate() {
  Img.SetProportional(false);
  // Until the first toggle the caption offers the reduction.
  acProportional->SetCaption("Уменьшить до оптимального");
  acProportional->SetImageIndex(1);
  acProportional->SetEnabled(false);
  LoadFormSettings(Handle(), SettingsFile);
  FollowDpi();  // the stored place may lie on a monitor of another density
}

// A settings file that cannot be written fails the close, so the window stays.
void TfmMain::FormClose(bool&) {
  SaveFormSettings(Handle(), SettingsFile);
}

}  // namespace pix
