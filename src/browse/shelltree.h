// The folder tree: the shell's namespace on a tree-view control, folders only,
// filled lazily one level at a time as nodes are first expanded. Each node owns
// a TShellFolder record. Selecting a node fires OnChange; writing
// CurrentFolderPath moves the tree to a folder.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browse/folderwatch.h"
#include "browse/shellcontextmenu.h"
#include "browse/shellfolder.h"
#include "browse/treeicons.h"
#include "browse/treescopes.h"
#include "ui/app.h"
#include "ui/control.h"
#include "ui/treenodes.h"

namespace pix {

struct TShellTreeViewArgs {
  TDock dock = {};
  TRect bounds = {};
  int indent = 19;  // pixels per level
};

class TShellTreeView : public TControl {
 public:
  TShellTreeView();
  ~TShellTreeView() override;

  // Creates the tree window, empty: writing Root makes the root node.
  void Create(HWND parent, const TShellTreeViewArgs& a);

  // "rfDesktop" (or another root name), or a path text. Writing it while the
  // window exists rebuilds the tree from the root, expanded one level and
  // selected. A text the shell can't resolve raises "Error setting path: "%s""
  // after the tree is rebuilt from the previous root, whose text is kept.
  const std::string& Root() const { return root_; }
  void SetRoot(const std::string& root);

  // The selected node's path ("" for none); virtual folders give their display name.
  std::string CurrentFolderPath() const;
  // Expands the folder's ancestors from the top and selects it; clears the
  // selection when it is not in the tree (a hidden folder). Nothing happens when
  // it is the selected folder already or while a path is being set. A text the
  // shell can't parse raises "Error setting path: "%s"".
  void SetCurrentFolderPath(const std::string& path);

  // Fires after every selection change, with the new node (null when cleared).
  std::function<void(HTREEITEM node)> OnChange;
  // Called before each selection change made by the user (mouse, keys, or any
  // change while no path is being set), with the node about to be selected: the
  // change watcher is replaced here.
  std::function<void(HTREEITEM node)> OnUserSelect;
  // A right-click, or the menu key: the node it acts on (the node under the
  // mouse, else the selected one), which the selection does not move to, and the
  // point in screen coordinates where a menu belongs.
  // When unset, the shell's own context menu for the node is shown instead.
  std::function<void(HTREEITEM node, POINT screen)> OnContextPopup;

  // On: a watcher on the selected folder refreshes its node when names in it
  // change; remade at every selection change made by the user.
  bool AutoRefresh() const { return autoRefresh_; }
  void SetAutoRefresh(bool on);
  // Folder icons at the size for the window's density.
  void SetIconDpi(int dpi) { icons_.SetDpi(dpi); }
  // Gathering of change bursts, for watchers made from now on.
  TChangeTiming WatchTiming;
  // Reads a node's sub-folders again, keeping its branch's expansion, the
  // selection and the top visible node; the node itself stays. A selection in
  // the branch is found again by the folders' identities on disk (under their
  // new names after a rename; in the folder `alsoIn` names, when given, after
  // a move there); when its folder is gone, the nearest folder still there is
  // selected. Nothing happens for a node without a folder interface.
  void Refresh(HTREEITEM node, LPCITEMIDLIST alsoIn = nullptr);
  // Checks the selected folder and those above it against the disk: when one
  // was renamed, moved or deleted, the folder that held it is refreshed and
  // true returned.
  bool FollowDisk(LPCITEMIDLIST alsoIn = nullptr);
  // Fires after a refresh of the branch that holds the selection, the same
  // folder still selected (under its new path after a rename): its files may
  // have changed.
  std::function<void(HTREEITEM node)> OnRefresh;
  // A folder was renamed through its label, from one path to another: told at
  // once, before the click that may have ended the edit goes on.
  std::function<void(const std::string& from, const std::string& to)> OnFolderRenamed;
  // Test hook: runs just before a folder is renamed through its label, once
  // the watches that held it are closed.
  std::function<void(const std::string& from)> BeforeRenameHook;
  // How many refreshes have run.
  int Refreshes() const { return refreshes_; }
  // The shell's context menu for a node, at a point on the screen.
  void ShowContextMenu(HTREEITEM target, POINT screen);

