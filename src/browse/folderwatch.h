// A watch on one folder's own names (not its sub-folders'): a call on the
// user-interface thread when some of them change. Starting it again moves it;
// it ends with its owner.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browse/changewatch.h"

namespace pix {

class TFolderWatch {
 public:
  // Watches `path`, calls gathered by `timing`, in place of any earlier watch;
  // and the folders `above` it for their sub-folders' names only, so that a
  // rename, move or delete of `path` or of a folder holding it is seen too.
  void Start(const std::string& path, TChangeTiming timing, std::function<void()> onChange,
             std::vector<std::string> above = {});
  // Watches `path` again with the timing and call of the last Start, after
  // StopWithin, and those folders above it that are still there. Nothing happens for "", while a
  // watch runs (one started meanwhile wins), or once Stop has ended the watch for good.
  void Resume(const std::string& path);
  // Ends the watch and forgets its timing and call: nothing resumes it.
  void Stop();
  // The watch's open handle holds its folder: a folder that is to be renamed
  // or deleted first ends the watches on it or inside it, keeping their timing
  // and call for Resume. Returns the folder that was watched, "" when the
  // watch goes on.
  std::string StopWithin(const std::string& folder);
  // The watched folder's own wait was dropped: start again to go on watching it.
  bool LostOwnWait() const { return notifier_ && notifier_->LostOwnWait(); }

 private:
  std::unique_ptr<TShellChangeNotifier> notifier_;
  std::vector<std::string> above_;  // kept by StopWithin for Resume
  TChangeTiming timing_;
  std::function<void()> onChange_;
};

// A file or folder as the disk knows it: which item it is and, for a file,
// what it holds. On file systems that keep an item's index through renames
// and moves (NTFS, ReFS) the index names it, the whole 128 bits where the
// platform gives them. Elsewhere (FAT and exFAT, whose index is the directory
// entry's place, moves on a rename to a longer name and is reused, or a file
// system not known) it is named by what a rename keeps: its creation time and,
// for a file, its size and last write; a match must then be the only one.
struct TDiskId {
  bool known = false;
  bool exists = false;   // the path named something
  bool byTimes = false;  // no index to trust: named by its times and size
  bool folder = false;
  uint64_t volume = 0;
  uint8_t index[16] = {};
  uint64_t size = 0, written = 0, created = 0;
  bool SameItem(const TDiskId& o) const {
    if (!known || !o.known || byTimes != o.byTimes || volume != o.volume) return false;
    if (!byTimes) return std::memcmp(index, o.index, sizeof index) == 0;
    return created == o.created && folder == o.folder &&
           (folder || (size == o.size && written == o.written));
  }
  // The same item, or for one the disk can't tell, there or not alike.
  bool Same(const TDiskId& o) const { return known || o.known ? SameItem(o) : exists == o.exists; }
  bool SameContent(const TDiskId& o) const {
    return SameItem(o) && size == o.size && written == o.written;
  }
};
// Stands in for the name of the file system that holds an open file (tests:
// a FAT memory card); null asks the volume.
extern std::wstring (*FileSystemNameHook)(HANDLE file);
// Not known when the path names nothing (or nothing the disk can tell).
TDiskId DiskIdOf(const std::string& path);

// True when `path` is `folder` or lies inside it, letter case ignored as the
// file system does.
bool PathWithin(const std::string& path, const std::string& folder);
// `path` under the new name of `from`, renamed to `to`; unchanged when it does
// not lie within `from`.
std::string RenamedPath(const std::string& path, const std::string& from, const std::string& to);

}  // namespace pix
