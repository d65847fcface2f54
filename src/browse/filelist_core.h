// The file list's logic that needs no window: path splitting, mask and filter
// texts, glyph choice, the attribute rule, type-ahead, and where entries land in
// a sorted list. No platform headers; the directory operations come through an
// interface so the splitting can run against any file system.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pix {

// Text of the I/O error raised when the current directory can't be changed.
std::string IoErrorText(unsigned code);

// Raises EInOutError for a platform error code.
[[noreturn]] void RaiseInOutError(unsigned code);

// The directory operations the path splitting works through.
class IDirectoryOps {
 public:
  virtual ~IDirectoryOps() = default;
  virtual std::string CurrentFolder() = 0;
  // 0 on success, otherwise the platform's error code.
  virtual unsigned EnterFolder(const std::string& path) = 0;
  virtual bool FolderExists(const std::string& path) = 0;
  // True for an existing file that is not a folder.
  virtual bool FileExists(const std::string& path) = 0;
};

// The leading drive ("C:") or network root ("\\server\share") of a path, or "".
std::string PathRoot(const std::string& path);

// `path` taken from the folder `base`: C:\x\y for "y", C:\y for "\y", the
// base itself for its bare drive "C:"; "." and ".." parts worked out, every
// other name kept as it is, dots and spaces at its end included. No "\" at
// the end but for a drive's root.
std::string JoinPath(const std::string& base, const std::string& path);

struct TPathParts {
  char drive = 0;  // drive letter, 0 for none
  std::string dir;
  std::string name;
  // The folder to switch to: "X:" + dir, or dir when there is no drive letter.
  std::string Folder() const { return drive ? std::string(1, drive) + ":" + dir : dir; }
};

// Splits a path text into drive letter, directory and name, entering folders on
// the way to decide what names a folder; the current directory is restored at
// the end (if it still exists). A failure to enter a folder raises EInOutError.
TPathParts SplitPathText(IDirectoryOps& ops, const std::string& text);

// The patterns of a mask, split at every ";" and not trimmed.
std::vector<std::string> SplitMask(const std::string& mask);

struct TFilterEntry {
  std::string description;
  std::string patterns;
};
// "description|patterns|description|patterns...": a trailing description
// without its "|" is dropped.
std::vector<TFilterEntry> ParseFilter(const std::string& filter);
// The patterns a filter box gives for `index` (the last entry when none is
// selected, "*.*" when there are no entries).
std::string FilterPatterns(const std::vector<TFilterEntry>& entries, int index);

// UnknownFile is 0: the item data a list entry starts with.
enum class TGlyphKind { UnknownFile, Executable, ClosedFolder };
// Programs (.exe .com .bat .pif) get the program glyph, everything else the page.
TGlyphKind GlyphForFileName(const std::string& name);

// Attribute classes of the list and the bit each adds to the enumeration word.
enum TFileTypeBit : unsigned {
  ftReadOnly = 1,
  ftHidden = 2,
  ftSystem = 4,
  ftVolumeID = 8,
  ftDirectory = 16,
  ftArchive = 32,
  ftNormal = 0x100,  // adds no bit to the word
};
// The enumeration's attribute word for a set of TFileTypeBit values.
unsigned AttributeWord(unsigned fileType);
// Whether an entry the platform enumerated is listed: entries with a hidden,
// system, volume or directory bit the word lacks are skipped; of the rest, all
// when ftNormal is in the set, else those sharing a bit with the word.
bool ListedEntry(unsigned attributes, unsigned fileType);

// The list's type-ahead prefix: emptied after a pause of 500 ms or more.
class TTypeAhead {
 public:
  static constexpr uint32_t kPauseMs = 500;
  // `isLeadByte` tells double-byte lead bytes apart; without it text is UTF-8.
  explicit TTypeAhead(bool (*isLeadByte)(unsigned char) = nullptr) : isLead_(isLeadByte) {}
  // One typed character (all its bytes; "\b" for Backspace) at `nowMs`.
  const std::string& Key(const std::string& ch, uint32_t nowMs);
  const std::string& Buffer() const { return buffer_; }

 private:
  void RemoveLastCharacter();
  bool (*isLead_)(unsigned char);
  std::string buffer_;
  uint32_t last_ = 0;
  bool typed_ = false;
};

// Number of bytes a character starting with `lead` takes in UTF-8 (1 for a
// stray continuation byte).
int Utf8Length(unsigned char lead);

// Watches a refill for the entry that lands at one position of the sorted list
// (each entry inserted at its sorted place as it is enumerated, after the
// entries equal to it). Only the target + 1 smallest keys so far are kept, which
// is all it takes to know whether a new entry lands exactly at the target.
class TLandingWatch {
 public:
  explicit TLandingWatch(size_t target) : target_(target) {}
  // Adds the next entry by its sort key (compared bytewise); true when it lands
  // at the target position.
  bool Add(std::string_view key);

 private:
  size_t target_;
  std::vector<std::string> smallest_;  // ascending
};

}  // namespace pix
