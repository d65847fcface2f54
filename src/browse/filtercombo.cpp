#include "browse/filtercombo.h"

#include <algorithm>

#include "browse/filelist.h"
#include "ui/handles.h"
#include "ui/text.h"

namespace pix {

namespace {
// Room for the open drop-down list below the closed box.
constexpr int kDropDownItems = 8;

}  // namespace

TFilterComboBox::~TFilterComboBox() {
  if (list_) list_->filter_ = nullptr;
  DestroyHandle();
}

void TFilterComboBox::Create(HWND parent, const TFilterComboBoxArgs& a) {
  Dock(a.dock);
  TRect r = CreationBounds(a.dock, a.bounds);
  height_ = r.Height();
  TRect full = r;
  full.bottom = r.top + height_ * (kDropDownItems + 1);
  CreateStandard("COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
                 0, parent, full, a.id);
  fontField_ =
      static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  BuildEntries();
}

void TFilterComboBox::ApplyHeight() {
  if (!Handle()) return;
  // The closed box is its selection field plus a frame whose size the platform
  // decides: set the field, measure the box, correct. The field never gets less
  // than the control's own for the font (Wine would cut the descenders off):
  // the box then grows past its height.
  int field = height_ - 6;
  for (int attempt = 0; attempt < 3 && field > 0; ++attempt) {
    field = std::max(field, fontField_);
    SendMessageA(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    RECT wr;
    GetWindowRect(Handle(), &wr);
    int diff = height_ - (wr.bottom - wr.top);
    if (diff == 0) break;
    field += diff;
  }
  // The open list as wide as its widest entry, so each reads whole.
  TWindowDC dc(Handle());
  TSelectObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(Handle(), WM_GETFONT, 0, 0)));
  int widest = 0;
  for (int i = 0; i < Count(); ++i) {
    std::wstring w = Widen(Item(i));
    SIZE size{};
    GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
    widest = std::max<int>(widest, size.cx);
  }
  int room = widest + GetSystemMetrics(SM_CXVSCROLL) + 4 * GetSystemMetrics(SM_CXEDGE) + 4;
  SendMessageA(Handle(), CB_SETDROPPEDWIDTH, room, 0);
}

void TFilterComboBox::SetBounds(const TRect& r) {
  if (!Handle()) return;
  if (r.Height() > 0) height_ = r.Height();  // another density brings another height
  MoveWindow(Handle(), r.left, r.top, r.Width(), height_ * (kDropDownItems + 1), TRUE);
  ApplyHeight();
}

void TFilterComboBox::BuildEntries() {
  entries_ = ParseFilter(filter_);
  if (!Handle()) return;
  SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
  for (const TFilterEntry& e : entries_)
    SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.description.c_str()));
  SetItemIndex(0);
  ApplyHeight();  // the drop-down's width, for these entries
}

void TFilterComboBox::SetFilter(const std::string& filter) {
  if (SameTextIgnoringCase(filter, filter_)) return;
  filter_ = filter;
  if (Handle()) BuildEntries();
  if (list_) list_->SetMask(Mask());
}

void TFilterComboBox::SetFileList(TFileListBox* list) {
  if (list_) list_->filter_ = nullptr;
  list_ = list;
  if (list_) list_->filter_ = this;
}

std::string TFilterComboBox::Mask() {
  if (ItemIndex() < 0 && Count() > 0) SetItemIndex(Count() - 1);
  return FilterPatterns(entries_, ItemIndex());
}

int TFilterComboBox::Count() const {
  return Handle() ? static_cast<int>(SendMessageA(Handle(), CB_GETCOUNT, 0, 0)) : 0;
}

std::string TFilterComboBox::Item(int index) const {
  LRESULT n = SendMessageA(Handle(), CB_GETLBTEXTLEN, index, 0);
  if (n == CB_ERR) return std::string();
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = SendMessageA(Handle(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(s.data()));
  s.resize(n == CB_ERR ? 0 : static_cast<size_t>(n));
  return s;
}

int TFilterComboBox::ItemIndex() const {
  return Handle() ? static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0)) : -1;
}

void TFilterComboBox::SetItemIndex(int index) {
  if (Handle()) SendMessageA(Handle(), CB_SETCURSEL, index, 0);
}

void TFilterComboBox::Chosen() {
  if (list_) list_->SetMask(Mask());
  if (OnChange) OnChange();
}

bool TFilterComboBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_SETFONT) {
    // A new font resizes the selection field; keep the box's height.
    result = DefaultProc(msg, wp, lp);
    fontField_ =
        static_cast<int>(SendMessageA(Handle(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    ApplyHeight();
    return true;
  }
  return TControl::HandleMessage(msg, wp, lp, result);
}

bool TFilterComboBox::HandleReflected(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg == WM_COMMAND && HIWORD(wp) == CBN_SELCHANGE) {
    Chosen();
    result = 0;
    return true;
  }
  return false;
}

}  // namespace pix
