// The toolkit's lifetimes, message routing, focus and tab order, modal result
// and the hand-over from other threads, on real windows.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "about/AboutUnit.h"
#include "app/MainUnit.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/bevel.h"
#include "ui/button.h"
#include "ui/label.h"
#include "ui/panel.h"
#include "ui/splitter.h"
#include "ui/statusbar.h"
#include "ui/errors.h"

namespace pix {
namespace {

using pixtest::Settle;
using pixtest::WaitFor;

class ThreeButtons : public TForm {
public:
  void Create() {
    CreateForm("tabs", WS_OVERLAPPEDWINDOW, 0, {40, 40, 340, 240});
    panel.Create(Handle(), {.bounds = {0, 0, 280, 160}});
    a.Create(panel.Handle(), {.bounds = {10, 10, 90, 35}, .caption = "a"});
    b.Create(panel.Handle(), {.bounds = {10, 40, 90, 65}, .caption = "b"});
    c.Create(Handle(), {.bounds = {100, 10, 180, 35}, .caption = "c"});
  }
  TPanel panel;
  TButton a, b, c;
};

TEST(ToolkitLifetime, ObjectAndWindowEachMayGoFirst) {
  ThreeButtons fm;
  fm.Create();
  HWND wnd;
  {
    TPanel p;
    p.Create(fm.Handle(), {.bounds = {0, 0, 10, 10}});
    wnd = p.Handle();
    ASSERT_TRUE(IsWindow(wnd));
    EXPECT_EQ(TControl::FromHandle(wnd), &p);
  }
  EXPECT_FALSE(IsWindow(wnd));  // the object took its window along
  EXPECT_EQ(TControl::FromHandle(wnd), nullptr);

  TPanel q;
  q.Create(fm.Handle(), {.bounds = {0, 0, 10, 10}});
  wnd = q.Handle();
  DestroyWindow(wnd);  // the window goes first: the object lets go of it
  EXPECT_EQ(q.Handle(), nullptr);
  EXPECT_EQ(TControl::FromHandle(wnd), nullptr);
}

TEST(ToolkitClass, ASecondUseWithOtherSettingsIsCaught) {
  const TWindowClass first{.name = "PixlumenTestClass", .style = CS_DBLCLKS};
  RegisterWindowClass(first);
  struct Case {
    const char* what;
    TWindowClass again;
    bool raises;
  };
  const Case cases[] = {
      {"the same settings", first, false},
      {"another style", {.name = first.name, .style = CS_HREDRAW}, true},
      {"another background",
       {.name = first.name, .background = GetSysColorBrush(COLOR_WINDOW)},
       true},
      {"another cursor", {.name = first.name, .cursor = LoadCursorA(nullptr, IDC_CROSS)}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.raises)
      EXPECT_THROW(RegisterWindowClass(c.again), std::logic_error);
    else
      EXPECT_NO_THROW(RegisterWindowClass(c.again));
  }
}

TEST(ToolkitCreate, SettingsDockEachControlInItsContainer) {
  ThreeButtons fm;
  fm.Create();
  HWND h = fm.Handle();
  TPanel top, left;
  TStatusBar status;
  TSplitter split;
  TLabel fill;
  TBevel line;
  top.Create(h, {.dock = {.in = &fm, .align = TAlign::Top, .height = 30}});
  status.Create(h, {.dock = {.in = &fm, .align = TAlign::Bottom, .height = 20}, .edges = {50}});
  left.Create(h, {.dock = {.in = &fm, .align = TAlign::Left, .width = 60}});
  split.Create(h, {.dock = {.in = &fm, .align = TAlign::Left, .width = 3}, .pane = &left});
  fill.Create(h, {.dock = {.in = &fm, .align = TAlign::Client}, .caption = "fill"});
  line.Create(h, {.bounds = {5, 6, 45, 6 + TBevel::kLineHeight}});  // no dock: where it was put
  fm.Realign();
  TRect c = fm.ClientRect();
  struct {
    const char* what;
    TControl& control;
    TRect bounds;
  } cases[] = {
      {"top panel", top, {0, 0, c.right, 30}},
      {"status bar", status, {0, c.bottom - 20, c.right, c.bottom}},
      {"left panel", left, {0, 30, 60, c.bottom - 20}},
      {"splitter", split, {60, 30, 63, c.bottom - 20}},
      {"label", fill, {63, 30, c.right, c.bottom - 20}},
      {"bevel", line, {5, 6, 45, 6 + TBevel::kLineHeight}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    EXPECT_EQ(k.control.Bounds(), k.bounds);
  }
  EXPECT_EQ(line.Align, TAlign::None);
}

TEST(ToolkitRouting, CommandsAndMenuItemsReachTheirOwners) {
  ThreeButtons fm;
  fm.Create();
  std::vector<int> commands;
  fm.OnCommand = [&](int id) {
    commands.push_back(id);
    return true;
  };
  SendMessageA(fm.Handle(), WM_COMMAND, MAKEWPARAM(401, 0), 0);  // a menu item
  SendMessageA(fm.Handle(), WM_COMMAND, MAKEWPARAM(402, 1), 0);  // an accelerator
  EXPECT_EQ(commands, (std::vector<int>{401, 402}));

  int clicks = 0;
  fm.b.OnClick = [&] { ++clicks; };
  SendMessageA(fm.b.Handle(), BM_CLICK, 0, 0);  // the button's notification goes to its parent panel
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(commands.size(), 2u);
}

TEST(ToolkitFocus, TabWalksTheStopsAndActivationGivesTheFocusBack) {
  ThreeButtons fm;
  fm.Create();
  ShowWindow(fm.Handle(), SW_SHOW);
  SetForegroundWindow(fm.Handle());
  Settle();
  EXPECT_EQ(GetFocus(), fm.a.Handle());  // the first tab stop the first time
  // Keys as the message loop gets them, with Shift held in the key state.
  auto press = [](UINT vk, bool shift) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageA(GetFocus(), WM_KEYDOWN, vk, 1);
    PostMessageA(GetFocus(), WM_KEYUP, vk, 0xC0000001);
    Settle();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  };
  press(VK_TAB, false);
  EXPECT_EQ(GetFocus(), fm.b.Handle());
  press(VK_TAB, false);
  EXPECT_EQ(GetFocus(), fm.c.Handle());
  press(VK_TAB, false);
  EXPECT_EQ(GetFocus(), fm.a.Handle());  // wraps
  press(VK_TAB, true);
  EXPECT_EQ(GetFocus(), fm.c.Handle());
  EnableWindow(fm.a.Handle(), FALSE);
  press(VK_TAB, false);
  EXPECT_EQ(GetFocus(), fm.b.Handle());  // a disabled stop is passed over
  EnableWindow(fm.a.Handle(), TRUE);

  // Another window takes the activation and gives it back: b has the focus again.
  ThreeButtons other;
  other.Create();
  ShowWindow(other.Handle(), SW_SHOW);
  SetActiveWindow(other.Handle());
  Settle();
  EXPECT_EQ(GetFocus(), other.a.Handle());
  SetActiveWindow(fm.Handle());
  Settle();
  EXPECT_EQ(GetFocus(), fm.b.Handle());
}

TEST(ToolkitFocus, TheListKeepsTheKeyboardAfterAnErrorBoxAndTheAboutWindow) {
  pixtest::TempDir dir;
  dir.Write("a.bmp", "BA broken");
  dir.Write("b.bmp", "BA broken too");
  TfmMain fm;
  fm.Create();
  TfmAbout about;
  about.Create(fm.Handle());
  fm.flList.SetFolder(dir.Path());
  ShowWindow(fm.Handle(), SW_SHOW);
  SetForegroundWindow(fm.Handle());
  fm.SetActiveControl(fm.flList.Handle());
  Settle();
  ASSERT_EQ(GetFocus(), fm.flList.Handle());
  // A load that fails shows the error box; once it is dismissed the list has the keys.
  auto seen = pixtest::CatchMessageBox([&] {
    PostMessageA(fm.flList.Handle(), WM_KEYDOWN, VK_DOWN, 1);
    Settle();
  });
  ASSERT_TRUE(seen.shown);
  Settle();
  EXPECT_EQ(fm.flList.ItemIndex(), 0);
  EXPECT_EQ(GetFocus(), fm.flList.Handle());
  seen = pixtest::CatchMessageBox([&] {
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_DOWN, 1);  // the next key reaches the list
    Settle();
  });
  EXPECT_TRUE(seen.shown);
  EXPECT_EQ(fm.flList.ItemIndex(), 1);

