#include "browse/shelltree.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "browse/shellfolder_core.h"
#include "ui/app.h"
#include "ui/errors.h"
#include "ui/text.h"

namespace pix {

namespace {

// The window the shell's prompts belong to: the main form, else the tree's own.
HWND OwnerOf(HWND window) {
  HWND main = Application().MainWindow();
  return main ? main : GetAncestor(window, GA_ROOT);
}

// The root record for a root name or a path text; null when the shell can't
// resolve it.
std::unique_ptr<TShellFolder> ResolveRoot(HWND owner, const std::string& text) {
  if (text.empty()) return nullptr;
  TItemIdList id;
  if (std::optional<int> number = RootFolderNumber(text)) {
    if (FAILED(SHGetSpecialFolderLocation(owner, *number, id.Put()))) id.Reset();
  } else {
    id = ParseName(DesktopRecord().Folder(), owner, RootPathText(text));
  }
  if (!id) return nullptr;
  ComPtr<IShellFolder> folder;
  IShellFolder* desktop = DesktopRecord().Folder();
  if (desktop && IdListItemCount(id.Get()) == 0) {
    desktop->QueryInterface(IID_IShellFolder, folder.PutVoid());
  } else if (desktop) {
    desktop->BindToObject(id.Get(), nullptr, IID_IShellFolder, folder.PutVoid());
  }
  return std::make_unique<TShellFolder>(nullptr, std::move(id), std::move(folder));
}

// The shell's default action on an item that is not a folder, run from the
// folder it lies in, its window hidden.
void OpenItem(HWND owner, const TShellFolder& record) {
  std::string path = record.Path();
  std::string folder = ContainingFolder(path);
  ShellExecuteA(owner, nullptr, path.c_str(), nullptr, folder.empty() ? nullptr : folder.c_str(),
                SW_HIDE);
}

// After every expansion attempt the button shows whether there are children.
void AfterExpand(const TTreeNodes& nodes, HTREEITEM node) {
  nodes.SetHasChildrenFlag(node, nodes.FirstChild(node) != nullptr);
}

// The tree's shape as the search walk sees it.
struct TreeShape {
  const TShellTreeView& tree;
  HTREEITEM FirstChild(HTREEITEM n) const { return tree.Nodes().FirstChild(n); }
  HTREEITEM NextSibling(HTREEITEM n) const { return tree.Nodes().NextSibling(n); }
  HTREEITEM Parent(HTREEITEM n) const { return tree.Nodes().Parent(n); }
  int Level(HTREEITEM n) const { return tree.Level(n); }
};

}  // namespace

TShellTreeView::TShellTreeView() = default;

TShellTreeView::~TShellTreeView() {
  watch_.Stop();  // first: a pending refresh must never reach a dying tree
  autoRefresh_ = false;
  OnChange = nullptr;
  OnFolderRenamed = nullptr;
  OnUserSelect = nullptr;
  OnContextPopup = nullptr;
  clearing_ = true;
  if (Handle()) nodes_.DeleteAll();
  DestroyHandle();
  while (records_) FreeRecord(records_);  // any the control did not report deleted
}

void TShellTreeView::Create(HWND parent, const TShellTreeViewArgs& a) {
  Dock(a.dock);
  // No lines or button at the root; the selection shows only while focused.
  CreateStandard(
      WC_TREEVIEWA, "",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_EDITLABELS,
      WS_EX_CLIENTEDGE, parent, CreationBounds(a.dock, a.bounds));
  nodes_ =
      TTreeNodes(Handle(), reinterpret_cast<WNDPROC>(GetClassLongPtrW(Handle(), GCLP_WNDPROC)));
  // Unicode notifications, and with them a Unicode label editor: typed text
  // then never passes through an ANSI conversion, which need not be UTF-8.
  nodes_.Send(CCM_SETUNICODEFORMAT, TRUE, 0);
  nodes_.Send(TVM_SETINDENT, static_cast<WPARAM>(a.indent), 0);
  icons_.Attach(nodes_);
}

int TShellTreeView::Level(HTREEITEM node) const {
  TShellFolder* r = Record(node);
  return r ? r->Level() : 0;
}

TShellFolder* TShellTreeView::Record(HTREEITEM node) const {
  return reinterpret_cast<TShellFolder*>(nodes_.Data(node));
}

HTREEITEM TShellTreeView::FindFolder(LPCITEMIDLIST id, HTREEITEM start) const {
  return FindInSubtree(TreeShape{*this}, start, [&](HTREEITEM n) {
    TShellFolder* r = Record(n);
    return r && SameFolder(r->AbsoluteId(), id);
  });
}

std::string TShellTreeView::CurrentFolderPath() const {
  TShellFolder* r = Record(nodes_.Selected());
  return r ? r->Path() : std::string();
}

void TShellTreeView::SetRoot(const std::string& root) {
  std::unique_ptr<TShellFolder> resolved = ResolveRoot(OwnerOf(Handle()), root);
  bool failed = !resolved;
  if (!failed) {
    previousRoot_ = root_;
    root_ = root;
    rootRecord_ = std::move(resolved);
  }
  if (Handle() && rootRecord_) CreateRootNode();
  if (failed) throw Exception(SettingPathError(root));
}

void TShellTreeView::CreateRootNode() {
  {
    TFlagScope quiet(clearing_);
    nodes_.DeleteAll();
  }
  ComPtr<IShellFolder> folder;
  if (IShellFolder* f = rootRecord_->Folder())
    f->QueryInterface(IID_IShellFolder, folder.PutVoid());
  auto record = std::make_unique<TNodeRecord>(nullptr, CopyIdList(rootRecord_->AbsoluteId()),
                                              std::move(folder));
  std::wstring label;
  AppendDisplayName(DesktopRecord().Folder(), record->AbsoluteId(), SHGDN_NORMAL, label);
  SFGAOF attributes = record->Attributes(SFGAO_HASSUBFOLDER | SFGAO_SHARE);
  HTREEITEM root = AddNode(TVI_ROOT, std::move(record), label.c_str(), attributes);
  Expand(root);
  nodes_.Select(root);
}

HTREEITEM TShellTreeView::AddNode(HTREEITEM parent, std::unique_ptr<TNodeRecord> record,
                                  const wchar_t* label, SFGAOF attributes, HTREEITEM after) {
  TNodeRecord* r = record.release();
  r->next = records_;
  if (records_) records_->prev = r;
  records_ = r;
  TVINSERTSTRUCTW ins{};
  ins.hParent = parent;
  ins.hInsertAfter = after;
  TVITEMW& item = ins.item;
  item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
  item.pszText = const_cast<wchar_t*>(label);
  // Asking the shell for icons costs milliseconds an item: only shown nodes ask.
  item.iImage = item.iSelectedImage = I_IMAGECALLBACK;
  item.cChildren = (attributes & SFGAO_HASSUBFOLDER) ? 1 : 0;
  item.lParam = reinterpret_cast<LPARAM>(static_cast<TShellFolder*>(r));
  if (attributes & SFGAO_SHARE) {
    item.mask |= TVIF_STATE;
    item.state = INDEXTOOVERLAYMASK(1);  // the system list's first overlay: shared
    item.stateMask = TVIS_OVERLAYMASK;
  }
  auto node =
      reinterpret_cast<HTREEITEM>(nodes_.Send(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
  if (!node) {
    FreeRecord(r);
    throw EOutOfResources("Unable to insert a node");
  }
  return node;
}

void TShellTreeView::FreeRecord(TShellFolder* record) {
  auto* r = static_cast<TNodeRecord*>(record);
  if (!r) return;
  (r->prev ? r->prev->next : records_) = r->next;
  if (r->next) r->next->prev = r->prev;
  delete r;
}

HRESULT TShellTreeView::EnumFolders(IShellFolder* folder, IEnumIDList** items) {
  return folder->EnumObjects(OwnerOf(Handle()), SHCONTF_FOLDERS, items);
}

void TShellTreeView::Fill(HTREEITEM node) {
  TShellFolder* record = Record(node);
  TCountScope defer(deferrals_);
  TCursorKeeper hourglass(TCursor::crHourGlass);
  // Children put below a collapsed node cost the control nothing to show: only
  // an expanded one (a refresh's) needs its drawing held.
  std::optional<TRedrawLock> redraw;
  if (nodes_.Expanded(node)) redraw.emplace(nodes_, redrawLocks_);
  IShellFolder* folder = record ? record->Folder() : nullptr;
  if (!folder) return;
  ComPtr<IEnumIDList> items;
  ++enumerations_;
  // A folder that can't be listed (refused, vanished, no medium) just has no children.
  if (EnumFolders(folder, items.Put()) != S_OK || !items) return;
  // The labels lie in one buffer, each closed by a NUL as the control takes
  // it: a child knows its own by where it starts and its length.
  struct Child {
    std::unique_ptr<TNodeRecord> record;
    size_t label, length;
    SFGAOF attributes;
  };
  std::vector<Child> children;
  std::wstring labels;
  LPITEMIDLIST id = nullptr;
  ULONG got = 0;
  while (items->Next(1, &id, &got) == S_OK && got == 1 && id) {
    TItemIdList owned(id);
    children.push_back({std::make_unique<TNodeRecord>(record, std::move(owned)), 0, 0, 0});
  }
  for (Child& c : children) {
    c.label = labels.size();
    c.length = AppendDisplayName(folder, c.record->RelativeId(), SHGDN_INFOLDER, labels);
    labels.push_back(L'\0');
    c.attributes = c.record->Attributes(SFGAO_HASSUBFOLDER | SFGAO_SHARE);
  }
  // Sorted by the folder's own comparison. Each comparison is a call into the
  // shell, so the names first put the children nearly in its order for little;
  // the comparison then checks that and mends what differs. That first order
  // is by name with its ASCII letters lowered, in a copy: past the start all
  // the names share, four characters make one number, and only names whose
  // numbers tie compare the rest. The children stay where they are.
  std::wstring folded = labels;
  for (wchar_t& c : folded)
    if (c >= L'A' && c <= L'Z') c += L'a' - L'A';
  size_t shared = children.empty() ? 0 : children[0].length;
  for (const Child& c : children) {
    size_t n = std::min(shared, c.length);
    const wchar_t* first = folded.data() + children[0].label;
    shared = std::mismatch(first, first + n, folded.data() + c.label).first - first;
  }
  struct Key {
    uint64_t head;
    std::wstring_view rest;
    size_t child;
    bool operator<(const Key& o) const {
      return head != o.head ? head < o.head : rest != o.rest ? rest < o.rest : child < o.child;
    }
  };
  std::vector<Key> order;
  order.reserve(children.size());
  for (size_t i = 0; i < children.size(); ++i) {
    std::wstring_view name(folded.data() + children[i].label, children[i].length);
    name.remove_prefix(shared);
    uint64_t head = 0;
    for (size_t k = 0; k < 4; ++k) head = head << 16 | (k < name.size() ? name[k] : 0);
    order.push_back({head, name.substr(std::min<size_t>(4, name.size())), i});
  }
  std::sort(order.begin(), order.end());
  SortByRuns(order.begin(), order.end(), [&](const Key& a, const Key& b) {
    return CompareResultOrder(folder->CompareIDs(0, children[a.child].record->RelativeId(),
                                                 children[b.child].record->RelativeId())) < 0;
  });
  for (const Key& k : order)
    AddNode(node, std::move(children[k.child].record), labels.data() + children[k.child].label,
            children[k.child].attributes);
}

// The step before a node expands; false when it must not expand.
bool TShellTreeView::BeforeExpand(HTREEITEM node) {
  TShellFolder* record = Record(node);
  if (!record) return true;
  // The desktop reports no attributes of its own, but it is the first folder.
  bool folder = IdListItemCount(record->AbsoluteId()) == 0 || record->Attributes(SFGAO_FOLDER);
  if (!folder) {
    OpenItem(OwnerOf(Handle()), *record);
    return false;
  }
  if (nodes_.HasChildrenFlag(node) && !nodes_.FirstChild(node)) Fill(node);
  return true;
}

void TShellTreeView::ExpandControl(HTREEITEM node) {
  HTREEITEM outer = std::exchange(expanding_, node);
  nodes_.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
  expanding_ = outer;
}

void TShellTreeView::Expand(HTREEITEM node) {
  if (!node) return;
  if (BeforeExpand(node)) {
    TDrawingHold hold(drawingHolds_, Handle());
    ExpandControl(node);
  }
  AfterExpand(nodes_, node);
}

void TShellTreeView::EndExpansionHold() {
  if (std::exchange(userExpansionHeld_, false)) drawingHolds_.Release();
}

void TShellTreeView::SetCurrentFolderPath(const std::string& path) {
  TItemIdList id = ParseName(DesktopRecord().Folder(), OwnerOf(Handle()), path);
  if (!id) throw Exception(SettingPathError(path));
  HTREEITEM root = nodes_.Root();
  if (busy_ || !root) return;
  if (TShellFolder* selected = Record(nodes_.Selected());
      selected && SameFolder(selected->AbsoluteId(), id.Get()))
    return;
  TFlagScope busy(busy_);
  TRedrawLock redraw(nodes_, redrawLocks_);
  // Each ancestor from the desktop down is searched below the last one found and expanded.
  HTREEITEM current = root;
  size_t items = IdListItemCount(id.Get());
  for (size_t k = 0; k < items; ++k) {
    TItemIdList ancestor = IdListPrefix(id.Get(), k);
    if (HTREEITEM found = FindFolder(ancestor.Get(), current)) {
      Expand(found);
      current = found;
    }
  }
  HTREEITEM target = FindFolder(id.Get(), current);
  HTREEITEM before = nodes_.Selected();
  int changes = selectionChanges_;
  nodes_.Select(target);
  // Clearing the selection may pass unreported by the control: report it here.
  if (changes == selectionChanges_ && nodes_.Selected() != before && OnChange)
    OnChange(nodes_.Selected());
}

void TShellTreeView::ContextPopup(HTREEITEM hit, POINT screen) {
  HTREEITEM target = hit ? hit : nodes_.Selected();
  if (!target) return;
  if (OnContextPopup)
    OnContextPopup(target, screen);
  else
    ShowContextMenu(target, screen);
}

bool TShellTreeView::Notify(NMHDR& nm, LRESULT& result) {
  auto& tv = reinterpret_cast<NMTREEVIEWA&>(nm);
  result = 0;
  switch (nm.code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
      HTREEITEM node = tv.itemNew.hItem;
      if (!(tv.action & TVE_EXPAND) || node == expanding_) return true;
      bool expand = BeforeExpand(node);
      AfterExpand(nodes_, node);
      result = expand ? FALSE : TRUE;
      // The control goes on to expand the node and then reports it expanded.
      if (expand && !userExpansionHeld_ && nodes_.FirstChild(node) && !nodes_.Expanded(node)) {
        userExpansionHeld_ = true;
        drawingHolds_.Hold(Handle());
        PostMessageW(Handle(), kEndExpansionHold, 0, 0);
      }
      return true;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW:
      EndExpansionHold();
      if (tv.action & TVE_EXPAND) AfterExpand(nodes_, tv.itemNew.hItem);
      return true;
    case TVN_SELCHANGINGA:
    case TVN_SELCHANGINGW:
      if (busy_ || clearing_ || refreshing_) return true;
      WatchNode(tv.itemNew.hItem);
      if (OnUserSelect) OnUserSelect(tv.itemNew.hItem);
      return true;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
      ++selectionChanges_;
      if (!clearing_ && !refreshing_) RememberChain(tv.itemNew.hItem);
      if (!clearing_ && !refreshing_ && OnChange) OnChange(tv.itemNew.hItem);
      return true;
    case TVN_GETDISPINFOA:
    case TVN_GETDISPINFOW:
      icons_.Provide(reinterpret_cast<NMTVDISPINFOA&>(nm));
      return true;
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW:
      icons_.Forget(reinterpret_cast<TShellFolder*>(tv.itemOld.lParam));
      FreeRecord(reinterpret_cast<TShellFolder*>(tv.itemOld.lParam));
      return true;
    case TVN_BEGINLABELEDITA:
    case TVN_BEGINLABELEDITW:
      // Every label may be edited; but Wine's control starts the edit of a slow
      // second click on whatever is selected when its timer fires, even after
      // the keys have moved on.
      result = keyedSinceClick_ && !verbEdit_;
      if (!result) endedEdit_ = nullptr;  // a new editor may get an old one's handle
      return true;
    case TVN_ENDLABELEDITA:
    case TVN_ENDLABELEDITW: {
      auto& info = reinterpret_cast<NMTVDISPINFOA&>(nm);
      // Wine's control reports the end again while it destroys the editor.
      HWND editor = nodes_.Editor();
      if (!info.item.pszText || (editor && editor == endedEdit_)) return true;  // cancelled
      endedEdit_ = editor;
      // The text as typed: the ANSI report passes through a conversion that
      // need not be UTF-8, and loses what it can't represent.
      std::wstring typed;
      if (editor) {
        typed.resize(static_cast<size_t>(GetWindowTextLengthW(editor)) + 1);
        typed.resize(static_cast<size_t>(GetWindowTextW(editor, typed.data(), typed.size())));
      } else if (nm.code == TVN_ENDLABELEDITW) {
        typed = reinterpret_cast<NMTVDISPINFOW&>(nm).item.pszText;
      } else {
        typed = Widen(info.item.pszText);
      }
      EndLabelEdit(info.item.hItem, Narrow(typed));
      return true;  // the label, when it changes, is set by the rename itself
    }
    case NM_RCLICK: {
      TVHITTESTINFO hit{};
      hit.pt = rightDown_;
      nodes_.Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      POINT screen = rightDown_;
      ClientToScreen(Handle(), &screen);
      ContextPopup((hit.flags & TVHT_ONITEM) ? hit.hItem : nullptr, screen);
      result = TRUE;  // handled: no context-menu message follows
      return true;
    }
    default:
      return false;
  }
}

// A failure is reported here, while the refreshes still wait: the error box
// runs a message loop while the control is in the middle of its operation.
bool TShellTreeView::HandleReflected(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
  if (msg != WM_NOTIFY) return false;
  TCountScope defer(deferrals_);
  try {
    return Notify(*reinterpret_cast<NMHDR*>(lp), result);
  } catch (...) {
    Application().HandleException();
    result = 0;
    return true;
  }
}

// Wine's control takes a label only over its text's width from the label's
// left edge, though it draws the text two pixels in and the label's box (its
// highlight, its item rectangle) wider still: the right end of a short label
// did not take clicks ("/" hardly any). A point there goes to the control on
// the label's last column it does take. Elsewhere the point is left alone.
LPARAM TShellTreeView::OntoLabel(LPARAM at) const {
  TVHITTESTINFO hit{};
  hit.pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  nodes_.Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (!hit.hItem || !(hit.flags & TVHT_ONITEMRIGHT)) return at;
  RECT r{};
  std::memcpy(&r, &hit.hItem, sizeof hit.hItem);  // the request names its node in the rectangle
  if (!nodes_.Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)) || hit.pt.x >= r.right)
    return at;
  HTREEITEM node = hit.hItem;
  for (int x = hit.pt.x - 1; x >= r.left; --x) {
    hit = {};
    hit.pt = {x, GET_Y_LPARAM(at)};
    nodes_.Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.hItem == node && (hit.flags & TVHT_ONITEMLABEL)) return MAKELPARAM(x, hit.pt.y);
  }
  return at;
}

