// The menu bar's drop-downs and its keyboard access.
#include <utility>
#include <vector>

#include "ui/app.h"
#include "ui/handles.h"
#include "ui/menubar.h"
#include "ui/scopes.h"
#include "ui/text.h"

namespace pix {

namespace {
constexpr int kFirstId = 100;
constexpr UINT WM_RUNENTRY = WM_APP + 0x52;
constexpr UINT WM_STEPMENU = WM_APP + 0x54;

wchar_t MarkedChar(const std::wstring& s) {
  for (size_t i = 0; i + 1 < s.size(); ++i)
    if (s[i] == L'&') {
      if (s[i + 1] != L'&') return s[i + 1];
      ++i;
    }
  return 0;
}

wchar_t Upper(wchar_t c) {
  wchar_t buf[2] = {c, 0};
  CharUpperBuffW(buf, 1);
  return buf[0];
}

// A picture of an image-list image on the menu's background, for a drop-down
// entry; a quarter of its width more to its right keeps the caption off it.
TOwnedBitmap EntryBitmap(HIMAGELIST images, int index) {
  int cx = 16, cy = 16;
  ImageList_GetIconSize(images, &cx, &cy);
  TScreenDC screen;
  TMemoryDC dc(screen);
  TOwnedBitmap bmp(CreateCompatibleBitmap(screen, cx + cx / 4, cy));
  if (!bmp) return bmp;
  TSelectObject keep(dc, bmp);
  RECT r{0, 0, cx + cx / 4, cy};
  FillRect(dc, &r, GetSysColorBrush(COLOR_MENU));
  ImageList_Draw(images, index, dc, 0, 0, ILD_TRANSPARENT);
  return bmp;
}
}  // namespace

int TMenuBar::HotItem() const {
  return static_cast<int>(SendMessageA(Handle(), TB_GETHOTITEM, 0, 0));
}

// The drop-down's entries, each with its command's state and picture.
TOwnedMenu TMenuBar::BuildMenu(int index, std::vector<TOwnedBitmap>& pictures) {
  const TItem& item = items_[index];
  TOwnedMenu menu(CreatePopupMenu());
  if (!menu) return menu;
  for (size_t e = 0; e < item.entries.size(); ++e) {
    TAction* a = item.entries[e];
    if (!a) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT id = static_cast<UINT>(e + 1);
    AppendMenuA(menu, MF_STRING | (a->Enabled() ? 0 : MF_GRAYED), id, a->Caption().c_str());
    if (a->ImageIndex() >= 0 && images_) {
      pictures.emplace_back(EntryBitmap(images_, a->ImageIndex()));
      MENUITEMINFOA mi{};
      mi.cbSize = sizeof mi;
      mi.fMask = MIIM_BITMAP;
      mi.hbmpItem = pictures.back().Get();
      SetMenuItemInfoA(menu, id, FALSE, &mi);
    }
  }
  return menu;
}

namespace {
// The bar whose drop-down is open, for the menu loop's message filter.
TMenuBar* g_tracking = nullptr;
}  // namespace

// Right and Left in an open drop-down close it and move along the bar, as in
// the platform's own menu bars.
LRESULT CALLBACK TMenuBar::MenuFilter(int code, WPARAM wp, LPARAM lp) {
  auto* msg = reinterpret_cast<MSG*>(lp);
  if (code == MSGF_MENU && g_tracking && msg->message == WM_KEYDOWN &&
      (msg->wParam == VK_RIGHT || msg->wParam == VK_LEFT)) {
    g_tracking->menuStep_ = msg->wParam == VK_RIGHT ? 1 : -1;
    EndMenu();
    return TRUE;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

void TMenuBar::DropDown(int index) {
  // Opened from the keyboard, the drop-down highlights its first entry.
  bool fromKeys = keyboardMode_;
  std::vector<TOwnedBitmap> pictures;  // outlive the menu that shows them
  TOwnedMenu menu = BuildMenu(index, pictures);
  if (!menu) return;
  RECT r = ItemRect(index);
  POINT at{r.left, r.bottom};
  ClientToScreen(Handle(), &at);
  SendMessageA(Handle(), TB_PRESSBUTTON, kFirstId + index, TRUE);
  int chosen = 0;
  menuStep_ = 0;
  {
    TFlagScope dropped(inDropDown_);
    // A posted Down, which the menu's loop reads before any key typed ahead.
    // The bar never has the focus: no key of the keyboard's comes to it.
    if (fromKeys) PostMessageA(Handle(), WM_KEYDOWN, VK_DOWN, 0);
    HHOOK hook = SetWindowsHookExA(WH_MSGFILTER, MenuFilter, nullptr, GetCurrentThreadId());
    TMenuBar* outer = std::exchange(g_tracking, this);
    chosen = TrackMenu(menu, at);
    g_tracking = outer;
    if (hook) UnhookWindowsHookEx(hook);
    // Left over when no menu loop read it (a menu that failed to show).
    MSG left;
    while (PeekMessageA(&left, Handle(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) {
    }
  }
  menu.Reset();
  if (Handle()) SendMessageA(Handle(), TB_PRESSBUTTON, kFirstId + index, FALSE);
  if (menuStep_ && Handle() && chosen <= 0) {
    // On to the neighbouring item, still in keyboard mode; posted, so this
    // menu's loop has ended before the next one starts.
    keyboardMode_ = true;
    SendMessageA(Handle(), TB_SETHOTITEM, index, 0);
    PostMessageA(Handle(), WM_STEPMENU, static_cast<WPARAM>(menuStep_), 0);
    return;
  }
  LeaveKeyboardMode();
  // Run once the control has finished with the click that opened the menu.
  if (chosen > 0) PostMessageA(Handle(), WM_RUNENTRY, index, chosen - 1);
}

bool TMenuBar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_RUNENTRY) {
    size_t i = wp, e = static_cast<size_t>(lp);
    if (i < items_.size() && e < items_[i].entries.size() && items_[i].entries[e])
      items_[i].entries[e]->Run();
    return true;
  }
  if (msg == WM_STEPMENU) {
    if (!keyboardMode_) return true;
    MoveHot(static_cast<int>(wp));
    int hot = HotItem();
    if (keyboardMode_ && hot >= 0 && items_[hot].kind == TKind::DropDown) DropDown(hot);
    return true;
  }
  if (msg == kPlaceHint) {
    hintAsked_ = false;
    PlaceHint(true);
    return true;
  }
  return TControl::HandleMessage(msg, wp, lp, result);
}

bool TMenuBar::HandleReflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_COMMAND) {
    size_t i = LOWORD(wp) - kFirstId;
    if (i < items_.size() && items_[i].action) {
      LeaveKeyboardMode();
      items_[i].action->Run();
    }
    return true;
  }
  if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == TBN_DROPDOWN) {
    size_t i = reinterpret_cast<NMTOOLBARA*>(lp)->iItem - kFirstId;
    if (i < items_.size()) DropDown(static_cast<int>(i));
    result = TBDDRET_DEFAULT;
    return true;
  }
  return false;
}

