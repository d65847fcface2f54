#include "ui/app.h"

#include <vector>

#include "ui/errors.h"

namespace pix {

TApplication& Application() {
  static TApplication app;
  return app;
}

TApplication::TApplication() : instance_(GetModuleHandleA(nullptr)) {}

void TApplication::SetTitle(const std::string& title) { title_ = title; }

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  try {
    if (OnMessage && OnMessage(msg)) return true;
    TranslateMessage(&msg);
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
  std::vector<HWND> list;
};

BOOL CALLBACK DisableOne(HWND wnd, LPARAM param) {
  auto* d = reinterpret_cast<DisabledWindows*>(param);
  if (wnd != d->keep && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
    d->list.push_back(wnd);
    EnableWindow(wnd, FALSE);
  }
  return TRUE;
}
}  // namespace

void TApplication::RunModal(HWND wnd, const std::function<bool()>& closed) {
  DisabledWindows disabled{wnd, {}};
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabled));
  ShowWindow(wnd, SW_SHOW);
  SetForegroundWindow(wnd);
  MSG msg;
  while (!terminated_ && IsWindow(wnd) && IsWindowVisible(wnd) && !(closed && closed())) {
    if (!ProcessMessage(msg)) {
      Idle();
      if (!(closed && closed()) && IsWindowVisible(wnd)) WaitMessage();
    }
  }
  // Re-enable before hiding so the activation goes back to the owner.
  for (HWND w : disabled.list)
    if (IsWindow(w)) EnableWindow(w, TRUE);
  if (IsWindow(wnd)) ShowWindow(wnd, SW_HIDE);
  if (terminated_) PostQuitMessage(0);
}

void TApplication::ShowException(const std::exception& e) {
  if (dynamic_cast<const EAbort*>(&e)) return;
  std::string text = ErrorReportText(e.what());
  if (MessageBoxHook) {
    MessageBoxHook(text, title_);
    return;
  }
  // Owned by the active window of the program so the box blocks it.
  HWND owner = GetActiveWindow();
  if (!owner) owner = mainWindow_;
  MessageBoxA(owner, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void TApplication::HandleException() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    ShowException(EOutOfMemory());
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(Exception("Unknown error"));
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

bool TApplication::ApplyCursor() {
  const char* id = nullptr;
  switch (cursor_) {
    case TCursor::crDefault: return false;
    case TCursor::crHourGlass: id = IDC_WAIT; break;
    case TCursor::crHandPoint: id = IDC_HAND; break;
  }
  ::SetCursor(LoadCursorA(nullptr, id));
  return true;
}

std::wstring Widen(const std::string& s) {
  if (s.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(const std::wstring& w) {
  if (w.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
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

}  // namespace pix
