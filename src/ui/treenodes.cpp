#include "ui/treenodes.h"

#include "ui/text.h"

namespace pix {

LRESULT TTreeNodes::Send(UINT msg, WPARAM wp, LPARAM lp) const {
  return tree_ ? CallWindowProcW(proc_, tree_, msg, wp, lp) : 0;
}

std::string TTreeNodes::Label(HTREEITEM node) const {
  wchar_t text[MAX_PATH * 2] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = node;
  item.pszText = text;
  item.cchTextMax = MAX_PATH * 2;
  return Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? Narrow(text) : std::string();
}

void TTreeNodes::SetLabel(HTREEITEM node, const std::string& label) const {
  std::wstring text = Widen(label);
  TVITEMW item{};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = node;
  item.pszText = text.data();
  Send(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

LPARAM TTreeNodes::Data(HTREEITEM node) const {
  if (!node) return 0;
  TVITEMA item{};
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = node;
  return Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

bool TTreeNodes::HasChildrenFlag(HTREEITEM node) const {
  TVITEMA item{};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = node;
  return Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) && item.cChildren != 0;
}

void TTreeNodes::SetHasChildrenFlag(HTREEITEM node, bool on) const {
  TVITEMA item{};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = node;
  item.cChildren = on ? 1 : 0;
  Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

bool TTreeNodes::Expanded(HTREEITEM node) const {
  return node && (Send(TVM_GETITEMSTATE, Param(node), TVIS_EXPANDED) & TVIS_EXPANDED);
}

}  // namespace pix
