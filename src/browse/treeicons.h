// The folder tree's icons, asked of the shell a few at a time: a shown node
// gets the plain folder's icons at once and its own between messages, since
// asking costs milliseconds an item (tens in a big folder under Wine).
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <thread>
#include <unordered_map>

#include "browse/shellfolder.h"
#include "ui/treenodes.h"

namespace pix {

class TTreeIcons {
 public:
  // Posted to the tree when icons wait; the tree answers with Fetch.
  static constexpr UINT kMessage = WM_APP + 12;

  // Gives the tree the system's small icon list.
  void Attach(const TTreeNodes& tree);
  // The system's icon list whose size is nearest a small icon's at `dpi`.
  void SetDpi(int dpi);
  // Answers a display-info request with the plain folder's icons and queues
  // the node for its own.
  void Provide(NMTVDISPINFOA& info);
  // Sets the icons of queued nodes for a few milliseconds, then posts again.
  void Fetch();
  // A node's record is being deleted: its icons are no longer wanted.
  void Forget(TShellFolder* record) { wanted_.erase(record); }

 private:
  TTreeNodes tree_;
  int folderIcon_ = 0, openFolderIcon_ = 0;
  std::deque<TShellFolder*> queue_;
  std::unordered_map<TShellFolder*, HTREEITEM> wanted_;
  bool posted_ = false;
};

// The system's small icon list, filled on a thread of its own from the start:
// under Wine that is the slowest step of making the main window (tens of
// milliseconds), and nothing needs the list before the tree attaches it.
class TSystemIconsWarmUp {
 public:
  TSystemIconsWarmUp();
  ~TSystemIconsWarmUp();  // waits for the thread
  TSystemIconsWarmUp(const TSystemIconsWarmUp&) = delete;
  TSystemIconsWarmUp& operator=(const TSystemIconsWarmUp&) = delete;

 private:
  std::thread thread_;
};

}  // namespace pix
