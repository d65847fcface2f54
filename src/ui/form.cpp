#include "ui/form.h"

#include "ui/app.h"

namespace pix {

TForm::~TForm() {
  DestroyHandle();
  if (font_) DeleteObject(font_);
}

void TForm::CreateForm(const std::string& caption, DWORD style, DWORD exStyle,
                       const TRect& bounds, HWND owner) {
  if (!font_) metrics_ = MeasureFormFont(&font_);
  CreateOwn("PixlumenForm", caption, style | WS_CLIPCHILDREN, exStyle, owner, bounds, CS_DBLCLKS,
            GetSysColorBrush(COLOR_BTNFACE));
  SetFont(font_);
}

namespace {
BOOL CALLBACK SetFontProc(HWND wnd, LPARAM font) {
  SendMessageA(wnd, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}
}  // namespace

void TForm::ApplyFontToChildren() {
  EnumChildWindows(Handle(), SetFontProc, reinterpret_cast<LPARAM>(font_));
}

void TForm::Close() {
  if (Handle()) SendMessageA(Handle(), WM_CLOSE, 0, 0);
}

bool TForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_CLOSE: {
      bool canClose = true;
      if (OnCloseQuery) OnCloseQuery(canClose);
      if (!canClose) return true;
      if (Handle() == Application().MainWindow()) {
        DestroyWindow(Handle());
      } else {
        ShowWindow(Handle(), SW_HIDE);
      }
      return true;
    }
    case WM_DESTROY:
      if (OnDestroy) OnDestroy();
      if (Handle() == Application().MainWindow()) Application().Terminate();
      return false;
    default: return TControl::HandleMessage(msg, wp, lp, result);
  }
}

}  // namespace pix
