// Drives the platform's open dialog as a user would, from a second thread while
// the test's own thread sits inside the dialog: types into its file-name box,
// selects in its file view, confirms or cancels, and reads the preview pane.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace pixtest {

class DialogUser {
 public:
  DialogUser(HWND dialog, HWND label, HWND paintPanel)
      : dlg_(dialog), label_(label), paintPanel_(paintPanel) {}
  HWND Dialog() const { return dlg_; }
  // Replaces the file-name box's text.
  void Type(const std::string& text) const;
  std::string NameBox() const;
  // The default button, as Enter in the name box.
  void Enter() const;
  void Cancel() const;
  // Waits until the file view lists `name`; false if it never shows.
  bool WaitListed(const std::string& name) const;
  // Waits until the file view lists `name`, then selects it alone; false if it never shows.
  bool Select(const std::string& name) const;
  // The pane's label and picture caption.
  std::string Label() const { return Text(label_); }
  std::string PaneCaption() const { return Text(paintPanel_); }
  // Waits until the label reads `text`; returns what it read last.
  std::string WaitLabel(const std::string& text, int ms = 5000) const;
  // Waits until the dialog has closed.
  bool WaitClosed(int ms = 5000) const;
  static std::string Text(HWND w);

 private:
  HWND FileView() const;
  int FindItem(HWND view, const std::string& name) const;
  HWND dlg_, label_, paintPanel_;
};

// Runs `show` (which opens the dialog titled `title` and returns when it
// closes) on this thread and `steps` on another once the dialog is up. A dialog
// still open after the steps is cancelled. False when no dialog appeared.
bool DriveDialog(const std::string& title, HWND label, HWND paintPanel,
                 const std::function<void()>& show,
                 const std::function<void(const DialogUser&)>& steps);

}  // namespace pixtest
