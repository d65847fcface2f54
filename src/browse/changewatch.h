// A watcher of one folder's names: a thread of its own waits for the platform's
// change notification and hands a call to the user-interface thread. Discarding
// the watcher signals the thread, which ends at once and frees itself; the
// user-interface thread never waits for it.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pix {

enum TNotifyFilter : DWORD {
  nfFileNameChange = FILE_NOTIFY_CHANGE_FILE_NAME,  // 1
  nfDirNameChange = FILE_NOTIFY_CHANGE_DIR_NAME,    // 2
  nfAttributeChange = FILE_NOTIFY_CHANGE_ATTRIBUTES,
  nfSizeChange = FILE_NOTIFY_CHANGE_SIZE,
  nfWriteChange = FILE_NOTIFY_CHANGE_LAST_WRITE,
  nfSecurityChange = FILE_NOTIFY_CHANGE_SECURITY,
};

// Changes arriving closer together than QuietMs are gathered into one call;
// a steady stream still gets one call every MaxDelayMs.
struct TChangeTiming {
  DWORD QuietMs = 150;
  DWORD MaxDelayMs = 1000;
};

class TShellChangeThread;

// Asked on the watcher's own thread, so that no disk check waits on the
// user-interface thread: `armed` once its waits are open, `changed` when only
// folders above the watched one saw a change, whether to hand that over.
struct TAboveFilter {
  std::function<void()> armed;
  std::function<bool()> changed;
};

// What the watcher and its thread share; the directory, options and wait
// handle only inside the process-wide critical section.
struct TChangeWatchState;

class TShellChangeNotifier {
 public:
  TShellChangeNotifier();
  ~TShellChangeNotifier();  // discards the thread
  TShellChangeNotifier(const TShellChangeNotifier&) = delete;
  TShellChangeNotifier& operator=(const TShellChangeNotifier&) = delete;

  std::string Root = "C:\\";
  bool WatchSubTree = true;
  DWORD NotifyFilters = nfFileNameChange | nfDirNameChange;
  // Folders watched by the same thread for their sub-folders' names only (a
  // rename, move or delete of the folder under Root or of one holding it).
  std::vector<std::string> Above;
  TChangeTiming Timing;
  TAboveFilter AboveFilter;  // none: every change above is handed over

  // Setting the handler starts a thread on the settings as they are then (the
  // thread of an earlier handler is discarded); an empty handler just discards.
  // The handler runs on the user-interface thread, never after the watcher is
  // discarded.
  void SetOnChange(std::function<void()> handler);
  // Discards the thread and returns once it has closed its waits, so that the
  // folders they hold can be renamed or deleted. From inside this watcher's own
  // hand-over, which the thread waits for, it returns at once.
  void StopClosed();
  // The watched folder's own wait was dropped (its re-arm refused): changes in
  // it are no longer seen until a new watcher is made.
  bool LostOwnWait() const;

  // Threads of all watchers that have not ended yet, and calls handed over.
  static int LiveThreads();
  static int HandedCalls();
  // Change waits open in the process.
  static int OpenWaits();
  // Stands in for re-arming a wait (`own`: the watched folder's, not one
  // above); set only while no watcher runs. Tests use it for what Windows does
  // once a watched folder is deleted: the re-arm fails.
  static bool (*RearmHook)(HANDLE wait, bool own);

 private:
  std::shared_ptr<TChangeWatchState> state_;
};

}  // namespace pix
