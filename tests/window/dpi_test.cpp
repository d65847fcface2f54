// The windows at 100 %, 150 % and 200 %: default size, a menu bar on one row,
// no control outside its parent or over a sibling, fonts and image sets of the
// density, and a change of density that ends where a window made there starts.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "about/AboutUnit.h"
#include "app/MainUnit.h"
#include "browse/opendialog.h"
#include "fullscreen/FullScreenUnit.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/dpi.h"

namespace pix {
namespace {

using pixtest::Settle;
using pixtest::TempDir;

// Windows made while it lives take `dpi` as their density.
struct DpiScope {
  explicit DpiScope(int dpi) { SetDpiOverride(dpi); }
  ~DpiScope() { SetDpiOverride(0); }
  DpiScope(const DpiScope&) = delete;
  DpiScope& operator=(const DpiScope&) = delete;
};

// One visible descendant: its class and its place in its parent's client area.
struct Placed {
  std::string cls;
  HWND parent;
  RECT r;
};

BOOL CALLBACK CollectChild(HWND w, LPARAM p) {
  if (!IsWindowVisible(w)) return TRUE;
  char cls[64] = {};
  GetClassNameA(w, cls, sizeof cls);
  HWND parent = GetParent(w);
  RECT r{};
  GetWindowRect(w, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  reinterpret_cast<std::vector<Placed>*>(p)->push_back({cls, parent, r});
  return TRUE;
}

std::vector<Placed> Children(HWND root) {
  std::vector<Placed> out;
  EnumChildWindows(root, CollectChild, reinterpret_cast<LPARAM>(&out));
  return out;
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT i;
  return IntersectRect(&i, &a, &b) != FALSE;
}

// Every visible child inside its parent's client area, and apart from its
// visible siblings (the parts of a combo box lie inside it).
void ExpectTidy(HWND root, const char* what) {
  std::vector<Placed> all = Children(root);
  ASSERT_FALSE(all.empty());
  for (size_t i = 0; i < all.size(); ++i) {
    const Placed& c = all[i];
    RECT client{};
    GetClientRect(c.parent, &client);
    EXPECT_TRUE(c.r.left >= 0 && c.r.top >= 0 && c.r.right <= client.right &&
                c.r.bottom <= client.bottom)
        << what << ": " << c.cls << " at " << c.r.left << "," << c.r.top << "-" << c.r.right
        << "," << c.r.bottom << " in " << client.right << "x" << client.bottom;
    for (size_t j = i + 1; j < all.size(); ++j)
      if (all[j].parent == c.parent)
        EXPECT_FALSE(Overlap(c.r, all[j].r)) << what << ": " << c.cls << " over " << all[j].cls;
  }
}

int IconWidth(HWND wnd, WPARAM which) {
  auto icon = reinterpret_cast<HICON>(SendMessageA(wnd, WM_GETICON, which, 0));
  ICONINFO ii{};
  if (!icon || !GetIconInfo(icon, &ii)) return 0;
  BITMAP bm{};
  GetObjectA(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  if (ii.hbmMask) DeleteObject(ii.hbmMask);
  return bm.bmWidth;
}

RECT WorkArea() {
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

class DpiWindows : public testing::Test {
 protected:
  // The main window made at `dpi` with no settings file, shown.
  // (0: the platform's own density.)
  std::unique_ptr<TfmMain> MakeMain(int dpi) {
    DpiScope scope(dpi);
    auto fm = std::make_unique<TfmMain>();
    fm->SettingsFile = dir.File("absent.ini");
    fm->Create();
    ShowWindow(fm->Handle(), SW_SHOWNOACTIVATE);
    Settle();
    return fm;
  }
  TempDir dir;
  pixtest::CurrentDirGuard cwd;
};

// The default size, one row of menu bar, tidy panes, the form font and the
// image sets of `dpi`; the text height is returned for comparison.
int ExpectMainWindowAt(TfmMain& fm, int dpi) {
  SCOPED_TRACE(testing::Message() << dpi << " dpi");
  EXPECT_EQ(fm.Dpi(), dpi);
  RECT work = WorkArea(), r{};
  GetWindowRect(fm.Handle(), &r);
  EXPECT_EQ(r.right - r.left, std::min(MulDiv(800, dpi, 96), int(work.right - work.left)));
  EXPECT_EQ(r.bottom - r.top, std::min(MulDiv(600, dpi, 96), int(work.bottom - work.top)));

  // One row: every visible item on the first one, the bar no taller than it.
  int rowTop = -1, rowBottom = 0;
  for (size_t i = 0; i < fm.Toolbar.Items().size(); ++i) {
    if (!fm.Toolbar.Items()[i].visible) continue;
    RECT item = fm.Toolbar.ItemRect(static_cast<int>(i));
    if (rowTop < 0) rowTop = item.top;
    EXPECT_EQ(item.top, rowTop) << fm.Toolbar.Items()[i].name;
    rowBottom = std::max<int>(rowBottom, item.bottom);
  }
  EXPECT_LE(fm.Toolbar.Bounds().Height(), std::max(rowBottom + 2, fm.S(27)));

  ExpectTidy(fm.Handle(), "main window");

  // The text of the density, in every control.
  LOGFONTA lf{};
  GetObjectA(fm.Font(), sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, MulDiv(-13, dpi, 120));
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(fm.StatusBar.Handle(), WM_GETFONT, 0, 0)),
            fm.Font());

  // The image sets of the density.
  int images = dpi <= 120 ? 16 : dpi <= 168 ? 24 : 32;
  int cx = 0, cy = 0;
  ImageList_GetIconSize(fm.Toolbar.Images(), &cx, &cy);
  EXPECT_EQ(cx, images);
  EXPECT_EQ(cy, images);
  EXPECT_EQ(fm.flList.GlyphSize(), images);
  EXPECT_GT(fm.flList.ItemHeight(), images * 15 / 16);  // the glyph fits its line
  EXPECT_EQ(IconWidth(fm.Handle(), ICON_SMALL), images);
  EXPECT_EQ(IconWidth(fm.Handle(), ICON_BIG), images * 2);
  return fm.Metrics().textHeight;
}

TEST_F(DpiWindows, MainWindowAtEachDensity) {
  std::vector<int> textHeights;
  for (int dpi : {96, 144, 192}) {
    auto fm = MakeMain(dpi);
    textHeights.push_back(ExpectMainWindowAt(*fm, dpi));
  }
  ASSERT_EQ(textHeights.size(), 3u);
  EXPECT_GT(textHeights[1], textHeights[0]);
  EXPECT_GT(textHeights[2], textHeights[1]);
  EXPECT_NEAR(textHeights[2], 2.0 * textHeights[0], 0.25 * textHeights[0]);
}

// The same through the platform: a screen of the density the run's prefix was
// given (PIX_SCREEN_DPI; the shared prefix's 96 without it).
class DpiScreen : public DpiWindows {};
TEST_F(DpiScreen, TheWindowsTakeTheScreensDensity) {
  const char* named = getenv("PIX_SCREEN_DPI");
  int dpi = named ? atoi(named) : 96;
  ASSERT_EQ(ScreenDpi(), dpi);
  auto fm = MakeMain(0);
  ExpectMainWindowAt(*fm, dpi);
  TfmAbout about;
  about.Create(fm->Handle());
  ShowWindow(about.Handle(), SW_SHOWNOACTIVATE);
  EXPECT_EQ(about.Dpi(), dpi);
  ExpectTidy(about.Handle(), "about window");
}

// Items that fit side by side stay on one row: wrapping counts each item's own
// width, not the widest one's for all.
TEST_F(DpiWindows, BarWrapsOnlyWhenItsItemsDoNotFit) {
  auto fm = MakeMain(96);
  int need = 0;
  for (size_t i = 0; i < fm->Toolbar.Items().size(); ++i) {
    RECT item = fm->Toolbar.ItemRect(static_cast<int>(i));
    if (fm->Toolbar.Items()[i].visible) need += item.right - item.left;
  }
  RECT frame{0, 0, need + 4, 400};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  SetWindowPos(fm->Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Settle();
  int help = fm->Toolbar.IndexOf("sbmHelp");
  EXPECT_EQ(fm->Toolbar.ItemRect(help).top, fm->Toolbar.ItemRect(0).top);
  SetWindowPos(fm->Handle(), nullptr, 0, 0, frame.right - frame.left - need / 2,
               frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Settle();
  EXPECT_GT(fm->Toolbar.ItemRect(help).top, fm->Toolbar.ItemRect(0).top);
}

// A stored size is the user's own: it stays as stored at any density.
TEST_F(DpiWindows, StoredSizeIsKept) {
  dir.Write("stored.ini", "[FORM]\r\nTop=10\r\nLeft=20\r\nHeight=500\r\nWidth=700\r\n");
  DpiScope scope(192);
  TfmMain fm;
  fm.SettingsFile = dir.File("stored.ini");
  fm.Create();
  RECT r{};
  GetWindowRect(fm.Handle(), &r);
  EXPECT_EQ(r.right - r.left, 700);
  EXPECT_EQ(r.bottom - r.top, 500);
}

// The layout after a change of density comes from the layout numbers, not
// from the pixels of the old one: the same as a window made at the new one.
TEST_F(DpiWindows, ChangeTo192EndsAsMadeAt192) {
  auto made = MakeMain(192);
  RECT at{};
  GetWindowRect(made->Handle(), &at);
  auto moved = MakeMain(96);
  SendMessageA(moved->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&at));
  Settle();
  RECT now{};
  GetWindowRect(moved->Handle(), &now);
  EXPECT_TRUE(EqualRect(&now, &at));
  EXPECT_EQ(moved->Dpi(), 192);
  EXPECT_EQ(moved->Metrics().textHeight, made->Metrics().textHeight);

  std::vector<Placed> want = Children(made->Handle()), got = Children(moved->Handle());
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(want[i].cls);
    EXPECT_EQ(got[i].cls, want[i].cls);
    EXPECT_TRUE(EqualRect(&got[i].r, &want[i].r))
        << got[i].r.left << "," << got[i].r.top << "-" << got[i].r.right << "," << got[i].r.bottom
        << " against " << want[i].r.left << "," << want[i].r.top << "-" << want[i].r.right << ","
        << want[i].r.bottom;
  }
  EXPECT_EQ(moved->flList.ItemHeight(), made->flList.ItemHeight());
  EXPECT_EQ(moved->flList.GlyphSize(), 32);
  EXPECT_EQ(IconWidth(moved->Handle(), ICON_SMALL), 32);
}

// A pane the user dragged keeps its own width in layout units through a
// change of density, rather than going back to the default or to its pixels.
TEST_F(DpiWindows, DraggedPaneScalesWithTheRest) {
  auto fm = MakeMain(96);
  int dragged = fm->S(245) + 40;
  fm->pnNavigation.DockWidth = dragged;
  fm->Realign();
  int units = UnscaleForText(dragged, fm->Metrics().textHeight, 245);
  RECT at{0, 0, 1600, 1000};
  SendMessageA(fm->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&at));
  Settle();
  EXPECT_EQ(fm->pnNavigation.Bounds().Width(), fm->S(units));
  EXPECT_GT(fm->pnNavigation.Bounds().Width(), fm->S(245));
}

TEST_F(DpiWindows, AboutWindowAtEachDensity) {
  for (int dpi : {96, 144, 192}) {
    SCOPED_TRACE(testing::Message() << dpi << " dpi");
    DpiScope scope(dpi);
    TfmAbout about;
    about.Create(nullptr);
    ShowWindow(about.Handle(), SW_SHOWNOACTIVATE);
    ExpectTidy(about.Handle(), "about window");
    EXPECT_EQ(IconWidth(about.Handle(), ICON_SMALL), ImageSizeForDpi(dpi));
    // Each label shows its text whole on the screen.
    Settle();
    auto whole = [](TLabel* l) {
      HFONT font = reinterpret_cast<HFONT>(SendMessageA(l->Handle(), WM_GETFONT, 0, 0));
      return pixtest::Ink(pixtest::CaptureScreen(l->Handle())) >=
             pixtest::InkOfText(font, l->Caption()) * 97 / 100;
    };
    std::vector<TLabel*> labels{&about.laCompany, &about.laName, &about.laVersion,
                                &about.laCopyRight, &about.laWeb, &about.laMail};
    // What was painted reaches the screen a moment later.
    pixtest::WaitFor([&] { return std::all_of(labels.begin(), labels.end(), whole); }, 2000);
    for (TLabel* l : labels) EXPECT_TRUE(whole(l)) << l->Caption();
  }
}

// Made on one monitor and shown on another: the view takes the density it
// opens at, as a view made there would have it.
TEST_F(DpiWindows, FullScreenViewFollowsTheMonitorItOpensOn) {
  TfmView view;
  {
    DpiScope scope(96);
    view.Create();
  }
  int before = view.fsStatusBar.Bounds().Height();
  DpiScope scope(192);
  view.FollowDpi();
  EXPECT_EQ(view.Dpi(), 192);
  EXPECT_EQ(view.fsStatusBar.Bounds().Height(), view.S(26));
  EXPECT_GT(view.fsStatusBar.Bounds().Height(), before);
  TfmView made;
  made.Create();
  EXPECT_EQ(view.fsStatusBar.Bounds().Height(), made.fsStatusBar.Bounds().Height());
  EXPECT_EQ(IconWidth(view.Handle(), ICON_SMALL), 32);
}

TEST_F(DpiWindows, OpenDialogPaneGlyphOfTheDensity) {
  for (int dpi : {96, 144, 192}) {
    DpiScope scope(dpi);
    TOpenPictureDialog dialog;
    EXPECT_EQ(dialog.PreviewButton.GlyphWidth(), ImageSizeForDpi(dpi)) << dpi;
  }
}

// The icon resource holds an image for each size the program asks for, the
// largest in PNG form.
TEST(ProgramIcon, HoldsEverySizeAndPngAt256) {
  HINSTANCE inst = Application().Instance();
  HRSRC group = FindResourceA(inst, "MAINICON", MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(inst, group)));
  ASSERT_NE(dir, nullptr);
  int count = dir[4] | dir[5] << 8;
  std::vector<int> sizes;
  for (int i = 0; i < count; ++i) {
    const BYTE* e = dir + 6 + 14 * i;  // the group entry: sizes first, the image's id last
    int side = e[0] ? e[0] : 256;
    sizes.push_back(side);
    if (side != 256) continue;
    int id = e[12] | e[13] << 8;
    HRSRC image = FindResourceA(inst, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));  // RT_ICON
    ASSERT_NE(image, nullptr);
    auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(inst, image)));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes) + 1, 3), "PNG");
  }
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 256}));
}

}  // namespace
}  // namespace pix
