// A watch on one folder's own names (not its sub-folders'): a call on the
// user-interface thread when some of them change. Starting it again moves it;
// it ends with its owner.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "browse/changewatch.h"

namespace pix {

class TFolderWatch {
 public:
  // Watches `path`, calls gathered by `timing`, in place of any earlier watch.
  void Start(const std::string& path, TChangeTiming timing, std::function<void()> onChange);
  // Watches `path` again with the timing and call of the last Start, after
  // StopWithin. Nothing happens for "", while a watch runs (one started
  // meanwhile wins), or once Stop has ended the watch for good.
  void Resume(const std::string& path);
  // Ends the watch and forgets its timing and call: nothing resumes it.
  void Stop();
  // The watch's open handle holds its folder: a folder that is to be renamed
  // or deleted first ends a watch on it or inside it, keeping its timing and
  // call for Resume. Returns the folder that was watched, "" when the watch
  // goes on.
  std::string StopWithin(const std::string& folder);

 private:
  std::unique_ptr<TShellChangeNotifier> notifier_;
  TChangeTiming timing_;
  std::function<void()> onChange_;
};

// True when `path` is `folder` or lies inside it, letter case ignored as the
// file system does.
bool PathWithin(const std::string& path, const std::string& folder);
// `path` under the new name of `from`, renamed to `to`; unchanged when it does
// not lie within `from`.
std::string RenamedPath(const std::string& path, const std::string& from, const std::string& to);

}  // namespace pix
