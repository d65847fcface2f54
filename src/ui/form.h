// A top-level window of the program: button-face background, the form font
// scaled to the screen, and its layout scaled by the measured text height.
#pragma once
#include "ui/control.h"

namespace pix {

class TForm : public TControl {
public:
  ~TForm() override;
  const FormMetrics& Metrics() const { return metrics_; }
  HFONT Font() const { return font_; }
  int S(int v) const { return metrics_.Scale(v); }  // a layout size at this screen

  std::function<void(bool& canClose)> OnCloseQuery;  // the close step; may refuse
  std::function<void()> OnDestroy;

  // Asks the window to close as the close box does.
  void Close();
  bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
  // Creates the window hidden; the caller shows it.
  void CreateForm(const std::string& caption, DWORD style, DWORD exStyle, const TRect& bounds,
                  HWND owner = nullptr);
  // Sets the form font on every child window.
  void ApplyFontToChildren();

private:
  FormMetrics metrics_;
  HFONT font_ = nullptr;
};

}  // namespace pix
