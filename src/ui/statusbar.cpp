#include "ui/statusbar.h"

#include <commctrl.h>

#include "ui/handles.h"
#include "ui/pathtext_core.h"
#include "ui/text.h"

namespace pix {

void TStatusBar::Create(HWND parent, const TStatusBarArgs& a) {
  Dock(a.dock);
  CreateStandard(STATUSCLASSNAMEA, "",
                 WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE, 0,
                 parent, {0, 0, 100, a.dock.height});
  pathPanel_ = a.pathPanel;
  SetLayout(a.dock.height, a.edges);
}

void TStatusBar::SetLayout(int height, const std::vector<int>& edges) {
  DockHeight = height;
  edges_ = edges;
  std::vector<int> parts(edges);
  parts.push_back(-1);
  SendMessageA(Handle(), SB_SETPARTS, parts.size(), reinterpret_cast<LPARAM>(parts.data()));
  panels_ = static_cast<int>(parts.size());
  FitPathPanel();
}

void TStatusBar::SetShown(int panel, const std::string& text) {
  if (ShownText(panel) == text) return;  // a picture of the same size: nothing to draw
  // A leading tab centres the text in its panel.
  std::string centred = "\t" + text;
  // The control draws a changed panel at once, a few milliseconds each; a
  // step's three changes are drawn with the next paint instead. A hidden bar
  // has nothing to draw and must stay hidden (redrawing on would show it).
  HWND bar = Handle();
  bool shown = GetWindowLongPtrA(bar, GWL_STYLE) & WS_VISIBLE;
  // Holding the drawing throws away what was waiting to be drawn (another
  // panel, the whole bar after a resize): kept here and asked for again.
  TOwnedRegion waiting(shown ? CreateRectRgn(0, 0, 0, 0) : nullptr);
  bool anyWaiting = waiting && GetUpdateRgn(bar, waiting, FALSE) > NULLREGION;
  if (shown) SendMessageA(bar, WM_SETREDRAW, FALSE, 0);
  SendMessageA(bar, SB_SETTEXTA, static_cast<WPARAM>(panel),
               reinterpret_cast<LPARAM>(centred.c_str()));
  if (!shown) return;
  SendMessageA(bar, WM_SETREDRAW, TRUE, 0);
  if (anyWaiting) InvalidateRgn(bar, waiting, TRUE);
  RECT r{};
  if (SendMessageA(bar, SB_GETRECT, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(&r)))
    InvalidateRect(bar, &r, FALSE);
}

void TStatusBar::SetPanelText(int panel, const std::string& text) {
  if (panel < 0 || panel >= panels_) return;
  if (panel != pathPanel_) return SetShown(panel, text);
  path_ = text;
  FitPathPanel();
}

void TStatusBar::FitPathPanel() {
  if (pathPanel_ < 0 || pathPanel_ >= panels_ || !Handle()) return;
  // The panel's extent from its edges, not from the control: with CCS_NORESIZE
  // some versions of the control keep the last panel's old width after a resize.
  int left = pathPanel_ > 0 ? edges_[pathPanel_ - 1] : 0;
  int right =
      pathPanel_ < static_cast<int>(edges_.size()) ? edges_[pathPanel_] : ClientRect().right;
  // The control keeps a border and a little margin inside each panel; the last
  // panel also gives room to the size grip.
  int room = right - left - 4 * GetSystemMetrics(SM_CXEDGE);
  if (pathPanel_ == panels_ - 1) room -= GetSystemMetrics(SM_CXVSCROLL);
  TWindowDC dc(Handle());
  TSelectObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(Handle(), WM_GETFONT, 0, 0)));
  auto fits = [&](const std::string& s) {
    std::wstring w = Widen(s);
    SIZE size{};
    GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
    return size.cx <= room;
  };
  std::string shown = ShortenPathMiddle(path_, fits);
  SetShown(pathPanel_, shown);
  PlacePathTip(shown != path_);
}

// Windows shows the control's own panel tips only for a panel whose text is
// cut, and the path is shortened to fit, never cut: a tooltip of the bar's own
// covers the path panel while its path is shortened.
void TStatusBar::PlacePathTip(bool shortened) {
  if (!tip_ && !shortened) return;
  std::wstring text = Widen(path_);
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_SUBCLASS;
  ti.hwnd = Handle();
  ti.uId = 1;
  ti.lpszText = text.data();
  // An empty rectangle is never pointed at.
  if (shortened) SendMessageA(Handle(), SB_GETRECT, pathPanel_, reinterpret_cast<LPARAM>(&ti.rect));
  if (!tip_) {
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                           WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, nullptr, nullptr);
    if (!tip_) return;  // no tip, the path is still there shortened
    SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN));
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  } else {
    SendMessageW(tip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  SendMessageW(tip_, TTM_ACTIVATE, shortened, 0);
}

void TStatusBar::SetBounds(const TRect& r) {
  TControl::SetBounds(r);
  // The parts again, so that the control measures the last one to its new right
  // edge (with CCS_NORESIZE some versions don't on a resize).
  std::vector<int> parts(edges_);
  parts.push_back(-1);
  SendMessageA(Handle(), SB_SETPARTS, parts.size(), reinterpret_cast<LPARAM>(parts.data()));
  FitPathPanel();
  // All of it drawn again: the platform keeps the pixels of a resized window,
  // and the last panel's centred text moves with the bar's width.
  InvalidateRect(Handle(), nullptr, TRUE);
}

std::string TStatusBar::PanelText(int panel) const {
  if (panel == pathPanel_) return path_;
  return ShownText(panel);
}

std::string TStatusBar::ShownText(int panel) const {
  if (panel < 0 || panel >= panels_) return std::string();
  // Read back from the control, so tests see what the user sees. In UTF-16:
  // the control may count its text in characters for either kind of message,
  // and a Cyrillic path takes twice as many bytes.
  LRESULT len = SendMessageW(Handle(), SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel), 0);
  std::wstring w(LOWORD(len) + 1, L'\0');
  SendMessageW(Handle(), SB_GETTEXTW, static_cast<WPARAM>(panel),
               reinterpret_cast<LPARAM>(w.data()));
  w.resize(LOWORD(len));
  if (!w.empty() && w[0] == L'\t') w.erase(0, 1);
  return Narrow(w);
}

std::string TStatusBar::TipText(int panel) const {
  if (panel != pathPanel_ || !tip_) return std::string();
  std::wstring w(path_.size() * 2 + 2, L'\0');
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.hwnd = Handle();
  ti.uId = 1;
  if (!SendMessageW(tip_, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&ti)) ||
      IsRectEmpty(&ti.rect))
    return std::string();
  ti.lpszText = w.data();
  SendMessageW(tip_, TTM_GETTEXTW, w.size(), reinterpret_cast<LPARAM>(&ti));
  w.resize(wcsnlen(w.c_str(), w.size()));
  return Narrow(w);
}

}  // namespace pix
