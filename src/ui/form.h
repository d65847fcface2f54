// A top-level window of the program: button-face background, the form font
// scaled to the window's density, and its layout scaled by the measured text
// height, laid out again from the same numbers when the density changes. It
// keeps its own keyboard focus across deactivation, moves it with Tab, and can
// run modally.
#pragma once
#include <vector>

#include "ui/control.h"
#include "ui/handles.h"

namespace pix {

// Modal results.
enum : int { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL };

// The modifier keys held with a key.
struct TShiftState {
  bool shift = false, ctrl = false, alt = false;
  static TShiftState Current();
};

class TForm : public TControl {
 public:
  ~TForm() override;
  const FormMetrics& Metrics() const { return metrics_; }
  HFONT Font() const { return font_; }
  int S(int v) const { return metrics_.Scale(v); }  // a layout size at this screen
  int Dpi() const { return metrics_.dpi; }

  // Fonts, layout and images as a form made at `dpi` would have them.
  void ApplyDpi(int dpi);
  // The same for the density the window has now (a window about to show on a
  // monitor other than the one it was made on).
  void FollowDpi();

  std::function<void(bool& canClose)> OnCloseQuery;  // the close step; may refuse
  std::function<void()> OnDestroy;
  // Menu items and accelerators (WM_COMMAND without a control); true when handled.
  std::function<bool(int id)> OnCommand;
  // With KeyPreview the form sees every key pressed in it before the control with
  // the focus; a handler that sets the key to 0 consumes it.
  bool KeyPreview = false;
  std::function<void(WORD& key, TShiftState shift)> OnKeyDown;
  // Keyboard and mouse-button messages for the form's menu bar, before the key
  // preview; true when the bar used the message up.
  std::function<bool(MSG&)> OnMenuKey;
  // Called when the form becomes the active window, and when it stops being it.
  std::function<void()> OnActivate;
  std::function<void()> OnDeactivate;

  // Asks the window to close as the close box does.
  void Close();

  // Shows the form (`show` as for RunModal) and runs a modal loop until
  // ModalResult is set or the form is hidden; the program's other windows are
  // disabled meanwhile, and the focus goes back where it was. Closing answers
  // mrCancel.
  int ShowModal(int show = SW_SHOW);
  int ModalResult = mrNone;
  bool Modal() const { return modal_; }

  // The control that has, or had when the form was last deactivated, the focus.
  HWND ActiveControl() const { return activeControl_; }
  void SetActiveControl(HWND control);
  // Visible, enabled tab stops in tab order (creation order, depth first).
  std::vector<HWND> TabStops() const;
  // Moves the focus to the next (or previous) tab stop; false when there is none.
  bool SelectNext(bool backward);

  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  // Tab and the key preview, applied to a message before it is dispatched;
  // true when the message was used up.
  static bool PreTranslate(MSG& msg);

 protected:
  // Creates the window hidden; the caller shows it.
  void CreateForm(const std::string& caption, DWORD style, DWORD exStyle, const TRect& bounds,
                  HWND owner = nullptr);
  // Sets the form font on every child window.
  void ApplyFontToChildren();
  // Sets every size, font and image of the form that depends on the density,
  // from the form's own layout numbers (given for a 16-pixel text height);
  // `was` holds the metrics before (the current ones at creation).
  virtual void ScaleLayout(const FormMetrics& was);
  // ScaleLayout, then the form font on the children and a new layout: the one
  // road for creation and for a change of density.
  void Rescale(const FormMetrics& was);

 private:
  void Activated();
  void UseDpi(int dpi);
  static bool AltUpFromElsewhere(const MSG& msg, HWND root);
  FormMetrics metrics_;
  TOwnedFont font_;
  TOwnedIcon smallIcon_, bigIcon_;
  HWND activeControl_ = nullptr;
  bool modal_ = false;
};

}  // namespace pix
