#include "browse/changewatch.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "ui/app.h"
#include "ui/errors.h"
#include "ui/handles.h"
#include "ui/text.h"

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
  std::vector<std::string> above;  // watched for their sub-folders' names only
  // The directory's, then those above (none: invalid).
  std::vector<TOwnedChangeNotification> waits;
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
    std::vector<HANDLE> waits;
    {
      Locked lock;
      // A virtual folder has no wait: the others, or only the stop signal, wake us.
      // Room first, so no handle is made that the list can't then take.
      s_->waits.reserve(1 + s_->above.size());
      s_->waits.emplace_back(FindFirstChangeNotificationW(PlatformPath(s_->directory).c_str(),
                                                          s_->subTree, s_->options));
      for (const std::string& folder : s_->above)
        s_->waits.emplace_back(
            FindFirstChangeNotificationW(PlatformPath(folder).c_str(), FALSE, nfDirNameChange));
      for (const TOwnedChangeNotification& w : s_->waits) waits.push_back(w.Get());
    }
    for (;;) {
      int fired = WaitFor(waits, INFINITE);
      if (fired < 0 || !Gather(waits, fired) || !HandOver()) break;
    }
  }

  void Close() {
    Locked lock;
    s_->waits.clear();
  }

  // The index of the wait that fired; -1 for the stop signal, a time-out or a
  // failed wait, which counts as a stop: the watcher then stays silent.
  int WaitFor(const std::vector<HANDLE>& waits, DWORD ms, bool* timedOut = nullptr) {
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    int which[MAXIMUM_WAIT_OBJECTS] = {};
    DWORD n = 0;
    handles[n++] = s_->stop.Get();
    for (size_t i = 0; i < waits.size() && n < MAXIMUM_WAIT_OBJECTS; ++i)
      if (waits[i] != INVALID_HANDLE_VALUE) which[n] = static_cast<int>(i), handles[n++] = waits[i];
    DWORD got = WaitForMultipleObjects(n, handles, FALSE, ms);
    if (timedOut) *timedOut = got == WAIT_TIMEOUT;
    return got > WAIT_OBJECT_0 && got < WAIT_OBJECT_0 + n ? which[got - WAIT_OBJECT_0] : -1;
  }

  // Re-arms the wait and lets further changes in quick succession join this
  // one, so copying a thousand files costs a few refreshes, not a thousand.
  bool Gather(const std::vector<HANDLE>& waits, int fired) {
    DWORD start = GetTickCount();
    for (;;) {
      if (!FindNextChangeNotification(waits[static_cast<size_t>(fired)])) return false;
      DWORD elapsed = GetTickCount() - start;
      if (elapsed >= s_->timing.MaxDelayMs) return true;
      DWORD quiet = std::min(s_->timing.QuietMs, s_->timing.MaxDelayMs - elapsed);
      bool timedOut = false;
      fired = WaitFor(waits, quiet, &timedOut);
      if (timedOut) return true;
      if (fired < 0) return false;
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
  s->above = Above;
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
