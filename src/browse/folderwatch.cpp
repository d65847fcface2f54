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
  if (GetFileInformationByHandle(h, &info) && (info.nFileIndexHigh || info.nFileIndexLow)) {
    id.known = true;
    id.volume = info.dwVolumeSerialNumber;
    id.indexHigh = info.nFileIndexHigh;
    id.indexLow = info.nFileIndexLow;
    id.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    id.written =
        (uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime;
  }
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
