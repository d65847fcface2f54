#include "browse/shellcontextmenu.h"

#include "browse/shellfolder_core.h"
#include "ui/text.h"

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
  return Narrow(wide);
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

}  // namespace

std::optional<TShellContextMenu::TChoice> TShellContextMenu::Track(HWND owner,
                                                                   const TShellFolder& item,
                                                                   POINT screen) {
  LPCITEMIDLIST id = nullptr;
  ComPtr<IShellFolder> parent = ParentOf(item, id);
  ComPtr<IContextMenu> menu;
  if (!parent ||
      FAILED(parent->GetUIObjectOf(owner, 1, &id, IID_IContextMenu, nullptr, menu.PutVoid())) ||
      !menu)
    return std::nullopt;
  TOwnedMenu popup(CreatePopupMenu());
  if (!popup.Get() ||
      FAILED(menu->QueryContextMenu(popup.Get(), 0, 1, 0x7FFF, CMF_EXPLORE | CMF_CANRENAME)))
    return std::nullopt;
  if (item.Attributes(SFGAO_CANRENAME) && !OffersVerb(menu.Get(), popup.Get(), "rename"))
    AppendMenuA(popup.Get(), MF_STRING, kOwnRename, "&Rename");
  shown_ = menu;
  UINT command = TrackPopupMenu(popup.Get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON,
                                screen.x, screen.y, 0, owner, nullptr);
  shown_.Reset();
  if (!command) return std::nullopt;
  TChoice choice;
  choice.Verb = command == kOwnRename ? "rename" : Verb(menu.Get(), command - 1);
  choice.Menu = menu;
  choice.Command = command;
  return choice;
}

bool TShellContextMenu::TChoice::Invoke(HWND owner) const {
  // Our own Rename is no command of the menu object's.
  if (!Menu || Command == kOwnRename) return false;
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof info;
  info.hwnd = owner;
  info.lpVerb = MAKEINTRESOURCEA(Command - 1);
  info.nShow = SW_SHOWNORMAL;
  return SUCCEEDED(Menu->InvokeCommand(&info));
}

bool TShellContextMenu::Forward(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (!shown_) return false;
  bool ownerDrawn =
      (msg == WM_DRAWITEM && reinterpret_cast<DRAWITEMSTRUCT*>(lp)->CtlType == ODT_MENU) ||
      (msg == WM_MEASUREITEM && reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->CtlType == ODT_MENU);
  if (!ownerDrawn && msg != WM_INITMENUPOPUP && msg != WM_MENUCHAR) return false;
  ComPtr<IContextMenu3> menu3;
  if (SUCCEEDED(shown_->QueryInterface(IID_IContextMenu3, menu3.PutVoid())) && menu3) {
    LRESULT r = 0;
    if (FAILED(menu3->HandleMenuMsg2(msg, wp, lp, &r))) return false;
    result = r;
    return true;
  }
  ComPtr<IContextMenu2> menu2;
  if (msg == WM_MENUCHAR || FAILED(shown_->QueryInterface(IID_IContextMenu2, menu2.PutVoid())) ||
      !menu2 || FAILED(menu2->HandleMenuMsg(msg, wp, lp)))
    return false;
  result = msg == WM_INITMENUPOPUP ? 0 : TRUE;
  return true;
}

}  // namespace pix
