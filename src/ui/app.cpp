#include "ui/app.h"

#include <vector>

#include "ui/errors.h"
#include "ui/form.h"
#include "ui/handles.h"

namespace pix {

TApplication& Application() {
  static TApplication app;
  return app;
}

struct TApplication::SyncCall {
  enum State { Waiting, Running, Ran, Cancelled };
  std::function<void()> fn;
  TOwnedHandle done{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  State state = Waiting;  // under syncLock_
};

namespace {
constexpr UINT WM_SYNC = WM_APP + 0x51;
}

TApplication::TApplication()
    : instance_(GetModuleHandleA(nullptr)), uiThread_(GetCurrentThreadId()) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = SyncProc;
  wc.hInstance = instance_;
  wc.lpszClassName = "PixlumenSync";
  RegisterClassExA(&wc);
  // Message-only: never shown, never enumerated with the program's windows.
  syncWindow_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                instance_, nullptr);
}

LRESULT CALLBACK TApplication::SyncProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_SYNC) return DefWindowProcA(wnd, msg, wp, lp);
  Application().RunSyncCalls();
  return 0;
}

void TApplication::RunSyncCalls() {
  for (;;) {
    std::shared_ptr<SyncCall> call;
    {
      std::lock_guard<std::mutex> lock(syncLock_);
      if (syncQueue_.empty()) return;
      call = syncQueue_.front();
      syncQueue_.pop_front();
      call->state = SyncCall::Running;
    }
    try {
      call->fn();
    } catch (...) {
      HandleException();
    }
    std::lock_guard<std::mutex> lock(syncLock_);
    call->state = SyncCall::Ran;
    SetEvent(call->done);
  }
}

bool TApplication::Synchronize(const std::function<void()>& fn, HANDLE stop) {
  if (GetCurrentThreadId() == uiThread_) {
    fn();
    return true;
  }
  auto call = std::make_shared<SyncCall>();
  call->fn = fn;
  if (!call->done) return false;
  {
    std::lock_guard<std::mutex> lock(syncLock_);
    if (syncClosed_ || !syncWindow_) return false;
    syncQueue_.push_back(call);
  }
  PostMessageA(syncWindow_, WM_SYNC, 0, 0);  // one wake-up may serve several calls
  HANDLE waits[2] = {call->done, stop};
  DWORD got = WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, INFINITE);
  {
    std::lock_guard<std::mutex> lock(syncLock_);
    if (got != WAIT_OBJECT_0 && call->state == SyncCall::Waiting) {
      call->state = SyncCall::Cancelled;
      for (auto it = syncQueue_.begin(); it != syncQueue_.end(); ++it)
        if (*it == call) {
          syncQueue_.erase(it);
          break;
        }
      return false;
    }
    if (call->state == SyncCall::Ran) return true;
    if (call->state == SyncCall::Cancelled) return false;
  }
  // Stopped while the call runs: it finishes first, as it holds our captures.
  WaitForSingleObject(call->done, INFINITE);
  std::lock_guard<std::mutex> lock(syncLock_);
  return call->state == SyncCall::Ran;
}

size_t TApplication::PendingSynchronize() {
  std::lock_guard<std::mutex> lock(syncLock_);
  return syncQueue_.size();
}

void TApplication::CancelSynchronize() {
  std::lock_guard<std::mutex> lock(syncLock_);
  for (auto& call : syncQueue_) {
    call->state = SyncCall::Cancelled;
    SetEvent(call->done);
  }
  syncQueue_.clear();
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
}

void TApplication::Terminate() {
  terminated_ = true;
  {
    std::lock_guard<std::mutex> lock(syncLock_);
    syncClosed_ = true;
  }
  CancelSynchronize();
  PostQuitMessage(0);
}

bool TApplication::ProcessMessage(MSG& msg) {
  // A Unicode window (the tree's label editor) gets its message in UTF-16: an
  // ANSI retrieval would pass typed characters through a conversion that need
  // not be UTF-8, losing what it can't represent.
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) return false;
  bool wide = msg.hwnd && IsWindowUnicode(msg.hwnd);
  if (!(wide ? PeekMessageW : PeekMessageA)(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  try {
    unsigned modal = modalRuns_;
    if (OnMessage && OnMessage(msg)) return true;
    if (TForm::PreTranslate(msg)) return true;
    // A key that opened a modal window (Ctrl+O, Ctrl+F) is translated only now,
    // when its modifiers have long been released: it would type its bare letter
    // into the control that gets the focus back. It goes on untranslated.
    if (modalRuns_ == modal) TranslateMessage(&msg);
    if (wide)
      DispatchMessageW(&msg);
    else
      DispatchMessageA(&msg);
  } catch (...) {
    HandleException();
  }
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::Idle() {
  try {
    if (OnIdle) OnIdle();
  } catch (...) {
    HandleException();
  }
}

void TApplication::Run() {
  MSG msg;
  while (!terminated_) {
    if (!ProcessMessage(msg)) {
      Idle();
      if (!terminated_) WaitMessage();
    }
  }
}

namespace {
struct DisabledWindows {
  HWND keep;
  std::vector<HWND>* list;
};

BOOL CALLBACK DisableOne(HWND wnd, LPARAM param) {
  auto* d = reinterpret_cast<DisabledWindows*>(param);
  if (wnd != d->keep && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
    try {
      d->list->push_back(wnd);
    } catch (...) {
      return FALSE;  // out of memory: leave the rest enabled rather than lose track
    }
    EnableWindow(wnd, FALSE);
  }
  return TRUE;
}
}  // namespace

TModalScope::TModalScope(HWND keep) : active_(GetActiveWindow()), focus_(GetFocus()) {
  Application().NoteModalRun();
  DisabledWindows d{keep, &disabled_};
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&d));
}

