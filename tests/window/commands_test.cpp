// The main window's commands as a user meets them: the fit toggle through its
// item and Ctrl+Z, the full-screen item's availability, the menu bar wrapping,
// its drop-down and keyboard access, and the title while minimised.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>
#include <memory>

#include "app/MainUnit.h"
#include "image_view_host.h"
#include "testutil.h"
#include "ui/app.h"

namespace pix {
namespace {

using pixtest::Settle;
using pixtest::WaitFor;
using pixtest::TempDir;
using viewtest::CodedPicture;

constexpr char kReduce[] = "Уменьшить до оптимального";
constexpr char kOwnSize[] = "Исходный размер";
constexpr char kFitWidth[] = "По ширине экрана";

struct Mods {
  bool ctrl = false, shift = false, alt = false;
};

class Commands : public testing::Test {
 protected:
  void SetUp() override {
    Application().SetTitle("Pixlumen");
    fm.Create();
    SetWindowPos(fm.Handle(), HWND_TOP, 0, 0, 900, 700, SWP_SHOWWINDOW);
    SetForegroundWindow(fm.Handle());
    fm.Toolbar.Beep = [this] { ++beeps; };
    Settle();
    Idle();
  }
  void TearDown() override {
    BYTE keys[256] = {};
    SetKeyboardState(keys);
  }
  // What the message loop does when the queue runs empty.
  void Idle() { Application().OnIdle(); }

