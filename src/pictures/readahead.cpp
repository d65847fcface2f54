#include "pictures/readahead.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <thread>

#include "pictures/jpeg.h"
#include "pictures/readahead_core.h"
#include "ui/app.h"
#include "ui/handles.h"
#include "ui/text.h"

namespace pix {

// A kept decode: its pixels, and the fingerprint of the bytes they came from
// (not the bytes themselves: the picture that takes it has its own).
struct TReadAhead::Entry {
  std::string path;
  TJPEGDefaults settings;
  TJPEGDigest digest;
  std::shared_ptr<TBitmap> bitmap;
  uint64_t Cost() const { return bitmap->BufferSize(); }
};

// What the worker and the user-interface thread share, under `lock`.
struct TReadAhead::Shared {
  std::mutex lock;
  std::condition_variable wake;
  std::vector<std::string> queue;  // to read, nearest first
  std::string current;             // being read and decoded
  TJPEGDefaults settings;
  TTarget target;
  TMemoryBudget budget;
  uint64_t kept = 0;  // bytes kept beside the shown picture
  bool paused = false, quit = false;
  DWORD stepped = 0;                // tick count of the last step to another file
  bool awaitDraw = false;           // no new file until the shown picture is drawn
  std::atomic<bool> yield{false};   // nor any work on the file in hand meanwhile
  std::atomic<bool> cancel{false};  // asked between pieces and scan lines, so no lock
  std::atomic<bool> hurry{false};   // a draw waits: the worker runs at normal priority
  int tried = 0, interrupted = 0, finished = 0;
  std::vector<std::shared_ptr<Entry>> results;  // handed over, for the interface thread
  std::shared_ptr<Entry> spare;  // stepped away from; goes when the worker needs room
  // Decodes a step let go, freed by the worker: freeing a large bitmap takes
  // milliseconds the step should not wait for.
  std::vector<std::shared_ptr<Entry>> discard;
  std::atomic<bool> discarding{false};
  TTestHooks hooks;
  // Set each time the worker is done with a file: a waiting draw looks again.
  TOwnedHandle done{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
  std::thread thread;
};

// A file's bytes in pages of their own, so that the part a decode is done
// with goes back to the system while the pixels it made grow: a picture read
// ahead never holds its whole file and its whole bitmap at once.
class TFileBytes {
 public:
  explicit TFileBytes(uint64_t size) {
    if (size > 0 && size < std::numeric_limits<size_t>::max())
      base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, static_cast<size_t>(size),
                                                 MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!base_) throw EOutOfMemory("Out of memory while expanding memory stream");
    size_ = static_cast<size_t>(size);
  }
  ~TFileBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
  TFileBytes(const TFileBytes&) = delete;
  TFileBytes& operator=(const TFileBytes&) = delete;

  uint8_t* Bytes() const { return base_; }
  size_t Size() const { return size_; }
  // The first `done` bytes are read no more: their whole pages are given back
  // (a megabyte at a time, so the system is asked rarely).
  void Done(size_t done) {
    constexpr size_t kStep = size_t{1} << 20;
    size_t upTo = std::min(done, size_) & ~(kPage - 1);
    if (upTo < released_ + kStep) return;
    if (VirtualFree(base_ + released_, upTo - released_, MEM_DECOMMIT)) released_ = upTo;
  }

