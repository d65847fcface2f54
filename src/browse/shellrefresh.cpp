// The folder tree's watcher and the rebuild of a node after its folder changed.
#include "browse/shelltree.h"

#include <utility>

#include "browse/shellfolder_core.h"

namespace pix {

void TShellTreeView::SetAutoRefresh(bool on) {
  autoRefresh_ = on;
  WatchNode(nullptr);
}

void TShellTreeView::WatchNode(HTREEITEM node) {
  watch_.Stop();
  if (!autoRefresh_ || !Handle()) return;
  TShellFolder* record = Record(node);
  if (!record) record = rootRecord_.get();
  if (record) watch_.Start(record->Path(), WatchTiming, [this] { RequestRefresh(); });
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
  if (selected) Refresh(nodes_.Selected());
}

void TShellTreeView::Refresh(HTREEITEM node) {
  TShellFolder* record = Record(node);
  if (!record || !record->Folder()) return;
  ++refreshes_;
  // Remembered by folder: the nodes below are about to be replaced.
  TItemIdList topId, selectedId;
  auto top = nodes_.FirstVisible();
  if (TShellFolder* r = Record(top)) topId = CopyIdList(r->AbsoluteId());
  bool holdsSelection = Within(nodes_, nodes_.Selected(), node);
  if (TShellFolder* r = Record(nodes_.Selected())) selectedId = CopyIdList(r->AbsoluteId());
  // Parents come before their children, so each expands where its parent has.
  std::vector<TItemIdList> expanded;
  EachBelow(nodes_, node, [&](HTREEITEM n) {
    if (TShellFolder* r = Record(n); r && nodes_.Expanded(n))
      expanded.push_back(CopyIdList(r->AbsoluteId()));
  });
  bool wasExpanded = nodes_.Expanded(node);
  HTREEITEM selected = nullptr;
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
      selected = selectedId ? FindFolder(selectedId.Get(), node) : nullptr;
      nodes_.Select(selected ? selected : node);
    }
    if (topId)
      if (HTREEITEM t = FindFolder(topId.Get(), nodes_.Root())) nodes_.ScrollToTop(t);
  }
  if (!holdsSelection) return;
  if (selected) {
    if (OnRefresh) OnRefresh(this, selected);
    return;
  }
  // The selected folder is gone: its nearest node still there takes over.
  WatchNode(node);
  if (OnChange) OnChange(this, node);
}

}  // namespace pix
