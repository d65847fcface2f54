#include "browse/treeicons.h"

#include <shellapi.h>

#include <cstdlib>

namespace pix {

namespace {

int SmallIcon(LPCITEMIDLIST id, UINT extra) {
  SHFILEINFOA fi{};
  if (!SHGetFileInfoA(reinterpret_cast<LPCSTR>(id), 0, &fi, sizeof fi,
                      SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extra))
    return 0;
  return fi.iIcon;
}

// The icons Attach asks for: the desktop's, the plain folder's, open and closed.
const UINT kPlain = SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;

HIMAGELIST SystemIcons(LPCITEMIDLIST desktop, int& folder, int& openFolder) {
  SHFILEINFOA fi{};
  auto icons = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(reinterpret_cast<LPCSTR>(desktop), 0, &fi, sizeof fi,
                     SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &fi, sizeof fi, kPlain)) folder = fi.iIcon;
  if (SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &fi, sizeof fi, kPlain | SHGFI_OPENICON))
    openFolder = fi.iIcon;
  return icons;
}

}  // namespace

TSystemIconsWarmUp::TSystemIconsWarmUp() {
  try {
    thread_ = std::thread([] {
      HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      ITEMIDLIST desktop{};  // the empty list names the desktop
      int folder = 0, openFolder = 0;
      SystemIcons(&desktop, folder, openFolder);
      if (SUCCEEDED(com)) CoUninitialize();
    });
  } catch (...) {
    // No thread: the tree fills the list itself.
  }
}

TSystemIconsWarmUp::~TSystemIconsWarmUp() {
  if (thread_.joinable()) thread_.join();
}

void TTreeIcons::Attach(const TTreeNodes& tree) {
  tree_ = tree;
  // The tree shows the system's own small icon list, which it must not free.
  HIMAGELIST icons = SystemIcons(DesktopRecord().AbsoluteId(), folderIcon_, openFolderIcon_);
  if (icons) tree_.Send(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(icons));
}

// The system's lists hold the same icons at several sizes under the same
// indexes, each list at the system's density: a window on a monitor of another
// one takes the list nearest its own small icon's size.
void TTreeIcons::SetDpi(int dpi) {
  if (!tree_.Handle() || dpi <= 0) return;
  static const GUID kImageList = {
      0x46EB5926, 0x582E, 0x4017, {0x9F, 0xDF, 0xE8, 0x99, 0x8D, 0xAA, 0x09, 0x50}};
  int want = MulDiv(16, dpi, 96);
  HIMAGELIST best = nullptr;
  int bestSize = 0;
  for (int kind : {SHIL_SMALL, SHIL_LARGE, SHIL_EXTRALARGE}) {
    void* list = nullptr;  // a shared system list, never freed; the pointer is its handle
    if (FAILED(SHGetImageList(kind, kImageList, &list)) || !list) continue;
    int cx = 0, cy = 0;
    if (!ImageList_GetIconSize(static_cast<HIMAGELIST>(list), &cx, &cy)) continue;
    // Ties go to the larger: a little large reads better than a little small.
    if (!best || std::abs(cx - want) < std::abs(bestSize - want) ||
        (std::abs(cx - want) == std::abs(bestSize - want) && cx > bestSize))
      best = static_cast<HIMAGELIST>(list), bestSize = cx;
  }
  if (best) tree_.Send(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(best));
}

void TTreeIcons::Provide(NMTVDISPINFOA& info) {
  TVITEMA& item = info.item;
  auto* record = reinterpret_cast<TShellFolder*>(item.lParam);
  if (!record || !(item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE))) return;
  item.iImage = folderIcon_;
  item.iSelectedImage = openFolderIcon_;
  if (wanted_.emplace(record, item.hItem).second) queue_.push_back(record);
  if (!posted_) posted_ = PostMessageA(tree_.Handle(), kMessage, 0, 0);
}

void TTreeIcons::Fetch() {
  posted_ = false;
  DWORD start = GetTickCount();
  while (!queue_.empty() && GetTickCount() - start < 30) {
    TShellFolder* record = queue_.front();
    queue_.pop_front();
    auto wanted = wanted_.find(record);
    if (wanted == wanted_.end()) continue;  // deleted meanwhile
    TVITEMA item{};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    item.hItem = wanted->second;
    wanted_.erase(wanted);
    item.iImage = SmallIcon(record->AbsoluteId(), 0);
    int open = SmallIcon(record->AbsoluteId(), SHGFI_OPENICON);
    item.iSelectedImage = open ? open : item.iImage;
    tree_.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
  if (!queue_.empty()) posted_ = PostMessageA(tree_.Handle(), kMessage, 0, 0);
}

}  // namespace pix