 private:
  static constexpr size_t kPage = 4096;  // the smallest page size of every Windows
  uint8_t* base_ = nullptr;
  size_t size_ = 0, released_ = 0;
};

namespace {

constexpr DWORD kHeldKeyMs = 60;                  // a held key repeats about every 33 ms
constexpr DWORD kDrawWaitMs = 3000;               // the longest a draw keeps the worker back
constexpr size_t kHeaderPiece = size_t{1} << 18;  // room for the usual metadata before the frame

bool Contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

TMemoryBudget SystemBudget() {
  MEMORYSTATUSEX ms{};
  ms.dwLength = sizeof ms;
  if (!GlobalMemoryStatusEx(&ms)) return {};
  return ReadAheadBudget(ms.ullTotalVirtual, ms.ullTotalPhys, sizeof(void*) > 4);
}

// Reads up to `count` bytes at the file's position; false on a failed read or
// the end of the file (it shrank: its own load will see what it holds).
bool ReadPiece(HANDLE f, uint8_t* to, size_t count) {
  while (count > 0) {
    DWORD got = 0, chunk = static_cast<DWORD>(std::min<size_t>(count, 1u << 24));
    if (!ReadFile(f, to, chunk, &got, nullptr) || got == 0) return false;
    to += got;
    count -= got;
  }
  return true;
}

}  // namespace

TReadAhead::TReadAhead() : shared_(std::make_unique<Shared>()) {}

TReadAhead::~TReadAhead() {
  Stop();
  if (idleTimer_) KillTimer(nullptr, idleTimer_);
  if (!hooked_) return;
  JPEGDecodeHooks().Find = nullptr;
  JPEGDecodeHooks().Decoded = nullptr;
  KeptPicturesRelease() = nullptr;
}

int TReadAhead::Tried() const {
  std::lock_guard<std::mutex> lock(shared_->lock);
  return shared_->tried;
}

int TReadAhead::Interrupted() const {
  std::lock_guard<std::mutex> lock(shared_->lock);
  return shared_->interrupted;
}

int TReadAhead::Finished() const {
  std::lock_guard<std::mutex> lock(shared_->lock);
  return shared_->finished;
}

size_t TReadAhead::Kept() {
  Collect();
  return entries_.size();
}

SIZE TReadAhead::KeptSize(const std::string& path) {
  Collect();
  for (const auto& e : entries_)
    if (e->path == path) return {e->bitmap->Width(), e->bitmap->Height()};
  return {0, 0};
}

size_t TReadAhead::Held() {
  std::lock_guard<std::mutex> lock(shared_->lock);
  return entries_.size() + (shared_->spare ? 1 : 0) + shared_->results.size() +
         shared_->discard.size();
}

bool TReadAhead::Working() const {
  std::lock_guard<std::mutex> lock(shared_->lock);
  return !shared_->paused && (!shared_->current.empty() || !shared_->queue.empty());
}

std::string TReadAhead::InWork() const {
  std::lock_guard<std::mutex> lock(shared_->lock);
  return shared_->current;
}

void TReadAhead::SetTestHooks(const TTestHooks& hooks) {
  std::lock_guard<std::mutex> lock(shared_->lock);
  shared_->hooks = hooks;
}

void TReadAhead::InstallHooks() {
  hooked_ = true;
  uiThread_ = GetCurrentThreadId();
  JPEGDecodeHooks().Find = [this](const TJPEGData& data, const TJPEGDefaults& settings,
                                  bool mayWait, bool (*interrupted)()) {
    Collect();
    std::shared_ptr<TBitmap> found = Match(data, settings);
    if (!found && mayWait && WaitForWorker(interrupted)) {
      Collect();
      found = Match(data, settings);
      if (found) ++waitedFor_;
    }
    return found;
  };
  // The shown picture decoded at its draw is kept: after the next step it is
  // a neighbour, and stepping back needs no decode.
  JPEGDecodeHooks().Decoded = [this](const std::shared_ptr<TJPEGData>& data,
                                     const std::shared_ptr<TBitmap>& bitmap,
                                     const TJPEGDefaults& settings) {
    ++decodedAtDraw_;
    if (shown_.empty()) return;
    ShownDrawn();
    std::erase_if(entries_, [&](const auto& e) { return e->path == shown_; });
    entries_.push_back(std::make_shared<Entry>(Entry{shown_, settings, DigestOf(*data), bitmap}));
  };
  KeptPicturesRelease() = [this] { return GetCurrentThreadId() == uiThread_ && ReleaseAll(); };
}

std::shared_ptr<TBitmap> TReadAhead::Match(const TJPEGData& data, const TJPEGDefaults& settings) {
  for (const auto& e : entries_)
    if (e->settings == settings && e->digest.size == data.size && e->digest == DigestOf(data)) {
      ++taken_;
      ShownDrawn();
      return e->bitmap;
    }
  return nullptr;
}

// The shown picture has its pixels. The worker goes on once the thread is
// idle, the step and its draws done: a timer's message comes only then.
void TReadAhead::ShownDrawn() {
  drawnStep_ = steps_;
  {
    std::lock_guard<std::mutex> lock(shared_->lock);
    if (!shared_->awaitDraw) return;
  }
  if (!idleTimer_) idleTimer_ = SetTimer(nullptr, 0, 0, DrawSettled);
  if (!idleTimer_) Resume(steps_);
}

void CALLBACK TReadAhead::DrawSettled(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  TReadAhead& ra = ReadAhead();
  ra.idleTimer_ = 0;
  ra.Resume(ra.drawnStep_);
}

// The worker may read again, unless the user has stepped on since `step`.
void TReadAhead::Resume(int step) {
  if (step != steps_) return;
  {
    std::lock_guard<std::mutex> lock(shared_->lock);
    shared_->awaitDraw = false;
    shared_->yield = false;
  }
  shared_->wake.notify_one();
}

bool TReadAhead::Wanted(const std::string& path) const {
  return path == shown_ || Contains(wanted_, path);
}

// The worker's results join the kept decodes while they are wanted; the rest
// may wait as the spare.
void TReadAhead::Collect() {
  std::vector<std::shared_ptr<Entry>> got;
  {
    std::lock_guard<std::mutex> lock(shared_->lock);
    got.swap(shared_->results);
  }
  if (got.empty()) return;
  for (const auto& e : got) Deliver(e);
  Prune();
}

void TReadAhead::Deliver(const std::shared_ptr<Entry>& entry) {
  std::erase_if(entries_, [&](const auto& e) { return e->path == entry->path; });
  entries_.push_back(entry);  // Prune decides whether it stays
}

// The shown picture stays; the wanted neighbours, nearest first, while the
// budget allows; of the others the newest becomes the spare, the rest go.
void TReadAhead::Prune() {
  std::vector<std::shared_ptr<Entry>> keep, others;
  for (const auto& e : entries_)
    if (e->path == shown_) keep.push_back(e);
  uint64_t kept = 0;
  for (const std::string& path : wanted_)
    for (const auto& e : entries_)
      if (e->path == path && path != shown_) {
        if (BudgetAllows(shared_->budget, target_.shownPeak, kept + e->Cost())) {
          keep.push_back(e);
          kept += e->Cost();
        } else {
          others.push_back(e);
        }
      }
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
    if (!Wanted((*it)->path)) others.push_back(*it);
  entries_ = std::move(keep);
  std::shared_ptr<Entry> spare;
  for (const auto& e : others)
    if (BudgetAllows(shared_->budget, target_.shownPeak, kept + e->Cost())) {
      spare = e;
      break;
    }
  std::shared_ptr<Entry> old;  // freed outside the lock
  std::lock_guard<std::mutex> lock(shared_->lock);
  shared_->kept = kept;
  if (spare) {
    old = std::move(shared_->spare);
    shared_->spare = spare;
  }
}

// The step landed on the file the worker reads or decodes: rather than decode
// it once more, wait for it, at normal priority, until a step key waits. True
// when the worker is done with it.
bool TReadAhead::WaitForWorker(bool (*interrupted)()) {
  Shared& s = *shared_;
  std::string path;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    if (s.quit || s.current.empty() || s.current != shown_) return false;
    path = s.current;
    s.hurry = true;
  }
  s.wake.notify_one();  // a file in hand that yields goes on
  struct Flag {
    std::atomic<bool>& on;
    ~Flag() { on = false; }
  } flag{drawWaits_};
  drawWaits_ = true;
  for (;;) {
    WaitForSingleObject(s.done.Get(), 5);
    {
      std::lock_guard<std::mutex> lock(s.lock);
      if (s.current != path) return true;
    }
    if (interrupted && interrupted()) {
      ++waitsBroken_;
      throw EJPEGInterrupted();
    }
  }
}

