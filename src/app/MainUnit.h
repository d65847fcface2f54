// The main window: navigation panes on the left, the preview filling the rest,
// the status bar along the bottom.
#pragma once
#include <memory>

#include "about/AboutUnit.h"
#include "browse/filelist.h"
#include "browse/filtercombo.h"
#include "browse/opendialog.h"
#include "browse/shelltree.h"
#include "fullscreen/FullScreenUnit.h"
#include "pictures/imagehost.h"
#include "ui/actions.h"
#include "ui/form.h"
#include "ui/menubar.h"
#include "ui/panel.h"
#include "ui/splitter.h"
#include "ui/statusbar.h"

namespace pix {

class TfmMain : public TForm {
 public:
  TfmMain();
  ~TfmMain() override;
  // Builds the window and its panes (hidden) and runs the creation step.
  void Create();

  TActionList acList;  // the commands and their image list imgList
  TAction* acOpenDialog = nullptr;
  TAction* acExit = nullptr;
  TAction* acProportional = nullptr;
  TAction* AcFullScreen = nullptr;
  TAction* acAbout = nullptr;
  TAction* acDeskTop = nullptr;

  TMenuBar Toolbar;
  TStatusBar StatusBar;
  TPanel pnNavigation;
  TShellTreeView shTree;
  TSplitter splNavigation;
  TPanel pnFileFilter;
  TFilterComboBox cbFilter;
  TFileListBox flList;
  TSplitter splImage;
  TImageHost Img;
  TOpenPictureDialog opDialog{TOpenPictureDialog::TPane::Later};
  TfmAbout fmAbout;  // made hidden once the window has shown, shown by the about command
  // The full-screen view, made hidden at the first full-screen command (so
  // start-up does not pay for it); nullptr before then.
  TfmView* fmView() const { return view_.get(); }

  // The settings file that the creation step reads and the close step writes.
  std::string SettingsFile;

  void FormCreate();
  // The selected file changed: load it into the preview and describe it.
  void flListChange();
  // The tree's selection changed: the list shows the folder, or nothing for a
  // virtual one.
  void shTreeChange(HTREEITEM node);
  // The selected folder was read again (files came or went, or it was
  // renamed): the list follows it, keeping the selected file and the preview.
  void shTreeRefresh(HTREEITEM node);
  // A folder was renamed through the tree: the list and the status bar take
  // its new name at once.
  void shTreeFolderRenamed(const std::string& from, const std::string& to);
  void FormClose(bool& canClose);
  // The main window's own keys: Ctrl with F, O, Z or X.
  void FormKeyDown(WORD& key, TShiftState shift);
  bool EditingText() const;

  // The open command: pick a file, move the tree and the list to it, show it.
  void acOpenDialogExecute();
  void acExitExecute();
  void acProportionalExecute();
  void acProportionalUpdate();
  // Opens the full-screen view on the selected file.
  void AcFullScreenExecute();
  void AcFullScreenUpdate();
  void acAboutExecute();
  void acDeskTopExecute();
  // The application was minimised or restored (each once per change of state).
  void AppEventsMinimize();
  void AppEventsRestore();

  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 protected:
  void ScaleLayout(const FormMetrics& was) override;

 private:
  void CreateFileList();
  void MoveTreeTo(const std::string& folder);
  void CreateCommands();
  void CreateMenuBar();
  // Posted by Create: what the first paint shows none of is made after it.
  static constexpr UINT kCreateUnseen = WM_APP + 1;
  void CreateUnseen();
  bool minimized_ = false;
  // The navigation pane's width and the tree's height, in layout units.
  int navWidth_ = 245;
  int treeHeight_ = 192;
  // Last, so it goes before the list it steps through.
  std::unique_ptr<TfmView> view_;
};

}  // namespace pix
