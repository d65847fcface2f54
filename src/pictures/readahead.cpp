#include "pictures/readahead.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
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
  DWORD scheduled = 0;  // tick count of the last step
  std::atomic<bool> cancel{false};  // asked between scan lines, so no lock
  int tried = 0, interrupted = 0;
  TOwnedHandle stop{CreateEventA(nullptr, TRUE, FALSE, nullptr)};  // ends a hand-over wait
  std::thread thread;
};

namespace {

constexpr DWORD kSettleMs = 60;  // a held key repeats about every 33 ms

bool Contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

bool SameBytes(const TJPEGData& a, const TJPEGData& b) {
  return a.size == b.size && (a.size == 0 || std::memcmp(a.bytes.get(), b.bytes.get(), a.size) == 0);
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

// The file name's extension names a JPEG in the picture format list.
bool IsJPEGName(const std::string& path) {
  const char* last = nullptr;
  for (const char* p = path.c_str(); *p; p = CharNextA(p))
    if (*p == '.' || *p == '\\' || *p == ':') last = p;
  if (!last || *last != '.') return false;
  const TGraphicClass* kind = FindPictureKind(last + 1);
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
  JPEGDecodeHooks().Find = [this](const TJPEGData& data, const TJPEGDefaults& settings) {
    for (const auto& e : entries_)
      if (e->settings == settings && SameBytes(*e->data, data)) {
        ++taken_;
        return e->bitmap;
      }
    return std::shared_ptr<TBitmap>();
  };
  // The shown picture decoded at its draw is kept: after the next step it is
  // a neighbour, and stepping back needs no decode.
  JPEGDecodeHooks().Decoded = [this](const std::shared_ptr<TJPEGData>& data,
                                     const std::shared_ptr<TBitmap>& bitmap,
                                     const TJPEGDefaults& settings) {
    ++decodedAtDraw_;
    if (shown_.empty()) return;
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const auto& e) { return e->path == shown_; }),
                   entries_.end());
    entries_.push_back(std::make_shared<Entry>(Entry{shown_, settings, data, bitmap}));
  };
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
      bool kept = std::any_of(entries_.begin(), entries_.end(),
                              [&](const auto& e) { return e->path == path; });
      if (!kept && path != s.current) s.queue.push_back(path);
    }
    // The shown file, or one no longer a neighbour: the work on it is wasted.
    if (!s.current.empty() && !Contains(wanted_, s.current)) s.cancel = true;
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
  if (s.stop) SetEvent(s.stop.Get());
  s.wake.notify_one();
  if (s.thread.joinable()) s.thread.join();
  entries_.clear();
}

void TReadAhead::Worker() {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  Shared& s = *shared_;
  for (;;) {
    std::string path;
    {
      std::unique_lock<std::mutex> lock(s.lock);
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
    }
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
    {
      std::lock_guard<std::mutex> lock(s.lock);
      ++s.tried;
      if (stopped) ++s.interrupted;
    }
    if (!entry || s.cancel) continue;
    // The results go to the user-interface thread through the toolkit's
    // hand-over, which the stop event (or the application's end) cuts short.
    if (!Application().Synchronize([&] { SizeForView(*entry); }, s.stop.Get())) continue;
    if (entry->reduceWidth > 0 && !s.cancel)
      entry->bitmap->PrepareReducedCopy(entry->reduceWidth, entry->reduceHeight);
    if (!s.cancel) Application().Synchronize([&] { Deliver(entry); }, s.stop.Get());
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
  std::atomic<bool>& cancel = shared_->cancel;
  entry->bitmap =
      DecodeJPEGBytes(*entry->data, entry->settings, [&cancel] { return cancel.load(); });
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
  if (!Contains(wanted_, entry->path)) return;  // no longer a neighbour
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [&](const auto& e) { return e->path == entry->path; }),
                 entries_.end());
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

std::string PathOf(const TFileListBox& list, int index) {
  std::string folder = list.FolderPath();
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder + list.Item(index);
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
    std::string path = PathOf(list, i);
    if (IsJPEGName(path)) paths.push_back(path);
  }
  TReadAhead::TTarget target{view.Handle(), {view.Center(), view.Proportional(), view.Stretch()}};
  ReadAhead().Schedule(list.SelectedFilePath(), paths, target);
}

}  // namespace pix
