#include "ui/statusbar.h"

#include <commctrl.h>

#include "ui/text.h"

namespace pix {

void TStatusBar::Create(HWND parent, const TStatusBarArgs& a) {
  Dock({.in = a.in, .align = TAlign::Bottom, .height = a.height});
  CreateStandard(STATUSCLASSNAMEA, "",
                 WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE, 0,
                 parent, {0, 0, 100, a.height});
  SetLayout(a.height, a.edges);
}

void TStatusBar::SetLayout(int height, const std::vector<int>& edges) {
  DockHeight = height;
  std::vector<int> parts(edges);
  parts.push_back(-1);
  SendMessageA(Handle(), SB_SETPARTS, parts.size(), reinterpret_cast<LPARAM>(parts.data()));
  panels_ = static_cast<int>(parts.size());
}

void TStatusBar::SetPanelText(int panel, const std::string& text) {
  if (panel < 0 || panel >= panels_) return;
  // A leading tab centres the text in its panel.
  std::string centred = "\t" + text;
  SendMessageA(Handle(), SB_SETTEXTA, static_cast<WPARAM>(panel),
               reinterpret_cast<LPARAM>(centred.c_str()));
}

std::string TStatusBar::PanelText(int panel) const {
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

}  // namespace pix
