// The folder tree's context menu (the shell's own, for the folder under the
// mouse) and the renaming of folders through their labels.
#include <shlobj.h>

#include "browse/shellfolder_core.h"
#include "browse/shelltree.h"
#include "ui/errors.h"

namespace pix {

namespace {

std::string Verb(IContextMenu* menu, UINT offset) {
  char text[256] = {};
  if (SUCCEEDED(menu->GetCommandString(offset, GCS_VERBA, nullptr, text, 255)) && text[0])
    return text;
  wchar_t wide[256] = {};
  if (FAILED(
          menu->GetCommandString(offset, GCS_VERBW, nullptr, reinterpret_cast<LPSTR>(wide), 255)))
    return std::string();
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text - 1, nullptr, nullptr);
  return text;
}

// The folder an item lies in and the item's id relative to it.
ComPtr<IShellFolder> ParentOf(const TShellFolder& record, LPCITEMIDLIST& item) {
  ComPtr<IShellFolder> parent;
  if (IdListItemCount(record.AbsoluteId()) > 0 &&
      SUCCEEDED(SHBindToParent(record.AbsoluteId(), IID_IShellFolder, parent.PutVoid(), &item)))
    return parent;
  item = record.RelativeId();
  if (IShellFolder* in = record.ParentFolder())
    in->QueryInterface(IID_IShellFolder, parent.PutVoid());
  return parent;
}

// Wine's menu drops its Rename item whenever the explorer flag is given.
constexpr UINT kOwnRename = 0x8000;

bool OffersVerb(IContextMenu* menu, HMENU popup, const std::string& verb) {
  for (int i = 0; i < GetMenuItemCount(popup); ++i) {
    UINT id = GetMenuItemID(popup, i);
    if (id >= 1 && id <= 0x7FFF && Verb(menu, id - 1) == verb) return true;
  }
  return false;
}

class PopupMenu {
public:
  PopupMenu() : menu_(CreatePopupMenu()) {}
  ~PopupMenu() { DestroyMenu(menu_); }
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;
  HMENU Get() const { return menu_; }

private:
  HMENU menu_;
};

}  // namespace

void TShellTreeView::ShowContextMenu(HTREEITEM target, POINT screen) {
  TShellFolder* record = Record(target);
  if (!record) return;
  LPCITEMIDLIST item = nullptr;
  ComPtr<IShellFolder> parent = ParentOf(*record, item);
  ComPtr<IContextMenu> menu;
  if (!parent ||
      FAILED(
          parent->GetUIObjectOf(Handle(), 1, &item, IID_IContextMenu, nullptr, menu.PutVoid())) ||
      !menu)
    return;
  // The node may be rebuilt or deleted while the menu or its command runs.
  TItemIdList id = CopyIdList(record->AbsoluteId());
  PopupMenu popup;
  if (!popup.Get() ||
      FAILED(menu->QueryContextMenu(popup.Get(), 0, 1, 0x7FFF, CMF_EXPLORE | CMF_CANRENAME)))
    return;
  if (record->Attributes(SFGAO_CANRENAME) && !OffersVerb(menu.Get(), popup.Get(), "rename"))
    AppendMenuA(popup.Get(), MF_STRING, kOwnRename, "&Rename");
  menu_ = menu;
  UINT command = TrackPopupMenu(popup.Get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON,
                                screen.x, screen.y, 0, Handle(), nullptr);
  menu_.Reset();
  if (!command) return;
  std::string verb = command == kOwnRename ? "rename" : Verb(menu.Get(), command - 1), savedDir;
  bool succeeded = OfferVerb(verb, target, savedDir);
  if (!succeeded) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = Handle();
    info.lpVerb = MAKEINTRESOURCEA(command - 1);
    info.nShow = SW_SHOWNORMAL;
    succeeded = SUCCEEDED(menu->InvokeCommand(&info));
  }
  if (succeeded)
    if (HTREEITEM now = FindFolder(id.Get(), RootNode())) AfterVerb(verb, now, savedDir);
}

// The tree's own part of a command before the menu object runs it; true when
// that is all there is to it.
bool TShellTreeView::OfferVerb(const std::string& verb, HTREEITEM target, std::string& savedDir) {
  if (verb == "rename") {
    SetFocus(Handle());
    verbEdit_ = true;
    Tv(TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(target));
    verbEdit_ = false;
    return true;
  }
  if (verb == "open") {
    // Opened from its own folder; the list's current directory comes back after.
    char dir[MAX_PATH * 3] = {};
    GetCurrentDirectoryA(sizeof dir, dir);
    savedDir = dir;
    if (TShellFolder* r = Record(target)) SetCurrentDirectoryA(ContainingFolder(r->Path()).c_str());
  }
  return false;
}

void TShellTreeView::AfterVerb(const std::string& verb, HTREEITEM target,
                               const std::string& savedDir) {
  if (verb == "delete") {
    TShellFolder* r = Record(target);
    DWORD attributes = r ? GetFileAttributesA(r->Path().c_str()) : INVALID_FILE_ATTRIBUTES;
    bool file = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (!file) Tv(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(target));
  } else if (verb == "paste") {
    Refresh(target);
  } else if (verb == "open") {
    SetCurrentDirectoryA(savedDir.c_str());
  }
}

// Sub-menus of the shell's menu draw and fill themselves through these.
bool TShellTreeView::MenuMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  bool ownerDrawn =
      (msg == WM_DRAWITEM && reinterpret_cast<DRAWITEMSTRUCT*>(lp)->CtlType == ODT_MENU) ||
      (msg == WM_MEASUREITEM && reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->CtlType == ODT_MENU);
  if (!ownerDrawn && msg != WM_INITMENUPOPUP && msg != WM_MENUCHAR) return false;
  ComPtr<IContextMenu3> menu3;
  if (SUCCEEDED(menu_->QueryInterface(IID_IContextMenu3, menu3.PutVoid())) && menu3) {
    LRESULT r = 0;
    if (FAILED(menu3->HandleMenuMsg2(msg, wp, lp, &r))) return false;
    result = r;
    return true;
  }
  ComPtr<IContextMenu2> menu2;
  if (msg == WM_MENUCHAR || FAILED(menu_->QueryInterface(IID_IContextMenu2, menu2.PutVoid())) ||
      !menu2 || FAILED(menu2->HandleMenuMsg(msg, wp, lp)))
    return false;
  result = msg == WM_INITMENUPOPUP ? 0 : TRUE;
  return true;
}

// True keeps the typed text as the label.
bool TShellTreeView::EndLabelEdit(NMTVDISPINFOA& info) {
  if (!info.item.pszText) return false;  // editing cancelled
  // Wine's control reports the end again while it destroys the editor.
  HWND editor = reinterpret_cast<HWND>(Tv(TVM_GETEDITCONTROL, 0, 0));
  if (editor && editor == endedEdit_) return false;
  endedEdit_ = editor;
  TShellFolder* record = Record(info.item.hItem);
  std::string name = info.item.pszText;
  // Unchanged text (an edit begun by a slow click and left) renames nothing.
  if (name == Label(info.item.hItem)) return false;
  if (!record || !record->Attributes(SFGAO_CANRENAME)) return false;
  if (!record->Rename(Handle(), name)) throw Exception("Rename to " + name + " failed");
  return true;
}

}  // namespace pix
