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
std::atomic<int> gOpenWaits{0};

bool PlatformRearm(HANDLE wait, bool) {
  return FindNextChangeNotification(wait) != FALSE;
}

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
  TOwnedHandle closed{CreateEventA(nullptr, TRUE, FALSE, nullptr)};  // set once the waits are
  TChangeTiming timing;
  TAboveFilter filter;
  std::function<void()> handler;
  // User-interface thread only: a hand-over still queued when the watcher is
  // discarded must not run, and the queue may run it before the thread wakes.
  bool discarded = false;
  bool handing = false;              // its handler runs now
  std::atomic<bool> lostOwn{false};  // the watched folder's own wait was dropped
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
      for (size_t i = 0; i <= s_->above.size(); ++i) {
        s_->waits.emplace_back(Open(i));
        waits.push_back(s_->waits.back().Get());
      }
    }
    if (s_->filter.armed) s_->filter.armed();
    // Ends only when stopped: a wait whose folder went away is dropped, the
    // others go on.
    for (;;) {
      int fired = WaitFor(waits, INFINITE);
      bool own = false;
      if (fired < 0 || !Gather(waits, fired, own)) break;
      if (!own && s_->filter.changed && !s_->filter.changed()) continue;
      if (!HandOver()) break;
    }
  }

  // Wait `i`: the watched folder's for 0, else that of the folder above.
  HANDLE Open(size_t i) {
    HANDLE h = i == 0 ? FindFirstChangeNotificationW(PlatformPath(s_->directory).c_str(),
                                                     s_->subTree, s_->options)
                      : FindFirstChangeNotificationW(PlatformPath(s_->above[i - 1]).c_str(), FALSE,
                                                     nfDirNameChange);
    if (h != INVALID_HANDLE_VALUE) ++gOpenWaits;
    return h;
  }

  void Close() {
    {
      Locked lock;
      for (const TOwnedChangeNotification& w : s_->waits)
        if (w.Get() != INVALID_HANDLE_VALUE) --gOpenWaits;
      s_->waits.clear();
    }
    SetEvent(s_->closed.Get());
  }

  // The index of the wait that fired; -1 for the stop signal, a time-out or a
  // failed wait, which counts as a stop.
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

  // Re-arms wait `i`. Windows refuses once its folder is deleted (nor can a
  // folder whose delete is pending be watched anew): the wait is dropped, the
  // others go on, and the change is handed over so the tree learns of it.
  void Rearm(std::vector<HANDLE>& waits, size_t i, bool& own) {
    auto rearm = TShellChangeNotifier::RearmHook ? TShellChangeNotifier::RearmHook : PlatformRearm;
    own = own || i == 0;
    if (rearm(waits[i], i == 0)) return;
    own = true;
    Locked lock;
    if (s_->waits[i].Get() != INVALID_HANDLE_VALUE) --gOpenWaits;
    s_->waits[i] = TOwnedChangeNotification();  // closed: a pending delete completes
    waits[i] = INVALID_HANDLE_VALUE;
    if (i == 0) s_->lostOwn = true;
  }

  // Re-arms the wait and lets further changes in quick succession join this
  // one, so copying a thousand files costs a few refreshes, not a thousand.
  // `own`: the watched folder changed, or a wait was dropped.
  bool Gather(std::vector<HANDLE>& waits, int fired, bool& own) {
    DWORD start = GetTickCount();
    for (;;) {
      Rearm(waits, static_cast<size_t>(fired), own);
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
          s->handing = true;
          struct Done {
            bool& flag;
            ~Done() { flag = false; }
          } done{s->handing};
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
  if (!s->stop || !s->closed) throw EOutOfResources("Unable to start the folder watcher");
  s->directory = Root;
  s->subTree = WatchSubTree;
  s->options = NotifyFilters;
  s->above = Above;
  s->timing = Timing;
  s->filter = AboveFilter;
  s->handler = std::move(handler);
  TShellChangeThread::Start(s);
  state_ = std::move(s);
}

void TShellChangeNotifier::StopClosed() {
  std::shared_ptr<TChangeWatchState> s = state_;
  SetOnChange(nullptr);
  if (s && !s->handing) WaitForSingleObject(s->closed.Get(), INFINITE);
}

bool TShellChangeNotifier::LostOwnWait() const {
  return state_ && state_->lostOwn;
}

bool (*TShellChangeNotifier::RearmHook)(HANDLE, bool) = nullptr;

int TShellChangeNotifier::OpenWaits() {
  return gOpenWaits;
}
int TShellChangeNotifier::LiveThreads() {
  return gLiveThreads;
}
int TShellChangeNotifier::HandedCalls() {
  return gHandedCalls;
}

}  // namespace pix
