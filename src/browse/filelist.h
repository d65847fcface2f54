// The file list: the files of one folder matching the mask's patterns, sorted,
// each drawn with a small glyph. The folder is read by its full path; the
// process's current directory is left alone, so the program never holds a
// folder the user looks at (a folder that is some process's current directory
// can't be renamed or deleted on Windows).
#pragma once
#include <functional>
#include <string>

#include "browse/filelist_core.h"
#include "browse/folderwatch.h"
#include "ui/control.h"
#include "ui/handles.h"

namespace pix {

class TFilterComboBox;

// True when the path exists and is a directory (relative paths are taken in the
// current directory).
bool IsExistingFolder(const std::string& path);
// Texts (file names, filters) compared without regard to letter case.
bool SameTextIgnoringCase(const std::string& a, const std::string& b);
// The process's current directory as the platform reports it.
std::string GetCurrentDir();

struct TFileListBoxArgs {
  TDock dock = {};
  TRect bounds = {};
  int id = 0;
};

class TFileListBox : public TControl {
 public:
  TFileListBox();  // the folder is the current directory at this moment
  ~TFileListBox() override;

  // Creates the list box window and reads the folder.
  void Create(HWND parent, const TFileListBoxArgs& a);

  const std::string& FolderPath() const { return folder_; }
  // Sets the folder from a path text (a folder path, a drive, a network folder).
  void SetFolderFromPath(const std::string& text);
  // Switches to another folder; nothing happens if it is the one shown.
  void SetFolder(const std::string& folder);
  // The folder `from` (the one shown, or one above it) was renamed to `to`:
  // the folder path follows, the entries stay as they are.
  void FolderRenamed(const std::string& from, const std::string& to);

  const std::string& Mask() const { return mask_; }
  void SetMask(const std::string& mask);  // refills only on a real change
  unsigned FileType() const { return fileType_; }
  void SetFileType(unsigned fileType);
  bool ShowGlyphs() const { return showGlyphs_; }
  void SetShowGlyphs(bool show);
  int ItemHeight() const { return itemHeight_; }
  // The glyphs drawn `size` pixels wide (16, 24 or 32); the items grow to hold them.
  void SetGlyphSize(int size);
  int GlyphSize() const { return glyphSize_; }
  void SetItemHeight(int height);

  // Folder, one "\" unless it ends in one, and the entry at `index`.
  std::string FilePath(int index) const;
  // The selected entry's path; "" for none.
  std::string SelectedFilePath() const;
  int Count() const;
  std::string Item(int index) const;
  // The entry named exactly `name`, letter case included; -1 when none is.
  int IndexOf(const std::string& name) const;
  int ItemIndex() const;
  void SetItemIndex(int index);  // fires no event
  // Selects the entry as the user would: it becomes the last reported one and
  // the change event fires, so the next key or click goes on from the entry shown.
  void SelectAndReport(int index);
  void Clear();  // no event either
  void Repaint();
  // Re-reads the folder, pattern by pattern, then runs the change step.
  void RefillEntries();
  // Lists `folder` (the folder shown, read again or under its new name),
  // keeping the selected file selected and in view; the change step runs only
  // when the selected file's path is no longer what it was.
  void ReadFolderAgain(const std::string& folder);

  std::function<void()> OnChange;
  // The type-ahead's clock in milliseconds; GetTickCount when unset.
  std::function<uint32_t()> Clock;
  std::function<void()> OnClick;

  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  bool HandleReflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 protected:
  // Enumerates the current directory with a wildcard pattern and an attribute
  // word, calling `found` with each entry's long name and attributes.
  virtual void Enumerate(const std::string& pattern, unsigned attributeWord,
                         const std::function<void(const char* name, unsigned attrs)>& found);

 private:
  friend class TFilterComboBox;
  void FillEntries();
  void Change();
  void Click();
  int FindByIdentity(const TDiskId& id) const;
  bool TypeAheadKey(const std::string& ch);
  std::string TakeCharacter(unsigned char first);
  void DrawItem(const DRAWITEMSTRUCT& di);
  void FontChanged();
  HBITMAP Glyph(TGlyphKind kind) const { return glyphs_[static_cast<int>(kind)]; }

  std::string folder_;
  std::string mask_ = "*.*";
  unsigned fileType_ = ftNormal;
  bool showGlyphs_ = false;
  int itemHeight_ = 16;
  int glyphSize_ = 16;
  int lastReported_ = -1;
  bool listed_ = false;  // the entries are the folder's, as last read
  TDiskId selectedId_;   // the file last reported, as the disk knew it then
  TTypeAhead typeAhead_;
  TOwnedBitmap glyphs_[3];
  HFONT font_ = nullptr;
  TFilterComboBox* filter_ = nullptr;  // the box linked to this list, if any
};

}  // namespace pix