TModalScope::~TModalScope() {
  EnableWindows();
  RestoreFocus();
}

void TModalScope::EnableWindows() {
  if (enabled_) return;
  enabled_ = true;
  for (HWND w : disabled_)
    if (IsWindow(w)) EnableWindow(w, TRUE);
}

// The platform activates the owner and focuses its frame: put both back.
void TModalScope::RestoreFocus() {
  if (restored_) return;
  restored_ = true;
  if (active_ && IsWindow(active_) && IsWindowVisible(active_)) SetActiveWindow(active_);
  if (focus_ && IsWindow(focus_) && IsWindowVisible(focus_) && IsWindowEnabled(focus_)) {
    if (auto* form = dynamic_cast<TForm*>(TControl::FromHandle(GetAncestor(focus_, GA_ROOT))))
      form->SetActiveControl(focus_);
    else
      SetFocus(focus_);
  }
}

void TApplication::RunModal(HWND wnd, const std::function<bool()>& closed, int show) {
  TModalScope scope(wnd);
  if (show == SW_SHOWMAXIMIZED) {
    // Through the placement: under Wine with no window manager, a window mapped
    // by ShowWindow(SW_SHOWMAXIMIZED) falls back to its normal size.
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(wnd, &wp);
    wp.showCmd = SW_SHOWMAXIMIZED;
    SetWindowPlacement(wnd, &wp);
  } else {
    ShowWindow(wnd, show);
  }
  SetForegroundWindow(wnd);
  MSG msg;
  while (!terminated_ && IsWindow(wnd) && IsWindowVisible(wnd) && !(closed && closed())) {
    if (!ProcessMessage(msg)) {
      Idle();
      if (!(closed && closed()) && IsWindowVisible(wnd)) WaitMessage();
    }
  }
  // Re-enable before hiding so the activation goes back to the owner.
  scope.EnableWindows();
  if (IsWindow(wnd)) ShowWindow(wnd, SW_HIDE);
  scope.RestoreFocus();
  if (terminated_) PostQuitMessage(0);
}

void TApplication::ShowException(const std::exception& e) noexcept {
  if (dynamic_cast<const EAbort*>(&e)) return;
  NoteModalRun();
  try {
    std::string text = ErrorReportText(e.what());
    if (MessageBoxHook) {
      MessageBoxHook(text, title_);
      return;
    }
    // Owned by the active window of the program so the box blocks it.
    HWND owner = GetActiveWindow();
    if (!owner) owner = mainWindow_;
    MessageBoxA(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
  } catch (...) {
    // No memory even for the text: the bare message, with no caption to build.
    MessageBoxA(mainWindow_, e.what(), nullptr, MB_OK | MB_ICONERROR | MB_TASKMODAL);
  }
}

void TApplication::HandleException() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    static const EOutOfMemory outOfMemory;
    ShowException(outOfMemory);
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    static const Exception unknown("Unknown error");
    ShowException(unknown);
  }
}

void TApplication::SetCursor(TCursor c) {
  cursor_ = c;
  if (c != TCursor::crDefault) {
    ApplyCursor();
  } else {
    // Let the window under the mouse choose its cursor again.
    POINT pt;
    if (GetCursorPos(&pt)) SetCursorPos(pt.x, pt.y);
  }
}

HCURSOR CursorHandle(TCursor cursor) {
  const char* id = IDC_ARROW;
  switch (cursor) {
    case TCursor::crDefault:
      break;
    case TCursor::crHourGlass:
      id = IDC_WAIT;
      break;
    case TCursor::crHandPoint:
      id = IDC_HAND;
      break;
  }
  return LoadCursorA(nullptr, id);
}

bool TApplication::ApplyCursor() {
  if (cursor_ == TCursor::crDefault) return false;
  ::SetCursor(CursorHandle(cursor_));
  return true;
}

std::string SysErrorMessage(DWORD code) {
  char* buf = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                           nullptr, code, 0, reinterpret_cast<char*>(&buf), 0, nullptr);
  std::string s = n && buf ? std::string(buf, n) : std::string();
  if (buf) LocalFree(buf);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.'))
    s.pop_back();
  return s;
}

bool KeyDownWaiting(std::initializer_list<WORD> keys) {
  MSG m;
  if (!PeekMessageA(&m, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE | PM_NOYIELD)) return false;
  for (WORD key : keys)
    if (m.wParam == key) return true;
  return false;
}

}  // namespace pix
