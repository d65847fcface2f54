#include "browse/folderwatch.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "ui/handles.h"
#include "ui/text.h"

namespace pix {

namespace {

// A change in a folder above matters only when the chain itself changed: a
// folder of it (or the watched one) renamed, moved or deleted. Sub-folders made
// or removed beside them change nothing the user sees.
TAboveFilter ChainFilter(const std::vector<std::string>& above, const std::string& path) {
  struct Chain {
    std::vector<std::string> paths;
    std::vector<TDiskId> ids;
  };
  auto chain = std::make_shared<Chain>();
  chain->paths.assign(above.begin(), above.end());
  chain->paths.push_back(path);
  TAboveFilter f;
  f.armed = [chain] {
    chain->ids.clear();
    for (const std::string& p : chain->paths) chain->ids.push_back(DiskIdOf(p));
  };
  f.changed = [chain] {
    for (size_t i = 1; i < chain->paths.size(); ++i)
      if (!DiskIdOf(chain->paths[i]).Same(chain->ids[i])) return true;
    return false;
  };
  return f;
}

}  // namespace

void TFolderWatch::Start(const std::string& path, TChangeTiming timing,
                         std::function<void()> onChange, std::vector<std::string> above) {
  notifier_.reset();
  timing_ = timing;
  onChange_ = onChange;
  auto notifier = std::make_unique<TShellChangeNotifier>();
  notifier->WatchSubTree = false;
  notifier->Timing = timing;
  notifier->Root = path;
  notifier->AboveFilter = ChainFilter(notifier->Above = std::move(above), path);
  notifier->SetOnChange(std::move(onChange));
  notifier_ = std::move(notifier);
}

void TFolderWatch::Resume(const std::string& path) {
  if (path.empty() || notifier_ || !onChange_) return;
  std::vector<std::string> above;
  for (const std::string& folder : above_)
    if (GetFileAttributesW(PlatformPath(folder).c_str()) != INVALID_FILE_ATTRIBUTES)
      above.push_back(folder);
  Start(path, timing_, onChange_, std::move(above));
}

void TFolderWatch::Stop() {
  notifier_.reset();
  above_.clear();
  timing_ = TChangeTiming();
  onChange_ = nullptr;
}

std::string TFolderWatch::StopWithin(const std::string& folder) {
  if (!notifier_) return std::string();
  bool within = folder.empty() || PathWithin(notifier_->Root, folder);
  for (const std::string& f : notifier_->Above) within = within || PathWithin(f, folder);
  if (!within) return std::string();
  std::string root = notifier_->Root;
  above_ = notifier_->Above;
  notifier_->StopClosed();
  notifier_.reset();
  return root;
}

std::wstring (*FileSystemNameHook)(HANDLE) = nullptr;

namespace {

uint64_t Wide(DWORD high, DWORD low) {
  return (uint64_t{high} << 32) | low;
}

// Whether the file system keeps an item's index through renames and moves and
// never gives it to another while the item lives.
bool KeepsIndexes(HANDLE h) {
  std::wstring name;
  if (FileSystemNameHook) {
    name = FileSystemNameHook(h);
  } else {
    wchar_t buf[MAX_PATH + 1] = {};
    if (GetVolumeInformationByHandleW(h, nullptr, 0, nullptr, nullptr, nullptr, buf, MAX_PATH + 1))
      name = buf;
  }
  return name == L"NTFS" || name == L"ReFS";
}

// The 128-bit index, from Windows 8 on (ReFS's 64-bit one is not unique).
bool WholeIndex(HANDLE h, TDiskId& id) {
  struct {
    ULONGLONG volume;
    BYTE index[16];
  } info{};
  const auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
  if (!GetFileInformationByHandleEx(h, kFileIdInfo, &info, sizeof info)) return false;
  id.volume = info.volume;
  std::memcpy(id.index, info.index, sizeof id.index);
  return true;
}

}  // namespace

TDiskId DiskIdOf(const std::string& path) {
  TDiskId id;
  if (path.empty()) return id;
  // No access asked and everything shared: only the item's facts are read.
  TOwnedFile h(CreateFileW(PlatformPath(path).c_str(), 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h) return id;
  id.exists = true;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return id;
  id.size = Wide(info.nFileSizeHigh, info.nFileSizeLow);
  id.written = Wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
  id.created = Wide(info.ftCreationTime.dwHighDateTime, info.ftCreationTime.dwLowDateTime);
  id.folder = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
  if (!KeepsIndexes(h)) {
    id.volume = info.dwVolumeSerialNumber;
    id.byTimes = id.known = true;
    return id;
  }
  if (WholeIndex(h, id)) return id.known = true, id;
  if (!info.nFileIndexHigh && !info.nFileIndexLow) return id;
  id.known = true;
  id.volume = info.dwVolumeSerialNumber;
  std::memcpy(id.index, &info.nFileIndexLow, 4);
  std::memcpy(id.index + 4, &info.nFileIndexHigh, 4);
  return id;
}

bool PathWithin(const std::string& path, const std::string& folder) {
  std::wstring p = Widen(path), f = Widen(folder);
  while (f.size() > 3 && f.back() == L'\\') f.pop_back();
  if (f.empty() || p.size() < f.size()) return false;
  CharUpperBuffW(p.data(), static_cast<DWORD>(p.size()));
  CharUpperBuffW(f.data(), static_cast<DWORD>(f.size()));
  return p.compare(0, f.size(), f) == 0 &&
         (p.size() == f.size() || p[f.size()] == L'\\' || f.back() == L'\\');
}

std::string RenamedPath(const std::string& path, const std::string& from, const std::string& to) {
  if (!PathWithin(path, from)) return path;
  return to + path.substr(std::min(from.size(), path.size()));
}

}  // namespace pix