void TReadAhead::Schedule(const std::string& shown, const std::vector<std::string>& neighbours,
                          const TTarget& target) {
  Collect();
  // The picture stepped away from keeps its pixels, not the copies reduced
  // for its draws: a step back makes them again in a moment.
  if (shown != shown_)
    for (const auto& e : entries_)
      if (e->path == shown_) e->bitmap->PixelsChanged();
  // A step that comes before the picture stepped from was drawn, or hard on
  // the step before, is one of a held key's (or of a quick run of steps).
  bool stepped = shown != shown_, held = false;
  if (stepped) {
    DWORD now = GetTickCount();
    held = drawnStep_ != steps_ || now - steppedAt_ < kHeldKeyMs;
    steppedAt_ = now;
    ++steps_;
  }
  if (stepped && !target.shownUndecoded) drawnStep_ = steps_;  // drawn without a decode
  shown_ = shown;
  wanted_ = neighbours;
  target_ = target;
  Shared& s = *shared_;
  std::shared_ptr<Entry> back;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    s.budget = SystemBudget();
    if (s.spare && Wanted(s.spare->path)) back = std::move(s.spare);
  }
  if (back) Deliver(back);  // a step straight back: the spare is wanted again
  Prune();
  {
    std::lock_guard<std::mutex> lock(s.lock);
    if (s.quit) return;
    s.settings = JPEGDefaults();
    s.target = target_;
    auto kept = [&](const std::string& path) {
      return std::any_of(entries_.begin(), entries_.end(),
                         [&](const auto& e) { return e->path == path; });
    };
    // Nothing new is read until the shown picture is drawn when that is
    // quick (its decode is kept or in work) or when a held key lands on it:
    // the user waits for the step and its draw, which have the processor to
    // themselves (the platform may not honour the worker's lower priority).
    // A single step onto a picture that decodes at its draw has the worker
    // read its neighbours meanwhile.
    if (stepped) {
      s.stepped = steppedAt_;
      s.awaitDraw = target.shownUndecoded && (held || kept(shown) || shown == s.current);
      s.yield = s.awaitDraw && !s.current.empty() && shown != s.current;
    }
    s.queue.clear();
    for (const std::string& path : wanted_)
      if (!kept(path) && path != s.current) s.queue.push_back(path);
    // A file no longer wanted: the work on it is wasted. The shown file's goes
    // on; its first draw waits for it.
    if (!s.current.empty() && !Wanted(s.current)) s.cancel = true;
    if (!s.thread.joinable() && !s.queue.empty()) {
      try {
        s.thread = std::thread([this] { Worker(); });
      } catch (...) {
        s.queue.clear();  // no thread: every picture decodes at its draw
      }
    }
  }
  s.wake.notify_one();
}

