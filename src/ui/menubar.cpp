#include "ui/menubar.h"

#include <algorithm>

#include "ui/app.h"
#include "ui/handles.h"

namespace pix {

namespace {
constexpr int kFirstId = 100;  // toolbar command id of item 0

std::vector<TMenuBar*>& Bars() {
  static std::vector<TMenuBar*> bars;
  return bars;
}

}  // namespace

TMenuBar::~TMenuBar() {
  std::erase(Bars(), this);
  for (TItem& item : items_)
    if (item.action) item.action->Unsubscribe(this);
}

void TMenuBar::Create(HWND parent, const TMenuBarArgs& a) {
  Dock(a.dock);
  minHeight_ = a.dock.height;
  images_ = a.images;
  Beep = [] { MessageBeep(0); };
  TrackMenu = [this](HMENU menu, POINT at) {
    return static_cast<int>(TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, at.x,
                                           at.y, 0, Handle(), nullptr));
  };
  // No grip, no divider, and the bar places itself only where the form docks it.
  CreateStandard(TOOLBARCLASSNAME, "",
                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                     CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                 0, parent, {0, 0, 100, a.dock.height});
  SendMessageA(Handle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(Handle(), TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  SendMessageA(Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(a.images));
  Bars().push_back(this);
}

void TMenuBar::AddItem(TItem item) {
  int index = static_cast<int>(items_.size());
  items_.push_back(std::move(item));
  const TItem& it = items_.back();
  TBBUTTON b{};
  b.idCommand = kFirstId + index;
  b.iBitmap = I_IMAGENONE;
  b.fsState = it.visible ? TBSTATE_ENABLED : TBSTATE_ENABLED | TBSTATE_HIDDEN;
  b.iString = -1;
  if (it.kind == TKind::Separator) {
    b.fsStyle = BTNS_SEP;
    b.iBitmap = 6;
  } else if (it.kind == TKind::DropDown) {
    b.fsStyle = BTNS_WHOLEDROPDOWN | BTNS_AUTOSIZE;
    b.iBitmap = it.imageIndex;
  } else {
    b.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_NOPREFIX;
  }
  SendMessageA(Handle(), TB_INSERTBUTTONA, index, reinterpret_cast<LPARAM>(&b));
  if (it.action) {
    it.action->Subscribe(this, [this, index](TAction&) { Present(index); });
    Present(index);
  }
  Relayout();
}

void TMenuBar::AddButton(const std::string& name, TAction& action, const std::string& hint) {
  AddItem({name, TKind::Button, &action, -1, {}, hint, true});
  if (!hint.empty()) PlaceHint();
}

void TMenuBar::AddDropDown(const std::string& name, int imageIndex, std::vector<TAction*> entries) {
  AddItem({name, TKind::DropDown, nullptr, imageIndex, std::move(entries), "", true});
}

void TMenuBar::AddSeparator() {
  AddItem({"", TKind::Separator, nullptr, -1, {}, "", true});
}

void TMenuBar::SetItemVisible(const std::string& name, bool visible) {
  int i = IndexOf(name);
  if (i < 0 || items_[i].visible == visible) return;
  items_[i].visible = visible;
  SendMessageA(Handle(), TB_HIDEBUTTON, kFirstId + i, !visible);
  Relayout();
}

void TMenuBar::SetMinHeight(int minHeight) {
  minHeight_ = minHeight;
  DockHeight = std::max(DockHeight, minHeight);
  Relayout();
}

void TMenuBar::SetImages(HIMAGELIST images) {
  images_ = images;
  // The control takes its button size from the list's images.
  SendMessageA(Handle(), TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  int cx = 16, cy = 16;
  if (images) ImageList_GetIconSize(images, &cx, &cy);
  SendMessageA(Handle(), TB_SETBITMAPSIZE, 0, MAKELPARAM(cx, cy));
  Relayout();
}

int TMenuBar::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].name == name) return static_cast<int>(i);
  return -1;
}

// A command's caption, image and state, copied onto its button.
void TMenuBar::Present(int index) {
  TAction& a = *items_[index].action;
  std::string text = a.Caption();
  TBBUTTONINFOA bi{};
  bi.cbSize = sizeof bi;
  bi.dwMask = TBIF_TEXT | TBIF_IMAGE | TBIF_STATE;
  bi.pszText = text.data();
  bi.iImage = a.ImageIndex() < 0 ? I_IMAGENONE : a.ImageIndex();
  bi.fsState = static_cast<BYTE>((a.Enabled() ? TBSTATE_ENABLED : 0) |
                                 (items_[index].visible ? 0 : TBSTATE_HIDDEN));
  SendMessageA(Handle(), TB_SETBUTTONINFOA, kFirstId + index, reinterpret_cast<LPARAM>(&bi));
  Relayout();
}

std::string TMenuBar::ShownCaption(int index) const {
  char buf[256] = {};
  TBBUTTONINFOA bi{};
  bi.cbSize = sizeof bi;
  bi.dwMask = TBIF_TEXT;
  bi.pszText = buf;
  bi.cchText = sizeof buf;
  SendMessageA(Handle(), TB_GETBUTTONINFOA, kFirstId + index, reinterpret_cast<LPARAM>(&bi));
  return buf;
}

