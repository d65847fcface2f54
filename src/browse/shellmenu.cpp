// The folder tree's context menu (the shell's own, for the folder under the
// mouse) and the renaming of folders through their labels.
#include <shlobj.h>

#include <optional>

#include "browse/filelist.h"
#include "browse/shellfolder_core.h"
#include "browse/shelltree.h"
#include "ui/app.h"
#include "ui/errors.h"
#include "ui/text.h"

namespace pix {

namespace {

// The process's current directory, moved for the "open" verb (whose program
// starts in the item's folder) and put back on every path.
class CurrentDirStep {
 public:
  CurrentDirStep() : saved_(GetCurrentDir()) {}
  ~CurrentDirStep() {
    if (moved_) SetCurrentDirectoryW(Widen(saved_).c_str());
  }
  CurrentDirStep(const CurrentDirStep&) = delete;
  CurrentDirStep& operator=(const CurrentDirStep&) = delete;
  void Enter(const std::string& dir) {
    moved_ = !dir.empty() && SetCurrentDirectoryW(Widen(dir).c_str());
  }

 private:
  std::string saved_;
  bool moved_ = false;
};

// A path on a disk (a drive or a network share), not a virtual item's name.
bool OnDiskPath(const std::string& path) {
  return !PathRoot(path).empty();
}

}  // namespace

void TShellTreeView::ShowContextMenu(HTREEITEM target, POINT screen) {
  TShellFolder* record = Record(target);
  if (!record) return;
  TCountScope defer(deferrals_);
  // The node may be rebuilt or deleted while the menu or its command runs.
  TItemIdList id = CopyIdList(record->AbsoluteId());
  std::optional<TShellContextMenu::TChoice> choice = contextMenu_.Track(Handle(), *record, screen);
  if (!choice) return;
  const std::string& verb = choice->Verb;
  // Rename is the tree's own: its label editor, not the menu object's command.
  bool succeeded = verb == "rename";
  if (succeeded) {
    SetFocus(Handle());
    verbEdit_ = true;
    nodes_.Send(TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(target));
    verbEdit_ = false;
  } else {
    CurrentDirStep dir;
    std::string path = record->Path();
    // Opened from its own folder.
    if (verb == "open") dir.Enter(ContainingFolder(path));
    // Closed first, or Windows refuses to move what a watch holds open. A
    // paste moves what was cut, which may hold the watched folder.
    std::string watched = watch_.StopWithin(verb == "paste" ? std::string() : path);
    succeeded = choice->Invoke(Handle());
    watch_.Resume(watched);
  }
  if (succeeded)
    if (HTREEITEM now = FindFolder(id.Get(), nodes_.Root())) AfterVerb(verb, now);
}

void TShellTreeView::AfterVerb(const std::string& verb, HTREEITEM target) {
  TShellFolder* r = Record(target);
  if (verb == "delete" && r) {
    // Declined or failed, the delete leaves the folder and its node; a virtual
    // item's fate is not told by the disk, so its node stays too.
    std::string path = r->Path();
    if (!OnDiskPath(path) ||
        GetFileAttributesW(PlatformPath(path).c_str()) != INVALID_FILE_ATTRIBUTES)
      return;
    // Chosen for the user: the watcher moves and the list follows.
    if (Within(nodes_, nodes_.Selected(), target)) nodes_.Select(nodes_.Parent(target));
    nodes_.Delete(target);
  } else if (verb == "paste" && r) {
    TItemIdList id = CopyIdList(r->AbsoluteId());
    Refresh(target);
    // A folder cut from the user's way and pasted here: the selection follows it.
    FollowDisk(id.Get());
  }
}

void TShellTreeView::EndLabelEdit(HTREEITEM node, const std::string& name) {
  TShellFolder* record = Record(node);
  // Unchanged text (an edit begun by a slow click and left) renames nothing.
  if (name == nodes_.Label(node)) return;
  if (!record || !record->Attributes(SFGAO_CANRENAME)) return;
  std::string from = record->Path(), to = ContainingFolder(from) + name;
  std::string watched = watch_.StopWithin(from);
  if (BeforeRenameHook) BeforeRenameHook(from);
  TShellFolder::TRename how = record->Rename(Handle(), from, name);
  // Everything that named the folder by its old name follows the new one.
  if (how != TShellFolder::TRename::Refused) watched = RenamedPath(watched, from, to);
  watch_.Resume(watched);
  if (how == TShellFolder::TRename::Refused) throw Exception("Rename to " + name + " failed");
  nodes_.SetLabel(node, name);
  if (OnFolderRenamed) OnFolderRenamed(from, to);
  Renamed(node, how);
}

// The records below the renamed node take its new id, and once the edit has
// ended the branch is read again (and through it the list).
void TShellTreeView::Renamed(HTREEITEM node, TShellFolder::TRename how) {
  if (how == TShellFolder::TRename::RenamedUnknownId) {
    // Its new id is found by reading the folder that holds it.
    if (TShellFolder* parent = Record(nodes_.Parent(node))) RequestRefresh(parent->AbsoluteId());
    return;
  }
  EachBelow(nodes_, node, [this](HTREEITEM n) {
    if (TShellFolder* r = Record(n)) r->Rebase();
  });
  if (TShellFolder* record = Record(node)) RequestRefresh(record->AbsoluteId());
}

}  // namespace pix
