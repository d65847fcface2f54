#include "pictures/readahead.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "browse/filelist.h"
#include "pictures/imagehost.h"
#include "pictures/jpeg.h"
#include "pictures/readahead_core.h"
#include "ui/app.h"
#include "ui/handles.h"

namespace pix {

struct TReadAhead::Entry {
  std::string path;
  TJPEGDefaults settings;
  std::shared_ptr<TJPEGData> data;
  std::shared_ptr<TBitmap> bitmap;
  int reduceWidth = 0, reduceHeight = 0;  // the view's placement, when it reduces
};

// What the worker and the user-interface thread share, under `lock`.
struct TReadAhead::Shared {
  std::mutex lock;
  std::condition_variable wake;
  std::vector<std::string> queue;  // to read, nearest first
  std::string current;             // being read and decoded
  TJPEGDefaults settings;
  bool paused = false, quit = false;
  DWORD scheduled = 0;              // tick count of the last step
  std::atomic<bool> cancel{false};  // asked between scan lines, so no lock
  int tried = 0, interrupted = 0;
  // Cuts a hand-over through the message queue short: set at the end, and when
  // the user-interface thread itself waits for the file in work.
  TOwnedHandle interrupt{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  // The direct hand-over to a waiting user-interface thread: the slot, and its signal.
  bool urgent = false;
  std::atomic<bool> hurry{false};  // the worker runs at normal priority
  std::shared_ptr<Entry> handed;
  TOwnedHandle handedOver{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  std::thread thread;
};

namespace {

constexpr DWORD kSettleMs = 60;  // a held key repeats about every 33 ms

bool Contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

// Picks the kept decode of the file at `path`.
auto OfPath(const std::string& path) {
  return [&path](const auto& entry) { return entry->path == path; };
}

// The file's bytes, read without keeping anyone else from writing it.
std::shared_ptr<TJPEGData> ReadBytes(const std::string& path) {
  TOwnedFile f(CreateFileA(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!f || !GetFileSizeEx(f.Get(), &size) || size.QuadPart <= 0 ||
      size.QuadPart > (sizeof(void*) > 4 ? (int64_t{1} << 34) : (int64_t{1} << 28)))
    return nullptr;
  auto data = std::make_shared<TJPEGData>();
  AllocateJPEGBytes(*data, static_cast<uint64_t>(size.QuadPart));
  size_t done = 0;
  while (done < data->size) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data->size - done, 1u << 24)), got = 0;
    if (!ReadFile(f.Get(), data->bytes.get() + done, chunk, &got, nullptr) || got == 0)
      return nullptr;  // the file shrank: its own load will see what it holds
    done += got;
  }
  ReadJPEGHeader(*data);
  return data;
}

// The file name's extension names a JPEG in the picture format list, as the
// file's own load will look it up.
bool IsJPEGName(const std::string& path) {
  const TGraphicClass* kind = FindPictureKind(ExtensionOf(path));
  return kind && kind->InheritsFrom(TJPEGImageKind);
}

}  // namespace

TReadAhead::TReadAhead() : shared_(std::make_unique<Shared>()) {}

TReadAhead::~TReadAhead() {
  Stop();
  if (!hooked_) return;
  JPEGDecodeHooks().Find = nullptr;
  JPEGDecodeHooks().Decoded = nullptr;
}

int TReadAhead::Tried() const {
  std::lock_guard<std::mutex> lock(shared_->lock);
  return shared_->tried;
}

int TReadAhead::Interrupted() const {
  std::lock_guard<std::mutex> lock(shared_->lock);
  return shared_->interrupted;
}

bool TReadAhead::Working() const {
  std::lock_guard<std::mutex> lock(shared_->lock);
  return !shared_->paused && (!shared_->current.empty() || !shared_->queue.empty());
}

std::string TReadAhead::InWork() const {
  std::lock_guard<std::mutex> lock(shared_->lock);
  return shared_->current;
}

void TReadAhead::InstallHooks() {
  hooked_ = true;
  JPEGDecodeHooks().Find = [this](const TJPEGData& data, const TJPEGDefaults& settings,
                                  bool mayWait, bool (*interrupted)()) {
    Collect();
    std::shared_ptr<TBitmap> found = Match(data, settings);
    if (!found && mayWait && WaitForWorker(interrupted)) {
      Collect();
      found = Match(data, settings);
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
    std::erase_if(entries_, OfPath(shown_));
    entries_.push_back(std::make_shared<Entry>(Entry{shown_, settings, data, bitmap}));
  };
}

std::shared_ptr<TBitmap> TReadAhead::Match(const TJPEGData& data, const TJPEGDefaults& settings) {
  for (const auto& e : entries_)
    if (e->settings == settings && SameJPEGBytes(*e->data, data)) {
      ++taken_;
      return e->bitmap;
    }
  return nullptr;
}

// A decode handed over directly joins the others while it is still wanted.
void TReadAhead::Collect() {
  std::shared_ptr<Entry> entry;
  {
    std::lock_guard<std::mutex> lock(shared_->lock);
    entry = std::move(shared_->handed);
    ResetEvent(shared_->handedOver.Get());
  }
  if (entry) Deliver(entry);
}

// The step landed on the file the worker is decoding: rather than decode it
// once more, wait for it, at normal priority, until a step key waits. True
// when the worker handed something over.
bool TReadAhead::WaitForWorker(bool (*interrupted)()) {
  Shared& s = *shared_;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    if (s.quit || s.current.empty() || s.current != shown_) return false;
    s.urgent = true;
    s.hurry = true;
    SetEvent(s.interrupt.Get());
  }
  while (WaitForSingleObject(s.handedOver.Get(), 5) != WAIT_OBJECT_0) {
    if (interrupted && interrupted()) {
      std::lock_guard<std::mutex> lock(s.lock);
      s.urgent = false;
      throw EJPEGInterrupted();
    }
  }
  return true;
}

// Only the shown picture and the wanted neighbours stay decoded.
void TReadAhead::Prune() {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [&](const auto& e) {
                                  return e->path != shown_ && !Contains(wanted_, e->path);
                                }),
                 entries_.end());
}