void TReadAhead::Stepping(const std::string& to, const std::vector<std::string>& neighbours) {
  if (to == shown_) return;
  Collect();
  auto kept = [&](const std::string& path) {
    return path == to || path == shown_ || Contains(neighbours, path);
  };
  std::vector<std::shared_ptr<Entry>> gone;  // freed last, outside the lock
  gone.reserve(entries_.size() + 1);
  std::erase_if(entries_, [&](const auto& e) {
    if (kept(e->path)) return false;
    gone.push_back(e);
    return true;
  });
  // The picture stepped from keeps its pixels, not the copies reduced for its
  // draws (as Schedule does).
  for (const auto& e : entries_)
    if (e->path == shown_) e->bitmap->PixelsChanged();
  Prune();
  Shared& s = *shared_;
  std::lock_guard<std::mutex> lock(s.lock);
  if (s.spare && !kept(s.spare->path)) gone.push_back(std::move(s.spare));
  if (gone.empty() || !s.thread.joinable() || s.quit) return;  // freed here, after the lock
  try {
    s.discard.insert(s.discard.end(), gone.begin(), gone.end());
  } catch (...) {
    return;
  }
  gone.clear();
  s.discarding = true;
  s.wake.notify_one();
}

// Frees what a step let go; `lock` is held on entry and on return.
void TReadAhead::FreeDiscarded(std::unique_lock<std::mutex>& lock) {
  Shared& s = *shared_;
  if (s.discard.empty()) return;
  std::vector<std::shared_ptr<Entry>> gone;
  gone.swap(s.discard);
  s.discarding = false;
  lock.unlock();
  gone.clear();
  lock.lock();
}

