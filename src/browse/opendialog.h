// The open-picture dialog: the platform's file-open dialog with a preview pane
// on its right that shows the selected file as it will look, with its size.
#pragma once
#include <windows.h>

#include <string>

#include "pictures/imagehost.h"
#include "ui/framedpanel.h"
#include "ui/label.h"
#include "ui/speedbutton.h"

namespace pix {

// A panel whose painting never fails: an error while its picture paints is
// swallowed, the picture hidden and the caption set to "Invalid image".
class TSilentPaintPanel : public TFramedPanel {
 public:
  void Silence(TImageHost& view);
  // The caption shows only where no picture covers it: with a caption the
  // picture is hidden, without one it shows.
  void ShowCaption(const std::string& caption);

 protected:
  void PaintPanel(HDC dc, const RECT& client) override;

 private:
  TImageHost* view_ = nullptr;
};

class TOpenPictureDialog {
 public:
  // Builds the filter, and the preview pane (parked hidden until the dialog
  // opens) now or when MakePane or Execute is first called.
  enum class TPane { Now, Later };
  explicit TOpenPictureDialog(TPane pane = TPane::Now);
  ~TOpenPictureDialog();
  TOpenPictureDialog(const TOpenPictureDialog&) = delete;
  TOpenPictureDialog& operator=(const TOpenPictureDialog&) = delete;

  std::string Title = "Выберите файл с рисунком";
  std::string InitialDir = "C:\\";
  const std::string& Filter() const { return filter_; }
  int FilterIndex = 1;
  // The chosen file's full path; the next run starts with it.
  std::string FileName;

  // Shows the dialog modally; true when the user confirmed a file.
  bool Execute();
  void MakePane();
  // The dialog window while it runs (for the program's own windows above it).
  HWND DialogHandle() const { return dialog_; }

  // The preview pane.
  TFramedPanel PicturePanel;
  TLabel PictureLabel;
  TSpeedButton PreviewButton;
  TSilentPaintPanel PaintPanel;
  TImageHost PaintBox;

  void PreviewClick();

 private:
  class TParking;
  static UINT_PTR CALLBACK HookProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR);
  static bool ConfirmedNameTooLong(HWND dialog);
  void Notified(HWND dlg, const OFNOTIFYA& n);
  void DoShow(HWND dlg);
  void OpenPane(HWND dlg);
  void PlacePane(HWND dlg);
  // Sizes and the button's glyph for a dialog at `dpi`.
  void ScalePane(int dpi);
  void CentreDialog();
  void UpdatePreview();
  bool Preview(const std::string& path);
  void ParkPane();

  std::unique_ptr<TParking> parking_;
  std::string filter_;
  std::string lastPath_;
  HWND dialog_ = nullptr;    // the platform's dialog while it runs
  HWND template_ = nullptr;  // its child made from our template
  int paneDpi_ = 0;
  HWND activeBefore_ = nullptr;
};

}  // namespace pix
