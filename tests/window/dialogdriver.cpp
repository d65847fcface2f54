#include "dialogdriver.h"

#include <commctrl.h>
#include <dlgs.h>

#include <atomic>
#include <thread>

#include "ui/app.h"
#include "ui/text.h"

namespace pixtest {

namespace {
bool Poll(const std::function<bool()>& done, int ms) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  for (;;) {
    if (done()) return true;
    if (static_cast<int>(end - GetTickCount()) <= 0) return false;
    Sleep(20);
  }
}

struct Find {
  std::wstring title;
  const char* cls;
  HWND found = nullptr;
};

BOOL CALLBACK FindTop(HWND w, LPARAM p) {
  auto* f = reinterpret_cast<Find*>(p);
  char cls[64] = {};
  wchar_t text[256] = {};
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextW(w, text, 256);
  if (IsWindowVisible(w) && f->title == text && std::string(cls) == f->cls) {
    f->found = w;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindChild(HWND w, LPARAM p) {
  auto* f = reinterpret_cast<Find*>(p);
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (lstrcmpiA(cls, f->cls) == 0) {
    f->found = w;
    return FALSE;
  }
  return TRUE;
}

HWND NameEdit(HWND dlg) {
  HWND combo = GetDlgItem(dlg, cmb13);
  if (combo) {
    HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
    return edit ? edit : combo;
  }
  return GetDlgItem(dlg, edt1);
}
}  // namespace

std::string DialogUser::Text(HWND w) {
  wchar_t text[1024] = {};
  GetWindowTextW(w, text, 1024);
  return pix::Narrow(text);
}

void DialogUser::Type(const std::string& text) const {
  SendMessageW(NameEdit(dlg_), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pix::Widen(text).c_str()));
}

std::string DialogUser::NameBox() const {
  return Text(NameEdit(dlg_));
}

void DialogUser::Enter() const {
  PostMessageA(dlg_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg_, IDOK)));
}

void DialogUser::Cancel() const {
  PostMessageA(dlg_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg_, IDCANCEL)));
}

HWND DialogUser::FileView() const {
  Find f{L"", "SysListView32"};
  EnumChildWindows(dlg_, FindChild, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

int DialogUser::FindItem(HWND view, const std::string& name) const {
  int n = static_cast<int>(SendMessageW(view, LVM_GETITEMCOUNT, 0, 0));
  std::wstring want = pix::Widen(name);
  // The view may hide known extensions: the bare name counts too.
  std::wstring bare = want.substr(0, want.rfind(L'.'));
  for (int i = 0; i < n; ++i) {
    wchar_t text[MAX_PATH] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageW(view, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
    if (want == text || bare == text) return i;
  }
  return -1;
}

bool DialogUser::WaitListed(const std::string& name) const {
  HWND view = nullptr;
  return Poll([&] { return (view = FileView()) && FindItem(view, name) >= 0; }, 5000);
}

bool DialogUser::Select(const std::string& name) const {
  int index = -1;
  HWND view = nullptr;
  if (!Poll([&] { return (view = FileView()) && (index = FindItem(view, name)) >= 0; }, 5000))
    return false;
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageW(view, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  LVITEMW item{};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(view, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
  return true;
}

std::string DialogUser::WaitLabel(const std::string& text, int ms) const {
  std::string last;
  Poll([&] { return (last = Label()) == text; }, ms);
  return last;
}

bool DialogUser::WaitClosed(int ms) const {
  return Poll([&] { return !IsWindow(dlg_) || !IsWindowVisible(dlg_); }, ms);
}

bool DriveDialog(const std::string& title, HWND label, HWND paintPanel,
                 const std::function<void()>& show,
                 const std::function<void(const DialogUser&)>& steps) {
  std::atomic<bool> appeared{false}, shown{false};
  std::thread user([&] {
    Find f{pix::Widen(title), "#32770"};
    auto up = [&] {
      f.found = nullptr;
      EnumWindows(FindTop, reinterpret_cast<LPARAM>(&f));
      return f.found != nullptr;
    };
    if (!Poll([&] { return up() || shown; }, 20000) || !f.found) return;
    appeared = true;
    DialogUser u(f.found, label, paintPanel);
    steps(u);
    if (!u.WaitClosed(1000)) {
      u.Cancel();
      u.WaitClosed(5000);
    }
  });
  show();
  shown = true;
  user.join();
  return appeared;
}

}  // namespace pixtest