void TReadAhead::Schedule(const std::string& shown, const std::vector<std::string>& neighbours,
                          const TTarget& target) {
  Collect();
  shown_ = shown;
  wanted_ = neighbours;
  target_ = target;
  Prune();
  Shared& s = *shared_;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    if (s.quit) return;
    s.settings = JPEGDefaults();
    s.scheduled = GetTickCount();
    s.queue.clear();
    for (const std::string& path : wanted_) {
      bool kept = std::any_of(entries_.begin(), entries_.end(), OfPath(path));
      if (!kept && path != s.current) s.queue.push_back(path);
    }
    // A file no longer a neighbour: the work on it is wasted. The shown file's
    // goes on; its first draw waits for it.
    if (!s.current.empty() && s.current != shown_ && !Contains(wanted_, s.current)) s.cancel = true;
    if (!s.thread.joinable() && !s.queue.empty()) s.thread = std::thread([this] { Worker(); });
  }
  s.wake.notify_one();
}

void TReadAhead::SetPaused(bool paused) {
  Shared& s = *shared_;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    s.paused = paused;
    if (paused && !s.current.empty()) s.cancel = true;
  }
  if (!paused) Schedule(shown_, wanted_, target_);  // again what the pause stopped
}

void TReadAhead::Clear() {
  shown_.clear();
  wanted_.clear();
  entries_.clear();
  Shared& s = *shared_;
  std::lock_guard<std::mutex> lock(s.lock);
  s.queue.clear();
  if (!s.current.empty()) s.cancel = true;
}

void TReadAhead::Stop() {
  Shared& s = *shared_;
  {
    std::lock_guard<std::mutex> lock(s.lock);
    s.quit = true;
    s.cancel = true;
    s.queue.clear();
  }
  if (s.interrupt) SetEvent(s.interrupt.Get());
  s.wake.notify_one();
  if (s.thread.joinable()) s.thread.join();
  entries_.clear();
}

