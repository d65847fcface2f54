// The application object's message loop, idle hook, modal loop and cursor.
#include <gtest/gtest.h>

#include "app/MainUnit.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/errors.h"

namespace pix {
namespace {

class Dialog : public TForm {
public:
  void Create() { CreateForm("modal", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, {10, 10, 200, 100}); }
};

TEST(ModalLoop, DisablesTheOtherWindowsUntilClosed) {
  TfmMain fm;
  fm.Create();
  ShowWindow(fm.Handle(), SW_SHOW);
  Dialog dlg;
  dlg.Create();
  bool mainEnabledDuring = true, idleRan = false;
  SetTimer(dlg.Handle(), 1, 50, nullptr);
  Application().OnIdle = [&] {
    idleRan = true;
    if (IsWindowVisible(dlg.Handle())) {
      mainEnabledDuring = IsWindowEnabled(fm.Handle()) != FALSE;
      dlg.Close();  // hides it: ends the modal loop
    }
  };
  Application().RunModal(dlg.Handle(), nullptr);
  Application().OnIdle = nullptr;
  EXPECT_TRUE(idleRan);
  EXPECT_FALSE(mainEnabledDuring);
  EXPECT_TRUE(IsWindowEnabled(fm.Handle()));
  EXPECT_FALSE(IsWindowVisible(dlg.Handle()));
  EXPECT_TRUE(IsWindow(dlg.Handle()));  // a secondary form hides on close
}

TEST(ModalLoop, FailureInsideIsReportedAndTheLoopGoesOn) {
  Dialog dlg;
  dlg.Create();
  int idleCalls = 0;
  Application().OnIdle = [&] {
    if (++idleCalls == 1) throw EInvalidGraphic("Icon image is not valid");
    dlg.Close();
  };
  auto seen = pixtest::CatchMessageBox([&] { Application().RunModal(dlg.Handle(), nullptr); });
  Application().OnIdle = nullptr;
  EXPECT_EQ(seen.text, "Icon image is not valid.");
  EXPECT_GE(idleCalls, 2);
}

TEST(AppCursor, OverridesTheWindowsOwnCursor) {
  TfmMain fm;
  fm.Create();
  ShowWindow(fm.Handle(), SW_SHOW);
  Application().SetCursor(TCursor::crHourGlass);
  LRESULT r = SendMessageA(fm.pnNavigation.Handle(), WM_SETCURSOR,
                           reinterpret_cast<WPARAM>(fm.pnNavigation.Handle()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(r, TRUE);
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
  Application().SetCursor(TCursor::crDefault);
  r = SendMessageA(fm.pnNavigation.Handle(), WM_SETCURSOR,
                   reinterpret_cast<WPARAM>(fm.pnNavigation.Handle()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(r, FALSE);  // the window's own cursor again
}

}  // namespace
}  // namespace pix
