// The folder tree's watcher and the rebuild of a node after its folder changed.
#include "browse/shelltree.h"

namespace pix {

TCursorKeeper::TCursorKeeper() : saved_(Application().Cursor()) {
  Application().SetCursor(TCursor::crHourGlass);
}
TCursorKeeper::~TCursorKeeper() {
  Application().SetCursor(saved_);
}

void TShellTreeView::SetAutoRefresh(bool on) {
  autoRefresh_ = on;
  watcher_.reset();
  if (!on || !Handle()) return;
  TShellFolder* record = Record(monitor_);
  if (!record) record = rootRecord_.get();
  if (!record) return;
  auto watcher = std::make_unique<TShellChangeNotifier>();
  watcher->WatchSubTree = false;
  watcher->Timing = WatchTiming;
  watcher->Root = record->Path();
  watcher->SetOnChange([this] { Refresh(Selected()); });
  watcher_ = std::move(watcher);
}

void TShellTreeView::ReplaceWatcher(HTREEITEM node) {
  bool keep = autoRefresh_;
  SetAutoRefresh(false);
  monitor_ = node;
  SetAutoRefresh(keep);
  monitor_ = nullptr;
}

// Every node of the old subtree, parents before children, hands its expansion
// to the node of the same folder below the copy; the copy's children appear as
// their parents expand, so the whole branch comes back as it was.
void TShellTreeView::CarryExpansion(HTREEITEM old, HTREEITEM copy) {
  HTREEITEM n = old;
  while (n) {
    if (TShellFolder* r = Record(n); r && Expanded(n))
      if (HTREEITEM found = FindFolder(r->AbsoluteId(), copy)) Expand(found);
    HTREEITEM next = FirstChild(n);
    for (; !next && n && n != old; n = Parent(n)) next = NextSibling(n);
    n = next;
  }
}

void TShellTreeView::Refresh(HTREEITEM node) {
  TShellFolder* old = Record(node);
  if (!old || !old->Folder()) return;
  ++refreshes_;
  // Remembered by folder: the nodes themselves are about to be replaced.
  TItemIdList topId, selectedId;
  auto top = reinterpret_cast<HTREEITEM>(Tv(TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
  if (TShellFolder* r = Record(top)) topId = CopyIdList(r->AbsoluteId());
  if (TShellFolder* r = Record(Selected())) selectedId = CopyIdList(r->AbsoluteId());
  TCursorKeeper hourglass;
  RedrawLock redraw(*this);

  ComPtr<IShellFolder> folder;
  old->Folder()->QueryInterface(IID_IShellFolder, folder.PutVoid());
  TShellFolder* parent = old->Level() == 0 ? nullptr : old->Parent();
  auto record =
      std::make_unique<TShellFolder>(parent, CopyIdList(old->RelativeId()), std::move(folder));
  TShellFolder* r = record.get();
  auto previous = reinterpret_cast<HTREEITEM>(
      Tv(TVM_GETNEXTITEM, TVGN_PREVIOUS, reinterpret_cast<LPARAM>(node)));
  HTREEITEM parentNode = Parent(node);
  // A root keeps its label: it is the desktop's name for it, not an in-folder one.
  std::string label = old->Level() == 0 ? Label(node) : r->InFolderName();
  HTREEITEM copy = AddNode(parentNode ? parentNode : TVI_ROOT, std::move(record), label,
                           r->Attributes(SFGAO_SHARE), previous ? previous : TVI_FIRST);
  Fill(copy);
  TVITEMA item{};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = copy;
  item.cChildren = (r->Attributes(SFGAO_HASSUBFOLDER) || FirstChild(copy)) ? 1 : 0;
  Tv(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));

  CarryExpansion(node, copy);
  Tv(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node));
  if (selectedId)
    if (HTREEITEM s = FindFolder(selectedId.Get(), RootNode())) Select(s);
  if (topId)
    if (HTREEITEM t = FindFolder(topId.Get(), RootNode()))
      Tv(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(t));
}

}  // namespace pix