void TReadAhead::Worker() {
  Shared& s = *shared_;
  for (;;) {
    std::string path;
    {
      std::unique_lock<std::mutex> lock(s.lock);
      if (s.urgent) {  // waited for after this file was done: wake the waiter
        s.urgent = false;
        SetEvent(s.handedOver.Get());
      }
      s.current.clear();
      auto ready = [&] { return s.quit || (!s.paused && !s.queue.empty()); };
      s.wake.wait(lock, ready);
      // Steps closer together than this are a held key: the files they pass
      // are never looked at, and reading them would only slow the steps down.
      for (DWORD since; !s.quit && (since = GetTickCount() - s.scheduled) < kSettleMs;)
        s.wake.wait_for(lock, std::chrono::milliseconds(kSettleMs - since));
      if (s.quit) return;
      if (!ready()) continue;
      path = s.queue.front();
      s.queue.erase(s.queue.begin());
      s.current = path;
      s.cancel = false;
      s.urgent = false;
      s.hurry = false;
      ResetEvent(s.interrupt.Get());
    }
    // Every file starts below normal: a wait for the last one may have raised it.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    std::shared_ptr<Entry> entry;
    bool stopped = false;
    try {
      entry = Work(path);
    } catch (const EJPEGInterrupted&) {
      stopped = true;
    } catch (...) {
      // A file that can't be read or decoded ahead reports nothing here: its own
      // load and first draw report it when the user steps onto it.
    }
    bool direct;
    {
      std::lock_guard<std::mutex> lock(s.lock);
      ++s.tried;
      if (stopped) ++s.interrupted;
      if (s.quit) return;
      direct = s.urgent;
    }
    if ((!entry || s.cancel) && !direct) continue;
    // The results go to the user-interface thread through the toolkit's
    // hand-over; when that is cut short (the end, or the thread waits for this
    // very file) they go through the slot instead.
    if (entry && !direct &&
        Application().Synchronize([&] { SizeForView(*entry); }, s.interrupt.Get())) {
      if (entry->reduceWidth > 0 && !s.cancel)
        entry->bitmap->PrepareReducedCopy(entry->reduceWidth, entry->reduceHeight);
      if (s.cancel) continue;
      if (Application().Synchronize([&] { Deliver(entry); }, s.interrupt.Get())) continue;
    }
    std::lock_guard<std::mutex> lock(s.lock);
    if (s.quit) return;
    s.handed = entry;  // none when the file could not be read ahead
    s.urgent = false;
    SetEvent(s.handedOver.Get());
  }
}

std::shared_ptr<TReadAhead::Entry> TReadAhead::Work(const std::string& path) {
  auto entry = std::make_shared<Entry>();
  entry->path = path;
  {
    std::lock_guard<std::mutex> lock(shared_->lock);
    entry->settings = shared_->settings;
  }
  entry->data = ReadBytes(path);
  if (!entry->data || !ReadAheadFits(entry->data->width, entry->data->height, sizeof(void*) > 4))
    return nullptr;
  Shared& s = *shared_;
  entry->bitmap = DecodeJPEGBytes(*entry->data, entry->settings, [&s, raised = false]() mutable {
    if (s.hurry && !raised) raised = SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    return s.cancel.load();
  });
  return entry;
}

// On the user-interface thread: the size a draw in the view will reduce the
// picture to, from the view's size now (the full-screen view is maximised only
// after its first picture is loaded).
void TReadAhead::SizeForView(Entry& entry) {
  entry.reduceWidth = entry.reduceHeight = 0;
  RECT client;
  if (!target_.host || !IsWindow(target_.host) || !GetClientRect(target_.host, &client)) return;
  if (ScreenColorDepth() <= 8) return;  // drawn through the palette, never reduced ahead
  TRect d = PlacementRect(entry.bitmap->Width(), entry.bitmap->Height(), client.right,
                          client.bottom, target_.placement);
  entry.reduceWidth = d.right - d.left;
  entry.reduceHeight = d.bottom - d.top;
}

void TReadAhead::Deliver(const std::shared_ptr<Entry>& entry) {
  if (entry->path != shown_ && !Contains(wanted_, entry->path)) return;  // wanted no more
  std::erase_if(entries_, OfPath(entry->path));
  entries_.push_back(entry);
  ++finished_;
}

TReadAhead& ReadAhead() {
  static TReadAhead readAhead;
  if (!readAhead.hooked_) readAhead.InstallHooks();
  return readAhead;
}

namespace {
// The entry the list showed last, to tell the direction of a step.
struct ListMemory {
  std::string folder;
  int index = -1;
};
ListMemory& Memory() {
  static ListMemory m;
  return m;
}
}  // namespace

void ReadAheadAround(const TFileListBox& list, bool wrap, const TImageHost& view) {
  ListMemory& m = Memory();
  int index = list.ItemIndex();
  if (list.FolderPath() != m.folder || index < 0) {
    ReadAhead().Clear();  // another folder: its pixels go
    m.folder = list.FolderPath();
    m.index = -1;
  }
  if (index < 0) return;
  TNeighbours n = ReadAheadNeighbours(list.Count(), index, m.index, wrap);
  m.index = index;
  std::vector<std::string> paths;
  for (int i : {n.first, n.second}) {
    if (i < 0) continue;
    std::string path = list.FilePath(i);
    if (IsJPEGName(path)) paths.push_back(path);
  }
  TReadAhead::TTarget target{view.Handle(), {view.Center(), view.Proportional(), view.Stretch()}};
  ReadAhead().Schedule(list.SelectedFilePath(), paths, target);
}

}  // namespace pix