int TMenuBar::ShownImage(int index) const {
  TBBUTTONINFOA bi{};
  bi.cbSize = sizeof bi;
  bi.dwMask = TBIF_IMAGE;
  SendMessageA(Handle(), TB_GETBUTTONINFOA, kFirstId + index, reinterpret_cast<LPARAM>(&bi));
  return bi.iImage == I_IMAGENONE ? -1 : bi.iImage;
}

bool TMenuBar::ShownEnabled(int index) const {
  return SendMessageA(Handle(), TB_ISBUTTONENABLED, kFirstId + index, 0) != 0;
}

RECT TMenuBar::ItemRect(int index) const {
  RECT r{};
  SendMessageA(Handle(), TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
  return r;
}

// Lowest edge of the visible buttons as the control has wrapped them.
int TMenuBar::RowsHeight() const {
  int bottom = 0;
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].visible) bottom = std::max<int>(bottom, ItemRect(static_cast<int>(i)).bottom);
  return bottom;
}

void TMenuBar::SetButtonWidth(int index, int width) {
  TBBUTTONINFOA bi{};
  bi.cbSize = sizeof bi;
  bi.dwMask = TBIF_SIZE;
  bi.cx = static_cast<WORD>(width);
  SendMessageA(Handle(), TB_SETBUTTONINFOA, kFirstId + index, reinterpret_cast<LPARAM>(&bi));
}

// Each button is given the width its image and caption take, and the rows are
// broken here: the control's own wrapping (Wine's) measures every button as the
// widest and keeps one row too long, cutting the last items off at the edge.
// A separator where a row breaks is hidden: it would only push the row along.
void TMenuBar::FixButtonWidths() {
  int n = static_cast<int>(items_.size());
  for (int i = 0; i < n; ++i) {
    SetWrap(i, false);
    if (items_[i].kind == TKind::Separator)
      SendMessageA(Handle(), TB_HIDEBUTTON, kFirstId + i, !items_[i].visible);
    else
      SetButtonWidth(i, 0);
  }
  SendMessageA(Handle(), TB_AUTOSIZE, 0, 0);
  int indent = -1, x = 0, last = -1;  // x along the row; the last button on it
  std::vector<int> between;           // separators since that button
  for (int i = 0; i < n; ++i) {
    if (!items_[i].visible) continue;
    RECT r = ItemRect(i);
    int width = r.right - r.left;
    if (indent < 0) x = indent = r.left;
    if (items_[i].kind == TKind::Separator) {
      between.push_back(i);
      x += width;
      continue;
    }
    SetButtonWidth(i, width);
    if (last >= 0 && x + width > width_) {
      SetWrap(last, true);
      for (int sep : between) SendMessageA(Handle(), TB_HIDEBUTTON, kFirstId + sep, TRUE);
      x = indent;
    }
    between.clear();
    x += width;
    last = i;
  }
  SendMessageA(Handle(), TB_AUTOSIZE, 0, 0);
}

void TMenuBar::SetWrap(int index, bool wrap) {
  LRESULT state = SendMessageA(Handle(), TB_GETSTATE, kFirstId + index, 0);
  if (state < 0 || ((state & TBSTATE_WRAP) != 0) == wrap) return;
  state = wrap ? state | TBSTATE_WRAP : state & ~TBSTATE_WRAP;
  SendMessageA(Handle(), TB_SETSTATE, kFirstId + index, MAKELPARAM(state, 0));
}

void TMenuBar::PrepareDock(const TRect& client) {
  width_ = client.Width();
  SetWindowPos(Handle(), nullptr, 0, 0, width_, std::max(DockHeight, 1),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  FixButtonWidths();
  DockHeight = std::max(minHeight_, RowsHeight() + 2);
  PlaceHint();  // the item with the hint may have moved to another row
}

// A caption or a visibility changed: the rows may have changed, and with them
// the height the bar needs.
void TMenuBar::Relayout() {
  if (!width_) return;
  int before = DockHeight;
  TRect r{0, 0, width_, DockHeight};
  PrepareDock(r);
  if (DockHeight != before)
    if (TControl* parent = FromHandle(GetParent(Handle()))) parent->Realign();
}

// The one tool of the hint window covers the item that has a hint.
void TMenuBar::PlaceHint(bool now) {
  if (!tooltip_ && !now && !IsWindowVisible(Handle())) {
    if (!hintAsked_) hintAsked_ = PostMessageA(Handle(), kPlaceHint, 0, 0);
    return;
  }
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].hint.empty()) continue;
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = Handle();
    ti.uId = i + 1;
    ti.rect = ItemRect(static_cast<int>(i));
    ti.lpszText = items_[i].hint.data();
    if (!tooltip_) {
      tooltip_.Reset(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                     WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                     Application().Instance(), nullptr));
      SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    } else {
      SendMessageA(tooltip_, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
    }
  }
}

void TMenuBar::UpdateActions() {
  for (TItem& item : items_) {
    if (!item.visible) continue;
    if (item.action) item.action->Update();
    for (TAction* entry : item.entries)
      if (entry) entry->Update();
  }
}

void RefreshMenuBars() {
  auto bars = Bars();  // an update handler might create or destroy a bar
  for (TMenuBar* bar : bars) {
    HWND w = bar->Handle();
    HWND root = w ? GetAncestor(w, GA_ROOT) : nullptr;
    if (root && IsWindowVisible(root) && IsWindowEnabled(root) && IsWindowVisible(w))
      bar->UpdateActions();
  }
}

}  // namespace pix