bool TShellTreeView::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (contextMenu_.Forward(msg, wp, lp, result)) return true;
  switch (msg) {
    case TTreeIcons::kMessage:
      icons_.Fetch();
      return true;
    case kEndExpansionHold:
      EndExpansionHold();
      return true;
    case WM_TIMER:
      if (wp != kRefreshTimer) return false;
      if (!Deferring()) {
        KillTimer(Handle(), kRefreshTimer);
        RunRequestedRefreshes();
      }
      return true;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
      // Wine's tree control keeps these to itself, so Alt+F4 and the window's
      // menu keys would never reach the form: the tree has no use for them.
      result = DefWindowProcA(Handle(), msg, wp, lp);
      return true;
    case WM_RBUTTONDOWN:
      lp = OntoLabel(lp);
      rightDown_ = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      result = DefaultProc(msg, wp, lp);
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      keyedSinceClick_ = false;
      result = DefaultProc(msg, wp, OntoLabel(lp));
      return true;
    case WM_KEYDOWN:
      keyedSinceClick_ = true;
      if (wp == VK_F2 && nodes_.Selected() && GetKeyState(VK_CONTROL) >= 0 &&
          GetKeyState(VK_SHIFT) >= 0) {
        // F2 renames the selected folder, as the menu's Rename does.
        verbEdit_ = true;
        nodes_.Send(TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(nodes_.Selected()));
        verbEdit_ = false;
        return true;
      }
      return false;
    case WM_CONTEXTMENU:
      if (lp == -1) {  // from the keyboard: at the selected node's label
        HTREEITEM node = nodes_.Selected();
        RECT r{};
        std::memcpy(&r, &node, sizeof node);  // the request names its node in the rectangle
        POINT at{0, 0};
        if (node && nodes_.Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)))
          at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(Handle(), &at);
        ContextPopup(nullptr, at);
        result = 0;
        return true;
      }
      return false;
    default:
      return TControl::HandleMessage(msg, wp, lp, result);
  }
}

}  // namespace pix
