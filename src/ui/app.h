// The application object: title, message loop with idle-time hook, modal loops,
// the application-wide cursor and the error report.
#pragma once
#include <windows.h>

#include <deque>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pix {

enum class TCursor { crDefault, crHourGlass, crHandPoint };
// The system cursor for one of the standard shapes (the arrow for crDefault).
HCURSOR CursorHandle(TCursor cursor);

class TApplication {
 public:
  TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  HINSTANCE Instance() const { return instance_; }

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);

  // The main window: the first form created. Closing it ends the loop.
  HWND MainWindow() const { return mainWindow_; }
  void SetMainWindow(HWND wnd) { mainWindow_ = wnd; }

  // Runs the message loop until Terminate(); the idle hook runs each time the
  // queue empties.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Dispatches every pending message, then returns.
  void ProcessMessages();
  std::function<void()> OnIdle;
  // Called before a message is dispatched; returning true swallows it.
  std::function<bool(MSG&)> OnMessage;
  // Counts a modal window or message box shown: a key whose handling showed
  // one is stale by the time the handling returns.
  void NoteModalRun() { ++modalRuns_; }

  // Shows a window modally (`show`: SW_SHOW, or SW_SHOWMAXIMIZED): the program's
  // other windows are disabled until the window hides itself or `closed` becomes
  // true. Returns after the loop ends.
  void RunModal(HWND wnd, const std::function<bool()>& closed, int show = SW_SHOW);

  // The error report: shows the failure in an error box captioned with the
  // title, unless it is the silent kind.
  void ShowException(const std::exception& e) noexcept;
  void HandleException() noexcept;  // call from a catch block
  // Replaces the message box, for tests; receives (text, caption).
  std::function<void(const std::string&, const std::string&)> MessageBoxHook;

  // For other threads: runs `fn` on the user-interface thread (between messages,
  // also inside modal loops) and waits until it has run. Returns false without
  // running it when `stop` is signalled first or the application is going away.
  // On the user-interface thread itself it runs `fn` at once.
  bool Synchronize(const std::function<void()>& fn, HANDLE stop = nullptr);
  // Wakes every waiting hand-over without running it (Terminate also refuses
  // later ones).
  void CancelSynchronize();
  size_t PendingSynchronize();

  // Application-wide cursor: anything but crDefault overrides every window's own.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor c);
  // Windows call this on WM_SETCURSOR; true when the application cursor was set.
  bool ApplyCursor();

 private:
  bool ProcessMessage(MSG& msg);
  void Idle();
  struct SyncCall;
  static LRESULT CALLBACK SyncProc(HWND, UINT, WPARAM, LPARAM);
  void RunSyncCalls();

  HINSTANCE instance_;
  HWND mainWindow_ = nullptr;
  std::string title_;
  bool terminated_ = false;
  unsigned modalRuns_ = 0;
  TCursor cursor_ = TCursor::crDefault;
  DWORD uiThread_;
  HWND syncWindow_ = nullptr;
  std::mutex syncLock_;
  std::deque<std::shared_ptr<SyncCall>> syncQueue_;
  bool syncClosed_ = false;
};

TApplication& Application();

// Puts back the cursor it found on every way out of a step; the step may set
// another meanwhile, or name the one to show from the start (the hourglass).
class TCursorKeeper {
 public:
  TCursorKeeper() : saved_(Application().Cursor()) {}
  explicit TCursorKeeper(TCursor now) : TCursorKeeper() { Application().SetCursor(now); }
  ~TCursorKeeper() { Application().SetCursor(saved_); }
  TCursorKeeper(const TCursorKeeper&) = delete;
  TCursorKeeper& operator=(const TCursorKeeper&) = delete;

 private:
  TCursor saved_;
};

// The program's side of a modal window: its other visible windows are disabled
// while the scope lives; afterwards they are enabled again and the window that
// was active, and the control that had the focus, get them back.
class TModalScope {
 public:
  explicit TModalScope(HWND keep);
  TModalScope(const TModalScope&) = delete;
  TModalScope& operator=(const TModalScope&) = delete;
  ~TModalScope();
  void EnableWindows();
  void RestoreFocus();

 private:
  HWND active_, focus_;
  std::vector<HWND> disabled_;
  bool enabled_ = false, restored_ = false;
};

// The system's message for an error code, without trailing line breaks.
std::string SysErrorMessage(DWORD code);

// The next key pressed waiting in this thread's queue is one of `keys`; the
// queue is left as it is.
bool KeyDownWaiting(std::initializer_list<WORD> keys);

}  // namespace pix