  SetTimer(about.Handle(), 1, 100, nullptr);
  Application().OnIdle = [&] {
    if (IsWindowVisible(about.Handle())) about.Close();
  };
  EXPECT_EQ(about.ShowModal(), mrCancel);
  Application().OnIdle = nullptr;
  EXPECT_TRUE(IsWindowEnabled(fm.Handle()));
  EXPECT_EQ(GetFocus(), fm.flList.Handle());
}

TEST(ToolkitModal, TheResultEndsTheLoop) {
  ThreeButtons fm, dlg;
  fm.Create();
  dlg.Create();
  ShowWindow(fm.Handle(), SW_SHOW);
  bool disabled = false;
  SetTimer(dlg.Handle(), 1, 50, nullptr);
  Application().OnIdle = [&] {
    if (!IsWindowVisible(dlg.Handle())) return;
    disabled = !IsWindowEnabled(fm.Handle());
    dlg.ModalResult = mrOk;
  };
  EXPECT_EQ(dlg.ShowModal(), mrOk);
  Application().OnIdle = nullptr;
  EXPECT_TRUE(disabled);
  EXPECT_TRUE(IsWindowEnabled(fm.Handle()));
  EXPECT_FALSE(IsWindowVisible(dlg.Handle()));
  EXPECT_FALSE(dlg.Modal());
}

TEST(ToolkitHandOver, RunsOnTheInterfaceThreadOrNotAtAll) {
  DWORD ui = GetCurrentThreadId(), ranOn = 0;
  std::atomic<int> result{-1};
  std::thread worker([&] { result = Application().Synchronize([&] { ranOn = GetCurrentThreadId(); }); });
  while (result < 0) Application().ProcessMessages();
  worker.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(ranOn, ui);

  // Stopped before the interface thread got to it: it never runs.
  TOwnedHandle stop(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  bool ran = false;
  result = -1;
  worker = std::thread([&] { result = Application().Synchronize([&] { ran = true; }, stop); });
  while (Application().PendingSynchronize() == 0) Sleep(1);  // queued, not yet run
  SetEvent(stop);
  worker.join();
  Application().ProcessMessages();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(ran);

  // The program going away wakes a waiting call without running it.
  result = -1;
  worker = std::thread([&] { result = Application().Synchronize([&] { ran = true; }); });
  while (Application().PendingSynchronize() == 0) Sleep(1);
  Application().CancelSynchronize();
  worker.join();
  Application().ProcessMessages();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace pix