void TReadAhead::SetPaused(bool paused) {
  {
    std::lock_guard<std::mutex> lock(shared_->lock);
    shared_->paused = paused;
  }
  shared_->wake.notify_one();
}

void TReadAhead::Clear() {
  shown_.clear();
  wanted_.clear();
  entries_.clear();
  std::shared_ptr<Entry> spare;
  std::vector<std::shared_ptr<Entry>> results;
  Shared& s = *shared_;
  std::lock_guard<std::mutex> lock(s.lock);
  s.queue.clear();
  spare = std::move(s.spare);
  results.swap(s.results);
  s.kept = 0;
  s.awaitDraw = false;
  s.yield = false;
  if (!s.current.empty()) s.cancel = true;
  s.wake.notify_one();  // a file in hand that gives way stops at once
}

// Short of memory for what is shown: everything kept goes, and the work in
// progress stops (within a piece or a few scan lines) and gives back its own.
bool TReadAhead::ReleaseAll() {
  Collect();
  bool any = !entries_.empty();
  entries_.clear();
  Shared& s = *shared_;
  std::shared_ptr<Entry> spare;
  std::vector<std::shared_ptr<Entry>> results, discard;
  bool working;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    spare = std::move(s.spare);
    results.swap(s.results);
    discard.swap(s.discard);  // at once, not when the worker gets to it
    s.discarding = false;
    s.kept = 0;
    working = !s.current.empty();
    if (working) s.cancel = true;
    s.wake.notify_one();
  }
  any = any || spare || !results.empty() || !discard.empty() || working;
  for (DWORD start = GetTickCount(); working && GetTickCount() - start < 2000;) {
    WaitForSingleObject(s.done.Get(), 5);
    std::lock_guard<std::mutex> lock(s.lock);
    working = !s.current.empty();
    results.clear();
    results.swap(s.results);
  }
  return any;
}

void TReadAhead::Stop() {
  Shared& s = *shared_;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    s.quit = true;
    s.yield = false;
    s.cancel = true;
    s.queue.clear();
  }
  s.wake.notify_one();
  if (s.thread.joinable()) s.thread.join();
  entries_.clear();
  std::lock_guard<std::mutex> lock(s.lock);
  s.results.clear();
  s.spare.reset();
  s.discard.clear();
}

// Nothing the worker does may leave its body: an exception there would end
// the program. A file that can't be read or decoded ahead reports nothing
// here; its own load and first draw report it when the user steps onto it.
void TReadAhead::Worker() {
  for (;;) {
    std::string path;
    std::shared_ptr<Entry> entry;
    bool stopped = false;
    try {
      if (!NextFile(path)) return;
      SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
      entry = Work(path);
    } catch (const EJPEGInterrupted&) {
      stopped = true;
    } catch (...) {
    }
    try {
      if (!HandOver(path, std::move(entry), stopped)) return;
    } catch (...) {
      Sleep(1);  // the hand-over failed for want of memory: the file is given up
    }
  }
}

