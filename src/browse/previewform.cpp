#include "browse/previewform.h"

#include "browse/opendialog_core.h"
#include "ui/monitors_core.h"

namespace pix {

void TPreviewForm::Create(HWND owner, const TPicture& picture) {
  // Made over its owner, so it takes the density of the owner's monitor.
  RECT over{0, 0, 0, 0};
  if (owner) GetWindowRect(owner, &over);
  CreateForm("Preview", WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, WS_EX_TOOLWINDOW,
             {over.left, over.top, over.left + 400, over.top + 300}, owner);
  SetWindowPos(Handle(), nullptr, 0, 0, S(400), S(300), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  KeyPreview = true;
  OnKeyDown = [this](WORD& key, TShiftState) {
    if (key != VK_ESCAPE) return;
    key = 0;
    Close();
  };
  TFramedPanelStyle style;
  style.outer = TBevelCut::None;
  style.singleBorder = true;
  style.borderWidth = 5;
  style.color = COLOR_WINDOW;
  style.doubleBuffered = true;
  Panel.Create(
      Handle(),
      {.dock = {.in = this, .align = TAlign::Client}, .bounds = ClientRect(), .style = style});
  Image.Create(Panel.Handle(), {.dock = {.in = &Panel, .align = TAlign::Client}});
  Image.SetStretch(true);
  Image.SetProportional(true);
  Image.SetCenter(true);
  Realign();
  Panel.Realign();
  Image.Picture().Assign(picture);

  HMONITOR monitor = MonitorFromWindow(owner ? owner : Handle(), MONITOR_DEFAULTTONEAREST);
  MONITORINFO mi{sizeof mi, {}, {}, 0};
  GetMonitorInfoA(monitor, &mi);
  const RECT& m = mi.rcMonitor;
  TRect client = ClientRect(), inner = Panel.ClientRect();
  TClientSize size =
      PreviewClientSize({m.right - m.left, m.bottom - m.top}, {client.Width(), client.Height()},
                        {inner.Width(), inner.Height()}, {picture.Width(), picture.Height()});
  RECT frame{0, 0, size.width, size.height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(Handle(), GWL_EXSTYLE)));
  // Centred on the monitor's work area.
  const RECT& w = mi.rcWork;
  TRect at = CentredOnWorkArea({w.left, w.top, w.right, w.bottom}, frame.right - frame.left,
                               frame.bottom - frame.top);
  SetWindowPos(Handle(), nullptr, at.left, at.top, at.Width(), at.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace pix
