// The folder tree's watches and the rebuild of a node after its folder changed.
#include "browse/shelltree.h"

#include <utility>

#include "browse/filelist_core.h"
#include "browse/shellfolder_core.h"

namespace pix {

void TShellTreeView::SetAutoRefresh(bool on) {
  autoRefresh_ = on;
  WatchNode(nullptr);
}

// The node's folder is watched for its names, and each folder above it for its
// sub-folders' names: a rename, move or delete of any of them reaches the tree.
void TShellTreeView::WatchNode(HTREEITEM node) {
  watch_.Stop();
  if (!autoRefresh_ || !Handle()) return;
  TShellFolder* record = Record(node);
  if (!record) record = rootRecord_.get();
  if (!record) return;
  std::vector<std::string> above;
  for (HTREEITEM n = nodes_.Parent(node); n; n = nodes_.Parent(n))
    if (TShellFolder* r = Record(n)) {
      std::string path = r->Path();
      if (!PathRoot(path).empty()) above.insert(above.begin(), path);  // on a disk
    }
  watch_.Start(
      record->Path(), WatchTiming, [this] { RequestRefresh(); }, std::move(above));
}

// The selected folder's identity on disk and those of the folders above it,
// to find them again after a rename or a move.
void TShellTreeView::RememberChain(HTREEITEM node) {
  chainIds_.clear();
  std::vector<HTREEITEM> chain;
  for (HTREEITEM n = node; n; n = nodes_.Parent(n)) chain.insert(chain.begin(), n);
  for (HTREEITEM n : chain) {
    TShellFolder* r = Record(n);
    chainIds_.push_back(DiskIdOf(r ? r->Path() : std::string()));
  }
}

// The watcher's hand-over runs in any message loop: in a prompt of the shell
// while a node is filled, in the context menu, while a label is edited, in an
// error box raised inside a notification.
bool TShellTreeView::Deferring() const {
  return deferrals_ > 0 || busy_ || refreshing_ || nodes_.Editor() != nullptr;
}

void TShellTreeView::RequestRefresh(LPCITEMIDLIST branch) {
  if (branch)
    branchesWanted_.push_back(CopyIdList(branch));
  else
    selectedWanted_ = true;
  if (Deferring())
    SetTimer(Handle(), kRefreshTimer, 50, nullptr);  // tried again until the way is clear
  else
    RunRequestedRefreshes();
}

void TShellTreeView::RunRequestedRefreshes() {
  std::vector<TItemIdList> branches = std::move(branchesWanted_);
  branchesWanted_.clear();
  bool selected = std::exchange(selectedWanted_, false);
  for (const TItemIdList& id : branches)
    if (HTREEITEM node = FindFolder(id.Get(), nodes_.Root())) Refresh(node);
  if (selected && !FollowDisk()) Refresh(nodes_.Selected());
  // A folder still there whose wait was dropped is watched anew.
  if (watch_.LostOwnWait()) WatchNode(nodes_.Selected());
}

bool TShellTreeView::FollowDisk(LPCITEMIDLIST alsoIn) {
  std::vector<HTREEITEM> chain;
  for (HTREEITEM n = nodes_.Selected(); n; n = nodes_.Parent(n)) chain.insert(chain.begin(), n);
  if (chain.size() != chainIds_.size()) return false;
  for (size_t i = 1; i < chain.size(); ++i) {
    if (!chainIds_[i].known) continue;
    TShellFolder* r = Record(chain[i]);
    if (r && DiskIdOf(r->Path()).SameItem(chainIds_[i])) continue;
    // Renamed, moved or deleted: the folder that held it is read again, and
    // the selection found there (or where it went) by its identity.
    Refresh(chain[i - 1], alsoIn);
    return true;
  }
  return false;
}

// The child of `parent` that is the folder `disk` identifies; by its old item
// id `oldId` when the disk can't tell.
HTREEITEM TShellTreeView::ChildByIdentity(HTREEITEM parent, const TDiskId& disk,
                                          LPCITEMIDLIST oldId) {
  if (!parent) return nullptr;
  if (!nodes_.FirstChild(parent)) Expand(parent);
  HTREEITEM byId = nullptr;
  for (HTREEITEM c = nodes_.FirstChild(parent); c; c = nodes_.NextSibling(c)) {
    TShellFolder* r = Record(c);
    if (r && oldId && SameFolder(r->AbsoluteId(), oldId)) byId = c;
  }
  if (!disk.known) return byId;
  // The same name first: a refresh without a rename finds it at once.
  if (TShellFolder* r = Record(byId); r && DiskIdOf(r->Path()).SameItem(disk)) return byId;
  HTREEITEM found = nullptr;
  for (HTREEITEM c = nodes_.FirstChild(parent); c; c = nodes_.NextSibling(c))
    if (TShellFolder* r = Record(c); r && DiskIdOf(r->Path()).SameItem(disk)) {
      if (!disk.byTimes) return c;
      if (found) return nullptr;  // named by its times, and not alone in having them
      found = c;
    }
  return found;
}

// The selected folder and those between it and `node`, from the top.
TShellTreeView::TSelectionTrail TShellTreeView::TrailBelow(HTREEITEM node) const {
  TSelectionTrail trail;
  for (HTREEITEM n = nodes_.Selected(); n && n != node; n = nodes_.Parent(n)) {
    auto level = static_cast<size_t>(Level(n));
    trail.ids.insert(trail.ids.begin(), CopyIdList(Record(n)->AbsoluteId()));
    trail.disk.insert(trail.disk.begin(), level < chainIds_.size() ? chainIds_[level] : TDiskId());
  }
  return trail;
}

// The selection below `node`, after its children were read again: walked down
// level by level, each folder found by its identity on disk, never assumed from
// the node where the walk starts. Returns the deepest found; `whole` tells
// whether that is the selected folder itself.
HTREEITEM TShellTreeView::FindSelectionBelow(HTREEITEM node, const TSelectionTrail& trail,
                                             LPCITEMIDLIST alsoIn, bool& whole) {
  HTREEITEM at = node;
  whole = true;
  for (size_t k = 0; k < trail.ids.size(); ++k) {
    HTREEITEM next = ChildByIdentity(at, trail.disk[k], trail.ids[k].Get());
    if (!next && k == 0 && alsoIn)  // moved: into the folder it was pasted in
      next = ChildByIdentity(FindFolder(alsoIn, nodes_.Root()), trail.disk[k], nullptr);
    if (!next) {
      whole = false;
      break;
    }
    at = next;
  }
  return at;
}

void TShellTreeView::Refresh(HTREEITEM node, LPCITEMIDLIST alsoIn) {
  TShellFolder* record = Record(node);
  if (!record || !record->Folder()) return;
  ++refreshes_;
  // Remembered by folder: the nodes below are about to be replaced.
  TItemIdList topId;
  auto top = nodes_.FirstVisible();
  if (TShellFolder* r = Record(top)) topId = CopyIdList(r->AbsoluteId());
  bool holdsSelection = Within(nodes_, nodes_.Selected(), node);
  std::string pathBefore = holdsSelection ? CurrentFolderPath() : std::string();
  TSelectionTrail trail = holdsSelection ? TrailBelow(node) : TSelectionTrail();
  // Parents come before their children, so each expands where its parent has.
  std::vector<TItemIdList> expanded;
  EachBelow(nodes_, node, [&](HTREEITEM n) {
    if (TShellFolder* r = Record(n); r && nodes_.Expanded(n))
      expanded.push_back(CopyIdList(r->AbsoluteId()));
  });
  bool wasExpanded = nodes_.Expanded(node);
  HTREEITEM selected = nullptr;
  bool whole = false;
  {
    TCursorKeeper hourglass(TCursor::crHourGlass);
    TRedrawLock redraw(nodes_, redrawLocks_);
    // The selection may pass through other nodes meanwhile; the user chose none of them.
    TFlagScope quiet(refreshing_);
    while (HTREEITEM child = nodes_.FirstChild(node)) nodes_.Delete(child);
    // A root keeps its label: it is the desktop's name for it, not an in-folder one.
    if (record->Level() > 0) nodes_.SetLabel(node, record->InFolderName());
    Fill(node);
    nodes_.SetHasChildrenFlag(node,
                              record->Attributes(SFGAO_HASSUBFOLDER) || nodes_.FirstChild(node));
    if (wasExpanded && nodes_.FirstChild(node)) ExpandControl(node);
    for (const TItemIdList& id : expanded)
      if (HTREEITEM found = FindFolder(id.Get(), node)) Expand(found);
    if (holdsSelection) {
      selected = FindSelectionBelow(node, trail, alsoIn, whole);
      nodes_.Select(selected);
    }
    if (topId)
      if (HTREEITEM t = FindFolder(topId.Get(), nodes_.Root())) nodes_.ScrollToTop(t);
  }
  if (!holdsSelection) return;
  RememberChain(selected);
  if (whole) {
    // The same folder, perhaps under a new name or in a new place.
    // Watched again when it or a folder above it may have a new path.
    if (!trail.ids.empty() || CurrentFolderPath() != pathBefore) WatchNode(selected);
    if (OnRefresh) OnRefresh(selected);
    return;
  }
  // The selected folder is gone: its nearest node still there takes over.
  WatchNode(selected);
  if (OnChange) OnChange(selected);
}

}  // namespace pix