  // A key as the message loop gets it, with the modifiers held in the key state.
  void Press(UINT vk, Mods m = {}) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = m.ctrl ? 0x80 : 0;
    keys[VK_SHIFT] = m.shift ? 0x80 : 0;
    keys[VK_MENU] = m.alt ? 0x80 : 0;
    SetKeyboardState(keys);
    bool sys = (m.alt && !m.ctrl) || vk == VK_F10 || vk == VK_MENU;
    LPARAM lp =
        static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16 | 1 | (m.alt ? 1 << 29 : 0);
    HWND to = GetFocus() ? GetFocus() : fm.Handle();
    PostMessageA(to, sys ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, lp);
    if (vk == VK_MENU) keys[VK_MENU] = 0, SetKeyboardState(keys);
    PostMessageA(to, sys ? WM_SYSKEYUP : WM_KEYUP, vk, lp | 0xC0000000);
    Settle();
    keys[VK_CONTROL] = keys[VK_SHIFT] = keys[VK_MENU] = 0;
    SetKeyboardState(keys);
  }
  // A mouse click in the middle of a menu-bar item.
  void Click(const char* item) {
    RECT r = fm.Toolbar.ItemRect(fm.Toolbar.IndexOf(item));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageA(fm.Toolbar.Handle(), WM_MOUSEMOVE, 0, at);
    PostMessageA(fm.Toolbar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(fm.Toolbar.Handle(), WM_LBUTTONUP, 0, at);
    Settle();
  }
  int Fit() const { return fm.Toolbar.IndexOf("tbProportional"); }
  int Full() const { return fm.Toolbar.IndexOf("tbFullScreen"); }
  void ShowPicture(int w, int h) {
    fm.Img.Picture().SetGraphic(std::make_unique<CodedPicture>(w, h));
    Settle();
    Idle();
  }
  void ExpectFit(const std::string& caption, int image, bool fit) {
    EXPECT_EQ(fm.Toolbar.ShownCaption(Fit()), caption);
    EXPECT_EQ(fm.Toolbar.ShownImage(Fit()), image);
    EXPECT_EQ(fm.Img.Proportional(), fit);
  }
  // Counts the full-screen handler's runs in place of the view it opens.
  void CountFullScreen() {
    fm.AcFullScreen->OnExecute = [this] { ++fullScreens; };
  }

  TfmMain fm;
  int beeps = 0;
  int fullScreens = 0;
};

TEST_F(Commands, TheFitToggleStartsGreyedAndCtrlZLeavesIt) {
  ExpectFit(kReduce, 1, false);
  EXPECT_FALSE(fm.Toolbar.ShownEnabled(Fit()));
  Press('Z', {.ctrl = true});
  Idle();
  ExpectFit(kReduce, 1, false);
}

TEST_F(Commands, ToggleSequenceThroughKeysAndTheItem) {
  ShowPicture(2000, 1500);
  ASSERT_TRUE(fm.Toolbar.ShownEnabled(Fit()));
  Press('Z');  // without Ctrl the window does nothing
  ExpectFit(kReduce, 1, false);
  struct Step {
    Mods mods;
    bool click;
    const char* caption;
    int image;
    bool fit;
  } steps[] = {
      {{.ctrl = true}, false, kOwnSize, 0, true},
      {{.ctrl = true, .shift = true}, false, kFitWidth, 1, false},
      {{}, true, kOwnSize, 0, true},
      {{.ctrl = true, .alt = true}, false, kFitWidth, 1, false},
  };
  for (const Step& s : steps) {
    if (s.click)
      Click("tbProportional");
    else
      Press('Z', s.mods);
    Idle();
    ExpectFit(s.caption, s.image, s.fit);
  }
}

TEST_F(Commands, TheToggleNeedsAPictureStrictlyLargerThanThePreview) {
  TRect view = fm.Img.ClientRect();
  struct {
    int dw, dh;
    bool enabled;
  } cases[] = {{0, 0, false}, {1, 0, true}, {0, 1, true}, {-50, -50, false}};
  for (auto c : cases) {
    ShowPicture(view.Width() + c.dw, view.Height() + c.dh);
    EXPECT_EQ(fm.Toolbar.ShownEnabled(Fit()), c.enabled) << c.dw << "," << c.dh;
  }
}

TEST_F(Commands, EnlargingTheWindowUntilThePictureFitsKeepsTheCaption) {
  TRect view = fm.Img.ClientRect();
  ShowPicture(view.Width() + 100, view.Height() + 60);
  Press('Z', {.ctrl = true});
  Idle();
  ExpectFit(kOwnSize, 0, true);
  SetWindowPos(fm.Handle(), nullptr, 0, 0, 1200, 900, SWP_NOMOVE | SWP_NOZORDER);
  Settle();
  Idle();
  EXPECT_FALSE(fm.Toolbar.ShownEnabled(Fit()));
  ExpectFit(kOwnSize, 0, true);
  Press('Z', {.ctrl = true});
  ExpectFit(kOwnSize, 0, true);
}

TEST_F(Commands, FullScreenOnlyFromAFocusedListWithEntries) {
  CountFullScreen();
  TempDir dir;
  dir.Write("a.bmp", "x");
  TempDir empty;
  struct {
    const char* folder;
    bool listFocused;
    bool selected;  // an entry (Tab into a list leaves none)
    bool enabled;
  } cases[] = {{"full", true, true, true},
               {"full", true, false, false},
               {"full", false, true, false},
               {"empty", true, false, false}};
  for (auto c : cases) {
    fm.flList.SetFolder(std::string(c.folder) == "full" ? dir.Path() : empty.Path());
    fm.flList.SetItemIndex(c.selected ? 0 : -1);
    SetFocus(c.listFocused ? fm.flList.Handle() : fm.shTree.Handle());
    Settle();
    Idle();
    EXPECT_EQ(fm.Toolbar.ShownEnabled(Full()), c.enabled) << c.folder << c.listFocused;
    int before = fullScreens;
    Press('F', {.ctrl = true});
    EXPECT_EQ(fullScreens - before, c.enabled ? 1 : 0) << c.folder << c.listFocused;
  }
  // A click on the item leaves the focus in the list.
  fm.flList.SetFolder(dir.Path());
  fm.flList.SetItemIndex(0);
  SetFocus(fm.flList.Handle());
  Settle();
  Idle();
  Click("tbFullScreen");
  EXPECT_EQ(fullScreens, 2);
  EXPECT_EQ(GetFocus(), fm.flList.Handle());
  // The preview's double-click does not ask whether the command is available.
  SetFocus(fm.shTree.Handle());
  Idle();
  ASSERT_FALSE(fm.Toolbar.ShownEnabled(Full()));
  PostMessageA(fm.Img.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
  Settle();
  EXPECT_EQ(fullScreens, 3);
}

// The hint window has one tool: the full-screen item, wherever wrapping put it.
void ExpectHintOnFullScreen(const TMenuBar& bar) {
  HWND tip = bar.HintWindow();
  ASSERT_TRUE(tip);
  ASSERT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  char text[80] = {};
  TOOLINFOA ti{};
  ti.cbSize = sizeof ti;
  ti.lpszText = text;
  ASSERT_TRUE(SendMessageA(tip, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&ti)));
  EXPECT_STREQ(text, "Полноэкранный режим (Ctrl + F)");
  RECT item = bar.ItemRect(bar.IndexOf("tbFullScreen"));
  EXPECT_TRUE(EqualRect(&ti.rect, &item));
}

TEST_F(Commands, ANarrowWindowWrapsTheBarAndPushesThePanesDown) {
  int oneRow = fm.Toolbar.Bounds().Height();
  ExpectHintOnFullScreen(fm.Toolbar);
  EXPECT_EQ(fm.pnNavigation.Bounds().top, oneRow);
  SetWindowPos(fm.Handle(), nullptr, 0, 0, 260, 500, SWP_NOMOVE | SWP_NOZORDER);
  Settle();
  int wrapped = fm.Toolbar.Bounds().Height();
  EXPECT_GT(wrapped, oneRow);
  EXPECT_EQ(fm.pnNavigation.Bounds().top, wrapped);
  RECT last = fm.Toolbar.ItemRect(fm.Toolbar.IndexOf("sbmHelp"));
  EXPECT_LE(last.bottom, wrapped);  // every item still shows
  ExpectHintOnFullScreen(fm.Toolbar);
  SetWindowPos(fm.Handle(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
  Settle();
  EXPECT_EQ(fm.Toolbar.Bounds().Height(), oneRow);
}

// At any width an item fits in, each item shows whole on the screen: the bar
// wraps instead of cutting the last ones off at its right edge.
TEST_F(Commands, NarrowWidthsCutNoItem) {
  const TMenuBar& bar = fm.Toolbar;
  for (int width = 320; width >= 112; width -= 8) {
    SetWindowPos(fm.Handle(), nullptr, 0, 0, width, 500, SWP_NOMOVE | SWP_NOZORDER);
    Settle();
    TRect client = bar.ClientRect();
    auto inked = [&](RECT r) {
      r.right = std::min<LONG>(r.right, client.right);
      return pixtest::Ink(pixtest::CaptureScreen(bar.Handle(), r)) > 20;
    };
    std::vector<size_t> shown;  // the items that fit the bar
    for (size_t i = 0; i < bar.Items().size(); ++i) {
      if (!bar.Items()[i].visible || bar.Items()[i].kind == TMenuBar::TKind::Separator) continue;
      RECT r = bar.ItemRect(static_cast<int>(i));
      if (r.right - r.left > client.right) continue;  // wider than the bar
      EXPECT_LE(r.right, client.right) << width << " " << bar.Items()[i].name;
      EXPECT_LE(r.bottom, client.bottom) << width << " " << bar.Items()[i].name;
      shown.push_back(i);
    }
    // What was painted reaches the screen a moment later.
    pixtest::WaitFor([&] {
      return std::all_of(shown.begin(), shown.end(),
                         [&](size_t i) { return inked(bar.ItemRect(static_cast<int>(i))); });
    }, 2000);
    for (size_t i : shown)
      EXPECT_TRUE(inked(bar.ItemRect(static_cast<int>(i)))) << width << " " << bar.Items()[i].name;
  }
}

TEST_F(Commands, TheFileDropDownListsItsEntriesAndRunsTheChosenOne) {
  int opened = 0;
  fm.acOpenDialog->OnExecute = [&] { ++opened; };
  std::vector<std::string> seen;
  fm.Toolbar.TrackMenu = [&](HMENU menu, POINT) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      char text[64] = {};
      GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
      seen.push_back(text);
    }
    return static_cast<int>(GetMenuItemID(menu, 0));
  };
  Click("sbmMain");
  EXPECT_EQ(seen, (std::vector<std::string>{"Открыть   Ctrl+O", "", "Выход     Ctrl+X"}));
  EXPECT_EQ(opened, 1);
}

TEST_F(Commands, AltWithALetterThatBeginsNoCaptionBeepsOnce) {
  Press('Q', {.alt = true});
  EXPECT_EQ(beeps, 1);
  EXPECT_FALSE(fm.Toolbar.KeyboardMode());
  EXPECT_EQ(fm.Toolbar.HotItem(), -1);
}

TEST_F(Commands, RussianLettersReachTheirItems) {
  CountFullScreen();
  TempDir dir;
  dir.Write("a.bmp", "x");
  fm.flList.SetFolder(dir.Path());
  fm.flList.SetItemIndex(0);
  ShowPicture(2000, 1500);
  SetFocus(fm.shTree.Handle());
  Idle();
  fm.Toolbar.AltChar(L'В');  // full screen greyed: a beep
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(fullScreens, 0);
  SetFocus(fm.flList.Handle());
  Settle();
  Idle();
  fm.Toolbar.AltChar(L'в');
  EXPECT_EQ(fullScreens, 1);
  fm.Toolbar.AltChar(L'И');  // "Уменьшить до оптимального" does not begin with И
  EXPECT_EQ(beeps, 2);
  fm.Toolbar.AltChar(L'У');
  ExpectFit(kOwnSize, 0, true);
  fm.Toolbar.AltChar(L'и');
  ExpectFit(kFitWidth, 1, false);
  EXPECT_EQ(beeps, 2);
}

TEST_F(Commands, KeyboardModeTakesTheKeysUntilEscape) {
  ShowPicture(2000, 1500);
  struct {
    UINT vk;
    Mods mods;
  } entries[] = {{VK_F10, {}}, {VK_MENU, {.alt = true}}};
  for (auto e : entries) {
    Press(e.vk, e.mods);
    ASSERT_TRUE(fm.Toolbar.KeyboardMode()) << e.vk;
    EXPECT_EQ(fm.Toolbar.HotItem(), 0);
    Press('Z', {.ctrl = true});  // the bar has it, not the window
    ExpectFit(kReduce, 1, false);
    Press(VK_RIGHT);
    EXPECT_EQ(fm.Toolbar.HotItem(), Fit());
    Press(VK_ESCAPE);
    EXPECT_FALSE(fm.Toolbar.KeyboardMode());
  }
  Press(VK_F10);
  Press(VK_RIGHT);
  Press(VK_RETURN);  // uses the selected item
  ExpectFit(kOwnSize, 0, true);
  EXPECT_FALSE(fm.Toolbar.KeyboardMode());
  // Another window taken to the front ends it too: back, the keys go to the list.
  Press(VK_F10);
  ASSERT_TRUE(fm.Toolbar.KeyboardMode());
  SendMessageA(fm.Handle(), WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_FALSE(fm.Toolbar.KeyboardMode());
}

TEST_F(Commands, MinimisedTitleNamesTheSelectedFile) {
  TempDir dir;
  dir.Write("cat.jpg", "x");
  fm.flList.SetFolder(dir.Path());
  struct {
    int select;
    const char* title;
  } cases[] = {{0, "Pixlumen : cat.jpg"}, {-1, "Pixlumen : "}};
  for (auto c : cases) {
    fm.flList.SetItemIndex(c.select);
    ShowWindow(fm.Handle(), SW_MINIMIZE);
    Settle();
    EXPECT_EQ(Application().Title(), c.title);
    EXPECT_EQ(fm.Text(), c.title);  // the taskbar button's text
    // Minimising again is no change of state.
    fm.flList.SetItemIndex(-1 - c.select);
    ShowWindow(fm.Handle(), SW_MINIMIZE);
    Settle();
    EXPECT_EQ(Application().Title(), c.title);
    ShowWindow(fm.Handle(), SW_RESTORE);
    Settle();
    EXPECT_EQ(Application().Title(), "Pixlumen");
    EXPECT_EQ(fm.Text(), "Pixlumen");
  }
}

}  // namespace
}  // namespace pix