// Between pieces and scan lines: the file in hand waits while the step and
// draw that Schedule keeps free of the worker go on.
void TReadAhead::GiveWay() {
  Shared& s = *shared_;
  if (!s.yield && !s.discarding) return;
  std::unique_lock<std::mutex> lock(s.lock);
  FreeDiscarded(lock);
  for (DWORD since;
       s.yield && !s.cancel && !s.hurry && (since = GetTickCount() - s.stepped) < kDrawWaitMs;) {
    s.wake.wait_for(lock, std::chrono::milliseconds(kDrawWaitMs - since));
    FreeDiscarded(lock);
  }
}

// Waits for the next file to read; false when the worker is to end.
bool TReadAhead::NextFile(std::string& path) {
  Shared& s = *shared_;
  std::unique_lock<std::mutex> lock(s.lock);
  auto ready = [&] { return s.quit || (!s.paused && !s.queue.empty()); };
  for (;;) {
    s.wake.wait(lock, [&] { return ready() || !s.discard.empty(); });
    FreeDiscarded(lock);
    if (!ready()) continue;
    // After a step, perhaps not before its picture is drawn (Schedule): so a
    // held key reads nothing.
    DWORD since = GetTickCount() - s.stepped;
    if (s.quit) return false;
    if (!s.awaitDraw || since >= kDrawWaitMs) break;
    s.wake.wait_for(lock, std::chrono::milliseconds(kDrawWaitMs - since));
  }
  path = s.queue.front();
  s.queue.erase(s.queue.begin());
  s.current = path;
  s.cancel = false;
  s.hurry = false;
  return true;
}

// Done with a file: counted, the decode (if any, and still wanted) handed to
// the interface thread's list, a waiting draw woken. False at the end.
bool TReadAhead::HandOver(const std::string& path, std::shared_ptr<Entry> entry, bool stopped) {
  Shared& s = *shared_;
  struct Wake {
    HANDLE done;
    ~Wake() { SetEvent(done); }
  } wake{s.done.Get()};
  std::lock_guard<std::mutex> lock(s.lock);
  if (!path.empty()) ++s.tried;
  if (stopped) ++s.interrupted;
  s.current.clear();
  if (s.quit) return false;
  if (!entry || s.cancel) return true;
  if (s.hooks.onHandOver) s.hooks.onHandOver();
  s.results.push_back(std::move(entry));
  s.kept += s.results.back()->Cost();
  ++s.finished;
  return true;
}

std::shared_ptr<TReadAhead::Entry> TReadAhead::Work(const std::string& path) {
  auto entry = std::make_shared<Entry>();
  entry->path = path;
  TTestHooks hooks;
  {
    std::lock_guard<std::mutex> lock(shared_->lock);
    entry->settings = shared_->settings;
    hooks = shared_->hooks;
  }
  // The file is closed again before the decode; its bytes go as the decode
  // is done with them.
  std::unique_ptr<TFileBytes> data = ReadFile(path, hooks);
  if (!data) return nullptr;
  entry->digest = DigestJPEGBytes(data->Bytes(), data->Size());
  Shared& s = *shared_;
  entry->bitmap = DecodeJPEGBytes(
      data->Bytes(), data->Size(), entry->settings,
      [this, &s, raised = false]() mutable {
        if (s.hurry && !raised)
          raised = SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
        GiveWay();
        return s.cancel.load();
      },
      [&data](size_t done) { data->Done(done); });
  data.reset();
  GiveWay();
  ReduceForView(*entry);
  return entry;
}

