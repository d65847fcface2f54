#include "browse/folderwatch.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "ui/text.h"

namespace pix {

void TFolderWatch::Start(const std::string& path, TChangeTiming timing,
                         std::function<void()> onChange) {
  notifier_.reset();
  timing_ = timing;
  onChange_ = onChange;
  auto notifier = std::make_unique<TShellChangeNotifier>();
  notifier->WatchSubTree = false;
  notifier->Timing = timing;
  notifier->Root = path;
  notifier->SetOnChange(std::move(onChange));
  notifier_ = std::move(notifier);
}

void TFolderWatch::Resume(const std::string& path) {
  if (!path.empty() && !notifier_ && onChange_) Start(path, timing_, onChange_);
}

void TFolderWatch::Stop() {
  notifier_.reset();
  timing_ = TChangeTiming();
  onChange_ = nullptr;
}

std::string TFolderWatch::StopWithin(const std::string& folder) {
  if (!notifier_ || !PathWithin(notifier_->Root, folder)) return std::string();
  std::string root = notifier_->Root;
  notifier_.reset();
  return root;
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
