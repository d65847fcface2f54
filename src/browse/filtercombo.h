// The filter box: a drop-down list of filter descriptions; choosing one gives
// its patterns to the linked file list as its mask.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "browse/filelist_core.h"
#include "ui/control.h"

namespace pix {

class TFileListBox;

struct TFilterComboBoxArgs {
  TDock dock = {};
  TRect bounds = {};  // its height (or else the dock's) is the closed box's
  int id = 0;
};

class TFilterComboBox : public TControl {
 public:
  ~TFilterComboBox() override;
  // Creates the box (its height is the closed box's) and builds the entries.
  void Create(HWND parent, const TFilterComboBoxArgs& a);

  const std::string& Filter() const { return filter_; }
  // "description|patterns|...": ignored when equal ignoring case; otherwise the
  // entries are rebuilt and the list gets the selected entry's patterns.
  void SetFilter(const std::string& filter);
  // Links the list that gets the patterns (not owned; unlinked if it goes first).
  void SetFileList(TFileListBox* list);
  TFileListBox* FileList() const { return list_; }

  // The patterns of the selected entry (the last entry selected if none is).
  std::string Mask();
  int Count() const;
  std::string Item(int index) const;
  int ItemIndex() const;
  void SetItemIndex(int index);  // fires no event

  std::function<void()> OnChange;

  void SetBounds(const TRect& r) override;
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  bool HandleReflected(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  friend class TFileListBox;
  void BuildEntries();
  void Chosen();
  void ApplyHeight();

  std::string filter_ = "All files (*.*)|*.*";
  std::vector<TFilterEntry> entries_;
  TFileListBox* list_ = nullptr;
  int height_ = 24;    // of the closed box
  int fontField_ = 0;  // the selection field the control itself gives the font
};

}  // namespace pix