// Whether a picture with this header, from a file this large, may be read
// ahead: the pixel limit and the memory budget. The spare's room is taken back.
bool TReadAhead::Affordable(int width, int height, uint64_t fileBytes) {
  if (!ReadAheadFits(width, height, sizeof(void*) > 4)) return false;
  TPictureCost cost = JPEGPictureCost(width, height, fileBytes);
  std::shared_ptr<Entry> spare;  // freed outside the lock
  std::lock_guard<std::mutex> lock(shared_->lock);
  spare = std::move(shared_->spare);
  return BudgetAllows(shared_->budget, shared_->target.shownPeak, shared_->kept + cost.kept);
}

// The file's bytes, read in pieces so that a stop or a step away ends the read
// at once, without keeping anyone else from writing, renaming or deleting it.
// The header and the budget are looked at after the first piece; the file is
// closed before anything is decoded. None when it is not to be read ahead.
std::unique_ptr<TFileBytes> TReadAhead::ReadFile(const std::string& path, const TTestHooks& hooks) {
  Shared& s = *shared_;
  TOwnedFile f(CreateFileW(PlatformPath(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!f || !GetFileSizeEx(f.Get(), &size) || size.QuadPart <= 0 ||
      size.QuadPart > (sizeof(void*) > 4 ? (int64_t{1} << 34) : (int64_t{1} << 28)))
    return nullptr;
  uint64_t total = static_cast<uint64_t>(size.QuadPart);
  size_t piece = std::max<size_t>(hooks.pieceBytes, 1);
  auto stop = [&] { return s.cancel.load(); };
  auto afterPiece = [&] {
    GiveWay();
    if (hooks.afterPiece) hooks.afterPiece();
    if (stop()) throw EJPEGInterrupted();
  };
  // First the header.
  auto header = std::make_shared<TJPEGData>();
  AllocateJPEGBytes(*header, std::min<uint64_t>(total, std::max(piece, kHeaderPiece)));
  size_t done = 0;
  while (done < header->size) {
    size_t n = std::min(piece, header->size - done);
    if (!ReadPiece(f.Get(), header->bytes.get() + done, n)) return nullptr;
    done += n;
    afterPiece();
  }
  bool known = false;
  try {
    ReadJPEGHeader(*header);
    known = true;
  } catch (const EJPEG&) {
    if (header->size == total) throw;  // broken: its own load reports it
  }
  if (known && !Affordable(header->width, header->height, total)) return nullptr;
  // Then the rest, into the whole file's buffer.
  auto data = std::make_unique<TFileBytes>(total);
  std::memcpy(data->Bytes(), header->bytes.get(), done);
  header.reset();
  while (done < data->Size()) {
    size_t n = std::min(piece, data->Size() - done);
    if (!ReadPiece(f.Get(), data->Bytes() + done, n)) return nullptr;
    done += n;
    afterPiece();
  }
  f.Reset();
  if (!known) {
    TJPEGDecoder whole(data->Bytes(), data->Size());
    whole.ReadHeader();
    if (!Affordable(whole.ImageWidth(), whole.ImageHeight(), total)) return nullptr;
  }
  return data;
}

// The size a draw in the view will reduce the picture to, from the view's
// size now (the full-screen view is maximised only after its first picture is
// loaded), and the reduced copy made here rather than at that draw.
void TReadAhead::ReduceForView(Entry& entry) {
  TTarget target;
  {
    std::lock_guard<std::mutex> lock(shared_->lock);
    target = shared_->target;
  }
  RECT client;
  if (!target.host || !IsWindow(target.host) || !GetClientRect(target.host, &client)) return;
  if (ScreenColorDepth() <= 8) return;  // drawn through the palette, never reduced ahead
  TRect d = PlacementRect(entry.bitmap->Width(), entry.bitmap->Height(), client.right,
                          client.bottom, target.placement);
  if (!shared_->cancel) entry.bitmap->PrepareReducedCopy(d.right - d.left, d.bottom - d.top);
}

TReadAhead& ReadAhead() {
  static TReadAhead readAhead;
  if (!readAhead.hooked_) readAhead.InstallHooks();
  return readAhead;
}

}  // namespace pix