// Items that Alt with `ch` names: enabled ones first, each group left to right.
std::vector<int> TMenuBar::Matches(wchar_t ch) const {
  wchar_t want = Upper(ch);
  std::vector<int> marked, leading;
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = 0; i < items_.size(); ++i) {
      const TItem& it = items_[i];
      if (!it.visible || !it.action) continue;
      if ((pass == 0) != it.action->Enabled()) continue;
      std::wstring caption = Widen(it.action->Caption());
      wchar_t mark = MarkedChar(caption);
      if (mark && Upper(mark) == want) marked.push_back(static_cast<int>(i));
      if (!mark && !caption.empty() && Upper(caption[0]) == want)
        leading.push_back(static_cast<int>(i));
    }
  return marked.empty() ? leading : marked;
}

void TMenuBar::AltChar(wchar_t ch) {
  std::vector<int> found = Matches(ch);
  if (found.empty() || !ShownEnabled(found[0])) {
    Beep();
    return;
  }
  if (found.size() > 1) {
    EnterKeyboardMode(found[0]);
    return;
  }
  UseItem(found[0]);
}

void TMenuBar::UseItem(int index) {
  const TItem& item = items_[index];
  if (item.kind == TKind::DropDown) {
    EnterKeyboardMode(index);
    DropDown(index);
  } else if (item.action) {
    LeaveKeyboardMode();
    item.action->Run();
  }
}

// The control refuses to highlight a greyed item: the bar never stays in
// keyboard mode with nothing outlined, swallowing keys.
void TMenuBar::EnterKeyboardMode(int hot) {
  keyboardMode_ = true;
  SendMessageA(Handle(), TB_SETHOTITEM, hot, 0);
  if (HotItem() < 0) LeaveKeyboardMode();
}

