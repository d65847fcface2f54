// The full-screen view: the main list's selected file in a maximised window of
// its own, reduced to fit; Right, Space and Page Down step on, Left, Backspace
// and Page Up back, Home and End go to the ends of the list, and the main
// window's preview follows.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "pictures/imagehost.h"
#include "ui/form.h"
#include "ui/statusbar.h"

namespace pix {

// What the view needs of the list it steps through.
struct TViewList {
  virtual ~TViewList() = default;
  virtual int Count() const = 0;
  virtual int ItemIndex() const = 0;
  virtual void SetItemIndex(int index) = 0;  // no report
  // Selects as the user would, and the list's owner refreshes.
  virtual void SelectAndReport(int index) = 0;
  virtual std::string SelectedFilePath() const = 0;
  // The entry named exactly `name`; -1 when none is, kUnknown when the list
  // can't tell (the picture shown is then taken to be where it was).
  static constexpr int kUnknown = -2;
  virtual int IndexOf(const std::string& name) const {
    (void)name;
    return kUnknown;
  }
  // Reads the selected entry's neighbours ahead for the view; before that
  // entry loads, makes room for it among what was read ahead.
  virtual void ReadAheadFor(const TImageHost& view) = 0;
  virtual void MakeRoomToLoad() {}
  // A step onto `index` that loads nothing: another step key waits behind it.
  virtual void PassOver(int index) { (void)index; }
};

class TfmView : public TForm {
 public:
  // Builds the window, hidden.
  void Create();

  TImageHost imgWiev;
  TStatusBar fsStatusBar;
  // The list stepped through, set once by the view's owner.
  std::unique_ptr<TViewList> FileList;
  // The main window's selected-file step, run after each key but the step keys
  // (their steps report through the list) while there is a list.
  std::function<void()> OnListChange;

  // Loads the file, the list's selected one, into the view, then describes it
  // in the status bar and the caption, and has the list read its neighbours
  // ahead. A failed load raises before anything else changes.
  void ShowPicture(const std::string& path);
  void FormKeyDown(WORD& key, TShiftState shift);
  void FormActivate();
  void imgWievDblClick();

  // Shows the list's selected file modally and maximised, owned by `owner`
  // until it closes. The caller keeps the busy cursor up around this; the
  // normal one is shown while the view is up. A file that can't be loaded
  // raises without showing the view.
  void ShowModalOver(HWND owner);

  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 protected:
  void ScaleLayout(const FormMetrics& was) override;

 private:
  void StepTo(int index);
  // Right (+1) or Left (-1) from the picture shown (or the last step passed
  // over), wherever a re-read of the list has moved it or if it is gone; the
  // view closes when the list is empty.
  void Step(int direction);
  void StepToEnd(bool last);

  // The picture shown: its name and the list's index when it was shown.
  std::string shownName_;
  int shownIndex_ = -1;
  // Where the steps passed over since the picture shown have got to; -1 when none.
  int passed_ = -1;
  // The step shown whose main-window refresh a waiting key put off; -1 when none.
  int unreported_ = -1;
};

}  // namespace pix