  // The control's nodes, for the form and for tests.
  const TTreeNodes& Nodes() const { return nodes_; }
  int Level(HTREEITEM node) const;
  TShellFolder* Record(HTREEITEM node) const;
  // Expands a node as the user would: a folder is filled on its first
  // expansion; any other item is opened with the shell's default action.
  void Expand(HTREEITEM node);
  // The first node from `start` on (in its subtree) that names the folder `id`.
  HTREEITEM FindFolder(LPCITEMIDLIST id, HTREEITEM start) const;
  // How many folders the tree has enumerated so far.
  int Enumerations() const { return enumerations_; }

  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  bool HandleReflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 protected:
  // Asks a folder for its sub-folders. The shell may show a prompt meanwhile
  // (a drive without a medium), and with it run a message loop.
  virtual HRESULT EnumFolders(IShellFolder* folder, IEnumIDList** items);

 private:
  // The folders from below a refreshed node down to the selected one.
  struct TSelectionTrail {
    std::vector<TItemIdList> ids;
    std::vector<TDiskId> disk;
  };
  TSelectionTrail TrailBelow(HTREEITEM node) const;
  HTREEITEM ChildByIdentity(HTREEITEM parent, const TDiskId& disk, LPCITEMIDLIST oldId);
  HTREEITEM FindSelectionBelow(HTREEITEM node, const TSelectionTrail& trail, LPCITEMIDLIST alsoIn,
                               bool& whole);
  // A node's record, linked with the others the tree owns until the control
  // reports its node deleted: no allocation of its own per node.
  struct TNodeRecord : TShellFolder {
    using TShellFolder::TShellFolder;
    TNodeRecord *prev = nullptr, *next = nullptr;
  };
  void CreateRootNode();
  HTREEITEM AddNode(HTREEITEM parent, std::unique_ptr<TNodeRecord> record, const wchar_t* label,
                    SFGAOF attributes, HTREEITEM after = TVI_LAST);
  void FreeRecord(TShellFolder* record);
  void Fill(HTREEITEM node);
  bool BeforeExpand(HTREEITEM node);
  // The control's own expansion of a node whose step before has run: its report
  // of the expansion passes over that step.
  void ExpandControl(HTREEITEM node);
  bool Notify(NMHDR& nm, LRESULT& result);
  void ContextPopup(HTREEITEM hit, POINT screen);
  // A mouse message's point, moved onto the part of a label the control takes.
  LPARAM OntoLabel(LPARAM at) const;
  // With auto-refresh on, watches the node's folder (the root's for none).
  void WatchNode(HTREEITEM node);
  void RememberChain(HTREEITEM node);
  bool Deferring() const;
  // A refresh of the selected node (no id) or of a branch, now or once the
  // operation under way has ended.
  void RequestRefresh(LPCITEMIDLIST branch = nullptr);
  void RunRequestedRefreshes();
  void AfterVerb(const std::string& verb, HTREEITEM target);
  void EndLabelEdit(HTREEITEM node, const std::string& name);
  void Renamed(HTREEITEM node, TShellFolder::TRename how);

  TTreeNodes nodes_;  // through the control's own procedure, for our own requests
  std::string root_ = "rfDesktop", previousRoot_;
  std::unique_ptr<TShellFolder> rootRecord_;
  TNodeRecord* records_ = nullptr;  // the first of the linked records
  bool busy_ = false;
  bool clearing_ = false;
  bool refreshing_ = false;      // the selection moves for a moment, not by the user
  int deferrals_ = 0;            // live scopes during which watcher refreshes wait
  bool selectedWanted_ = false;  // refreshes waiting for the operation under way
  std::vector<TItemIdList> branchesWanted_;
  HTREEITEM expanding_ = nullptr;  // expanded by Expand, which has run the step before
  int redrawLocks_ = 0;
  TDrawingHolds drawingHolds_;
  bool userExpansionHeld_ = false;  // a hold from an expansion the control began
  int enumerations_ = 0;
  int selectionChanges_ = 0;
  POINT rightDown_{};
  TFolderWatch watch_;
  std::vector<TDiskId> chainIds_;  // the watched folder and those above it, by level
  bool autoRefresh_ = true;
  int refreshes_ = 0;
  TShellContextMenu contextMenu_;
  HWND endedEdit_ = nullptr;  // the label editor whose end was handled
  bool keyedSinceClick_ = false;
  bool verbEdit_ = false;  // the menu's Rename is editing
  static constexpr UINT_PTR kRefreshTimer = 0x7E11;
  // Posted with a hold on an expansion the control began: ends it should the
  // control report no end of the expansion.
  static constexpr UINT kEndExpansionHold = WM_APP + 13;
  void EndExpansionHold();
  TTreeIcons icons_;
};

}  // namespace pix