void TMenuBar::LeaveKeyboardMode() {
  if (!keyboardMode_) return;
  keyboardMode_ = false;
  if (Handle()) SendMessageA(Handle(), TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
}

void TMenuBar::CancelKeyboard() {
  altAlone_ = false;
  LeaveKeyboardMode();
}

bool TMenuBar::Usable(int index) const {
  const TItem& it = items_[index];
  return it.visible && it.kind != TKind::Separator && ShownEnabled(index);
}

// The next item that can be used, greyed ones skipped, wrapping round.
void TMenuBar::MoveHot(int step) {
  int n = static_cast<int>(items_.size());
  int from = HotItem();
  if (from < 0) from = step > 0 ? n - 1 : 0;
  for (int k = 1; k <= n; ++k) {
    int at = ((from + k * step) % n + n) % n;
    if (Usable(at)) {
      EnterKeyboardMode(at);
      return;
    }
  }
  LeaveKeyboardMode();
}

// The character a key press would type, after the platform's translation.
static wchar_t TypedChar(const MSG& msg) {
  MSG copy = msg;
  TranslateMessage(&copy);
  MSG ch;
  UINT first = msg.message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  if (PeekMessageW(&ch, msg.hwnd, first, first, PM_REMOVE)) return static_cast<wchar_t>(ch.wParam);
  return 0;
}

bool TMenuBar::KeyInMode(MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) {
    if ((msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) && msg.wParam == VK_MENU &&
        altAlone_) {
      altAlone_ = false;
      LeaveKeyboardMode();
    }
    return true;  // every key belongs to the bar while it is in keyboard mode
  }
  altAlone_ = msg.wParam == VK_MENU;
  int hot = HotItem();
  if (hot < 0) {
    // Nothing outlined (the item was greyed meanwhile): the key goes on as usual.
    LeaveKeyboardMode();
    return PreTranslate(msg);
  }
  switch (msg.wParam) {
    case VK_LEFT:
      MoveHot(-1);
      break;
    case VK_RIGHT:
      MoveHot(1);
      break;
    case VK_ESCAPE:
    case VK_F10:
      LeaveKeyboardMode();
      break;
    case VK_RETURN:
    case VK_SPACE:
    case VK_DOWN:
    case VK_UP:
      if (hot >= 0 && ShownEnabled(hot)) UseItem(hot);
      break;
    case VK_MENU:
      break;
    default:
      if (wchar_t ch = TypedChar(msg); ch >= L' ') AltChar(ch);
  }
  return true;
}

// Alt held with another key: Space, "-" and keys that type nothing go on as
// usual (system menu, Alt+F4); a character looks for its item.
bool TMenuBar::AltKey(MSG& msg) {
  MSG copy = msg;
  TranslateMessage(&copy);
  MSG ch;
  if (!PeekMessageW(&ch, msg.hwnd, WM_SYSCHAR, WM_SYSCHAR, PM_REMOVE)) return false;
  wchar_t c = static_cast<wchar_t>(ch.wParam);
  // The loop translates the key again, and the window opens its system menu.
  // Keys that type a control character (Alt+Tab, Alt+Enter, Alt+Backspace) name
  // no item either: they go on as usual.
  if (c <= L' ' || c == L'-') return false;
  AltChar(c);
  return true;
}

bool TMenuBar::PreTranslate(MSG& msg) {
  if (!Handle() || GetAncestor(msg.hwnd, GA_ROOT) != GetAncestor(Handle(), GA_ROOT)) return false;
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) {
    LeaveKeyboardMode();  // a click anywhere ends keyboard mode
    return false;
  }
  if (keyboardMode_) return KeyInMode(msg);
  bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
  if (down) {
    bool repeat = (msg.lParam & (1 << 30)) != 0;
    if (msg.wParam == VK_MENU) {
      if (!repeat) altAlone_ = true;
      return false;
    }
    altAlone_ = false;
    bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
    if (msg.wParam == VK_F10 && !ctrl && !shift) {
      EnterKeyboardMode(0);
      return true;
    }
    if (msg.message == WM_SYSKEYDOWN && GetKeyState(VK_MENU) < 0 && !ctrl) return AltKey(msg);
    return false;
  }
  if ((msg.message == WM_SYSKEYUP || msg.message == WM_KEYUP) && msg.wParam == VK_MENU &&
      altAlone_) {
    altAlone_ = false;
    EnterKeyboardMode(0);
    return true;  // or the window would open its system menu
  }
  return false;
}

}  // namespace pix
