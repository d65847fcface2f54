// Node records of the folder tree and the shell namespace they come from: item
// ids owned and freed with the shell's allocator, folder interfaces bound through
// the parent, display names by the namespace's rules, and the process-wide
// desktop record.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "ui/handles.h"

namespace pix {

// Copies of item-id lists in the shell's allocator (the COM task allocator).
TItemIdList CopyIdList(LPCITEMIDLIST id);
TItemIdList JoinIdLists(LPCITEMIDLIST a, LPCITEMIDLIST b);
// The first `items` items of `id`: the empty list (the desktop) for 0.
TItemIdList IdListPrefix(LPCITEMIDLIST id, size_t items);
size_t IdListItemCount(LPCITEMIDLIST id);

// The text of a returned-string record (wide, offset into `id`, or inline), in
// UTF-8 whatever the code page; a wide string in it is freed.
std::string StrRetText(STRRET& s, LPCITEMIDLIST id);
// The name `folder` gives `id` with a naming flag (SHGDN_*): a class-id name is
// asked again with the normal flag, and "?digit" names lose their "?". "" when
// the folder gives none.
std::string DisplayName(IShellFolder* folder, LPCITEMIDLIST id, DWORD flags);
// The same name in UTF-16, added to the end of `out`: the shell's text is
// copied once, straight from where it returned it. Returns its length.
size_t AppendDisplayName(IShellFolder* folder, LPCITEMIDLIST id, DWORD flags, std::wstring& out);
// The id `in` gives a display name (a path text, for the desktop), relative to
// `in`; null when it can't parse it. The shell's prompts belong to `owner`.
TItemIdList ParseName(IShellFolder* in, HWND owner, const std::string& name);
// True when the desktop's comparison of two absolute ids says they name the
// same folder.
bool SameFolder(LPCITEMIDLIST a, LPCITEMIDLIST b);

// One node's record: its parent's record (not owned), its relative and absolute
// ids (owned), its folder interface and its level (the number of ancestors).
class TShellFolder {
 public:
  // The item `relative` of `parent`; without a parent, of the desktop, at level 0.
  // `folder` is the item's folder interface when the caller has it; otherwise it
  // is bound on first use.
  TShellFolder(TShellFolder* parent, TItemIdList relative, ComPtr<IShellFolder> folder = {});
  TShellFolder(const TShellFolder&) = delete;
  TShellFolder& operator=(const TShellFolder&) = delete;

  TShellFolder* Parent() const { return parent_; }
  LPCITEMIDLIST RelativeId() const { return relative_.Get(); }
  // Made on first use: most nodes of a big folder never need theirs.
  LPCITEMIDLIST AbsoluteId() const;
  int Level() const { return level_; }

  // The item's own folder interface: bound through the parent; failing that,
  // asked from the parent as a per-item object, then as a view object; last,
  // bound through the desktop. Null when all of these fail.
  IShellFolder* Folder() const;
  // The folder the item lies in (the desktop's for a record without a parent).
  IShellFolder* ParentFolder() const;
  // The attributes of `mask` (SFGAO_*) that the item reports; 0 when it can't say.
  SFGAOF Attributes(SFGAOF mask) const;
  // The item's name in its folder, for a node's label.
  std::string InFolderName() const;
  // The path: the parsing name of the absolute id, or the display name of a
  // virtual folder (whose parsing name is a class id).
  std::string Path() const;
  // Asks the parent folder to give the item, whose Path() is `path`, a new
  // name. Renamed: the ids are the renamed item's; RenamedUnknownId: the folder
  // has its new name, but the shell gave no id for it.
  enum class TRename { Refused, Renamed, RenamedUnknownId };
  TRename Rename(HWND owner, const std::string& path, const std::string& name);
  // The absolute id made again from the parent's (renamed meanwhile) and the
  // relative one; it and the folder interface are made again on first use.
  void Rebase();

 private:
  friend class TShellSession;
  TShellFolder() = default;  // the desktop record

  TShellFolder* parent_ = nullptr;
  TItemIdList relative_;
  mutable TItemIdList absolute_;         // made on first use
  mutable ComPtr<IShellFolder> folder_;  // bound on first use
  mutable bool bound_ = false;
  int level_ = 0;
};

// The platform's object services and the desktop record for the life of the
// program: made before any window, freed at exit.
class TShellSession {
 public:
  TShellSession();
  ~TShellSession();
  TShellSession(const TShellSession&) = delete;
  TShellSession& operator=(const TShellSession&) = delete;

 private:
  TOleSession ole_;
  std::unique_ptr<TShellFolder> desktop_;
};

// The desktop record; raises when no session is open.
TShellFolder& DesktopRecord();

}  // namespace pix
