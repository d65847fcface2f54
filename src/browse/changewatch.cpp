#include "browse/changewatch.h"

#include <algorithm>
#include <atomic>

#include "ui/app.h"
#include "ui/errors.h"
#include "ui/handles.h"

namespace pix {

namespace {

// Shared by every watcher thread of the process. Never deleted: a thread that
// is leaving may still enter it while the program's statics are torn down.
CRITICAL_SECTION& WatchLock() {
  static CRITICAL_SECTION* cs = [] {
    auto* c = new CRITICAL_SECTION;
    InitializeCriticalSection(c);
    return c;
  }();
  return *cs;
}

class Locked {
 public:
  Locked() { EnterCriticalSection(&WatchLock()); }
  ~Locked() { LeaveCriticalSection(&WatchLock()); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

std::atomic<int> gLiveThreads{0};
std::atomic<int> gHandedCalls{0};

}  // namespace

struct TChangeWatchState {
  // Inside WatchLock() only.
  std::string directory;
  bool subTree = false;
  DWORD options = 0;
  HANDLE wait = INVALID_HANDLE_VALUE;
  // Fixed before the thread starts.
  TOwnedHandle stop{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  TChangeTiming timing;
  std::function<void()> handler;
  // User-interface thread only: a hand-over still queued when the watcher is
  // discarded must not run, and the queue may run it before the thread wakes.
  bool discarded = false;
};

class TShellChangeThread {
 public:
  static void Start(std::shared_ptr<TChangeWatchState> state) {
    auto* t = new TShellChangeThread(std::move(state));
    DWORD id = 0;
    // The thread frees itself: its handle is only needed to start it.
    TOwnedHandle thread(CreateThread(nullptr, 0, Proc, t, CREATE_SUSPENDED, &id));
    if (!thread) {
      delete t;
      throw EOutOfResources("Unable to start the folder watcher");
    }
    ++gLiveThreads;
    ResumeThread(thread);
  }

 private:
  enum class Woke { Change, Stop };
  explicit TShellChangeThread(std::shared_ptr<TChangeWatchState> s) : s_(std::move(s)) {}

  static DWORD WINAPI Proc(LPVOID p) {
    auto* t = static_cast<TShellChangeThread*>(p);
    try {
      t->Execute();
    } catch (...) {
      // Nothing may leave a thread (no memory for a hand-over, say): the
      // watcher just falls silent.
    }
    t->Close();
    delete t;
    --gLiveThreads;
    return 0;
  }

  void Execute() {
    HANDLE wait;
    {
      Locked lock;
      s_->wait = FindFirstChangeNotificationA(s_->directory.c_str(), s_->subTree, s_->options);
      wait = s_->wait;  // a virtual folder has none: only the stop signal wakes us
    }
    while (WaitFor(wait, INFINITE) == Woke::Change && Gather(wait) && HandOver()) {
    }
  }

  void Close() {
    Locked lock;
    if (s_->wait != INVALID_HANDLE_VALUE) FindCloseChangeNotification(s_->wait);
    s_->wait = INVALID_HANDLE_VALUE;
  }

  // A failed wait counts as a stop: the watcher then stays silent.
  Woke WaitFor(HANDLE wait, DWORD ms) {
    HANDLE handles[2] = {s_->stop.Get(), wait};
    DWORD n = wait != INVALID_HANDLE_VALUE ? 2 : 1;
    DWORD got = WaitForMultipleObjects(n, handles, FALSE, ms);
    return got == WAIT_OBJECT_0 + 1 ? Woke::Change : Woke::Stop;
  }

  // Re-arms the wait and lets further changes in quick succession join this
  // one, so copying a thousand files costs a few refreshes, not a thousand.
  bool Gather(HANDLE wait) {
    DWORD start = GetTickCount();
    for (;;) {
      if (!FindNextChangeNotification(wait)) return false;
      DWORD elapsed = GetTickCount() - start;
      if (elapsed >= s_->timing.MaxDelayMs) return true;
      HANDLE handles[2] = {s_->stop.Get(), wait};
      DWORD quiet = std::min(s_->timing.QuietMs, s_->timing.MaxDelayMs - elapsed);
      DWORD got = WaitForMultipleObjects(2, handles, FALSE, quiet);
      if (got == WAIT_TIMEOUT) return true;
      if (got != WAIT_OBJECT_0 + 1) return false;
    }
  }

  // Runs the handler on the user-interface thread and waits for it; false when
  // stopped or when the program is going away, which ends the thread.
  bool HandOver() {
    std::shared_ptr<TChangeWatchState> s = s_;
    bool ran = Application().Synchronize(
        [s] {
          if (s->discarded || !s->handler) return;
          ++gHandedCalls;
          std::function<void()> handler = s->handler;  // may discard this watcher
          handler();
        },
        s->stop.Get());
    return ran && WaitForSingleObject(s->stop.Get(), 0) == WAIT_TIMEOUT;
  }

  std::shared_ptr<TChangeWatchState> s_;
};

TShellChangeNotifier::TShellChangeNotifier() {
  WatchLock();
}

TShellChangeNotifier::~TShellChangeNotifier() {
  if (!state_) return;
  state_->discarded = true;
  SetEvent(state_->stop.Get());
}

void TShellChangeNotifier::SetOnChange(std::function<void()> handler) {
  if (state_) {
    state_->discarded = true;
    SetEvent(state_->stop.Get());
    state_.reset();
  }
  if (!handler) return;
  auto s = std::make_shared<TChangeWatchState>();
  if (!s->stop) throw EOutOfResources("Unable to start the folder watcher");
  s->directory = Root;
  s->subTree = WatchSubTree;
  s->options = NotifyFilters;
  s->timing = Timing;
  s->handler = std::move(handler);
  TShellChangeThread::Start(s);
  state_ = std::move(s);
}

int TShellChangeNotifier::LiveThreads() {
  return gLiveThreads;
}
int TShellChangeNotifier::HandedCalls() {
  return gHandedCalls;
}

}  // namespace pix
