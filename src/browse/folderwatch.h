// A watch on one folder's own names (not its sub-folders'): a call on the
// user-interface thread when some of them change. Starting it again moves it;
// it ends with its owner.
#pragma once
#include <cstdint>
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

 private:
  std::unique_ptr<TShellChangeNotifier> notifier_;
  std::vector<std::string> above_;  // kept by StopWithin for Resume
  TChangeTiming timing_;
  std::function<void()> onChange_;
};

// A file or folder as the disk knows it: which item it is (its volume and file
// index, kept through renames and moves) and, for a file, what it holds.
struct TDiskId {
  bool known = false;
  bool exists = false;  // the path named something
  uint32_t volume = 0, indexHigh = 0, indexLow = 0;
  uint64_t size = 0, written = 0;
  bool SameItem(const TDiskId& o) const {
    return known && o.known && volume == o.volume && indexHigh == o.indexHigh &&
           indexLow == o.indexLow;
  }
  // The same item, or for one the disk can't tell, there or not alike.
  bool Same(const TDiskId& o) const {
    return known || o.known ? SameItem(o) : exists == o.exists;
  }
  bool SameContent(const TDiskId& o) const {
    return SameItem(o) && size == o.size && written == o.written;
  }
};
// Not known when the path names nothing (or nothing the disk can tell).
TDiskId DiskIdOf(const std::string& path);

// True when `path` is `folder` or lies inside it, letter case ignored as the
// file system does.
bool PathWithin(const std::string& path, const std::string& folder);
// `path` under the new name of `from`, renamed to `to`; unchanged when it does
// not lie within `from`.
std::string RenamedPath(const std::string& path, const std::string& from, const std::string& to);

}  // namespace pix
