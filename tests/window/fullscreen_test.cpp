// The full-screen view driven from the main window: opened by a double-click on
// the preview, stepped with the arrow keys inside its modal loop, closed, and the
// main window's list, preview and keyboard afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "../fixtures/icon_bytes.h"
#include "../unit/jpeg_writer.h"
#include "mainwindow.h"
#include "pictures/jpeg.h"
#include "testutil.h"
#include "ui/app.h"

namespace pix {
namespace {

using pixtest::Pump;
using pixtest::Settle;
using pixtest::TempDir;

// A 24-bit bitmap file of one colour, given as the captures read it (0xRRGGBB).
std::string Solid(int w, int h, uint32_t rgb) {
  return pixtest::SolidBitmap(w, h, RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF));
}

uint32_t FaceRgb() {
  COLORREF c = GetSysColor(COLOR_BTNFACE);
  return static_cast<uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
}

class FullScreen : public pixtest::MainWindowTest {
protected:
  void Open(const std::vector<std::pair<std::string, std::string>>& files, int index) {
    ShowFolder(files, index);
    fm->SetActiveControl(fm->flList.Handle());
    Settle();
  }
  std::string MainPath() { return fm->StatusBar.PanelText(2); }
};

TEST_F(FullScreen, OpensMaximisedReducedToFitAndDescribesTheFile) {
  Open({{"wide.bmp", Solid(4000, 100, 0x2040C0)}}, 0);
  RunView({[&](TfmView& v) {
    HWND w = v.Handle();
    EXPECT_TRUE(IsZoomed(w));
    RECT work, r;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(w, &r);
    EXPECT_TRUE(r.left <= work.left && r.top <= work.top && r.right >= work.right &&
                r.bottom >= work.bottom);
    LONG style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(v.Text(), "Pixlumen : wide.bmp");
    EXPECT_EQ(v.fsStatusBar.PanelText(0), "1172 Kb");
    EXPECT_EQ(v.fsStatusBar.PanelText(1), "4000x100");
    EXPECT_EQ(v.fsStatusBar.PanelText(2), dir.File("wide.bmp"));
    // Reduced to the view's width, centred, the rest in the window's colour.
    auto c = pixtest::CaptureClient(v.imgWiev.Handle());
    int h = c.width / 40;  // 4000 x 100 keeps its proportions
    EXPECT_EQ(c.At(0, c.height / 2), 0x2040C0u);
    EXPECT_EQ(c.At(c.width - 1, c.height / 2), 0x2040C0u);
    EXPECT_EQ(c.At(c.width / 2, (c.height - h) / 2 - 2), FaceRgb());
    EXPECT_EQ(c.At(c.width / 2, (c.height + h) / 2 + 2), FaceRgb());
    // Modal: the main window takes no input, and the busy cursor is gone.
    EXPECT_FALSE(IsWindowEnabled(fm->Handle()));
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
    // Owned by the main window: no taskbar button of its own, and the main
    // window brought to the top brings the view along above it.
    EXPECT_EQ(GetWindow(w, GW_OWNER), fm->Handle());
    EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    SetWindowPos(fm->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND below = w;
    while (below && below != fm->Handle()) below = GetWindow(below, GW_HWNDNEXT);
    EXPECT_EQ(below, fm->Handle()) << "the view fell behind the main window";
  }});
  EXPECT_EQ(ranSteps, 1u);
  EXPECT_TRUE(errors.empty());
}

TEST_F(FullScreen, ArrowsWrapAroundAndTheMainWindowFollows) {
  Open({{"a.bmp", Solid(30, 20, 0xFF0000)},
        {"b.bmp", Solid(40, 20, 0x00FF00)},
        {"c.bmp", Solid(50, 20, 0x0000FF)}},
       2);
  struct Step {
    WORD key;
    const char* name;
    int index, width;
  } steps[] = {{VK_RIGHT, "a.bmp", 0, 30},
               {VK_LEFT, "c.bmp", 2, 50},
               {VK_LEFT, "b.bmp", 1, 40},
               {VK_RIGHT, "c.bmp", 2, 50}};
  std::vector<std::function<void(TfmView&)>> run;
  for (size_t i = 0; i <= std::size(steps); ++i)
    run.push_back([&, i](TfmView& v) {
      if (i > 0) {
        const Step& s = steps[i - 1];
        EXPECT_EQ(v.Text(), std::string("Pixlumen : ") + s.name) << i;
        EXPECT_EQ(fm->flList.ItemIndex(), s.index) << i;
        EXPECT_EQ(MainPath(), dir.File(s.name)) << i;
        EXPECT_EQ(fm->Img.Picture().Width(), s.width) << i;
      }
      if (i < std::size(steps)) Key(v, steps[i].key);
    });
  RunView(run);
  EXPECT_EQ(ranSteps, run.size());
  EXPECT_TRUE(errors.empty());
}

TEST_F(FullScreen, OneFileReloadsOnEitherArrowAndShiftRefreshesOnlyTheMainPreview) {
  Open({{"only.bmp", Solid(10, 10, 0xFF0000)}}, 0);
  // The file changes behind the program's back before each key.
  struct Step {
    WORD key;
    int width;
    const char* viewDims;
  } steps[] = {{VK_RIGHT, 20, "20x10"}, {VK_LEFT, 30, "30x10"}, {VK_SHIFT, 40, "30x10"}};
  std::vector<std::function<void(TfmView&)>> run;
  for (size_t i = 0; i <= std::size(steps); ++i)
    run.push_back([&, i](TfmView& v) {
      if (i > 0) {
        const Step& s = steps[i - 1];
        EXPECT_EQ(v.fsStatusBar.PanelText(1), s.viewDims) << i;
        EXPECT_EQ(fm->StatusBar.PanelText(1), std::to_string(s.width) + "x10") << i;
        EXPECT_EQ(fm->Img.Picture().Width(), s.width) << i;
        EXPECT_EQ(fm->flList.ItemIndex(), 0);
      }
      if (i < std::size(steps)) {
        dir.Write("only.bmp", Solid(steps[i].width, 10, 0xFF0000));
        Key(v, steps[i].key);
      }
    });
  RunView(run);
  EXPECT_EQ(ranSteps, run.size());
}

// However the view is closed, the main window shows the last file viewed and
// its list has the keyboard: the next Down moves on from there.
TEST_F(FullScreen, AfterClosingTheListKeepsTheKeyboard) {
  Open({{"a.bmp", Solid(30, 20, 0xFF0000)},
        {"b.bmp", Solid(40, 20, 0x00FF00)},
        {"c.bmp", Solid(50, 20, 0x0000FF)}},
       0);
  const std::function<void(TfmView&)> closers[] = {
      [](TfmView& v) { Key(v, VK_RETURN); },
      [](TfmView& v) { Key(v, VK_ESCAPE); },
      [](TfmView& v) { PostMessageA(v.imgWiev.Handle(), WM_LBUTTONDBLCLK, 0, 0); },
      [](TfmView& v) { PostMessageA(v.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); },
  };
  for (size_t i = 0; i < std::size(closers); ++i) {
    SCOPED_TRACE(i);
    // The user picks the first entry with Home, then opens the view and steps on.
    PostMessageA(fm->flList.Handle(), WM_KEYDOWN, VK_HOME, 1);
    Application().ProcessMessages();
    ASSERT_EQ(MainPath(), dir.File("a.bmp"));
    RunView({[](TfmView& v) { Key(v, VK_RIGHT); }, closers[i]});
    ASSERT_EQ(ranSteps, 2u);
    EXPECT_FALSE(IsWindowVisible(fm->fmView()->Handle()));
    EXPECT_TRUE(IsWindowEnabled(fm->Handle()));
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
    EXPECT_EQ(fm->flList.ItemIndex(), 1);
    EXPECT_EQ(MainPath(), dir.File("b.bmp"));
    EXPECT_EQ(fm->Img.Picture().Width(), 40);
    ASSERT_EQ(GetFocus(), fm->flList.Handle());
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_DOWN, 1);
    Application().ProcessMessages();
    EXPECT_EQ(fm->flList.ItemIndex(), 2);
    EXPECT_EQ(MainPath(), dir.File("c.bmp"));
  }
  EXPECT_TRUE(errors.empty());
}

// With nothing to act on the command does nothing: no error, no view.
TEST_F(FullScreen, NothingSelectedDoesNothingAndShowsNoView) {
  Open({{"a.bmp", Solid(30, 20, 0xFF0000)}}, -1);
  RunView({});
  EXPECT_EQ(ranSteps, 0u);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(fm->fmView(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(fm->Handle()));
  EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
}

TEST_F(FullScreen, AnIconShowsTheStandardIconSize) {
  Open({{"small.ico", pixtest::IconFile({pixtest::Img(16, 16, 24)})}}, 0);
  RunView({[](TfmView& v) {
    EXPECT_EQ(v.fsStatusBar.PanelText(1), std::to_string(GetSystemMetrics(SM_CXICON)) + "x" +
                                              std::to_string(GetSystemMetrics(SM_CYICON)));
  }});
  EXPECT_EQ(ranSteps, 1u);
}

TEST_F(FullScreen, ABrokenFileReachedWithRightKeepsThePreviousPicture) {
  std::string broken = Solid(30, 30, 0);
  broken[1] = 'A';
  Open({{"a.bmp", Solid(30, 20, 0xFF0000)}, {"b.bmp", broken}}, 0);
  RunView({[](TfmView& v) { Key(v, VK_RIGHT); },
           [&](TfmView& v) {
             EXPECT_EQ(errors, std::vector<std::string>{"Bitmap image is not valid."});
             EXPECT_TRUE(IsWindowVisible(v.Handle()));
             EXPECT_EQ(v.Text(), "Pixlumen : a.bmp");
             EXPECT_EQ(v.fsStatusBar.PanelText(2), dir.File("a.bmp"));
             EXPECT_EQ(v.imgWiev.Picture().Width(), 30);
             auto c = pixtest::CaptureClient(v.imgWiev.Handle());
             EXPECT_EQ(c.At(c.width / 2, c.height / 2), 0xFF0000u);
             // The selection moved on; the main window's refresh did not run.
             EXPECT_EQ(fm->flList.ItemIndex(), 1);
             EXPECT_EQ(MainPath(), dir.File("a.bmp"));
             Key(v, VK_RIGHT);
           },
           [&](TfmView& v) {
             EXPECT_EQ(fm->flList.ItemIndex(), 0);
             EXPECT_EQ(v.Text(), "Pixlumen : a.bmp");
           }});
  EXPECT_EQ(ranSteps, 3u);
  EXPECT_EQ(errors.size(), 1u);
}

// One key, one decode: the main preview, repainted behind the view, takes the
// pixels the view decoded for the same file, and a broken file is reported once.
TEST_F(FullScreen, AStepDecodesTheNextJPEGOnce) {
  TJPEGKindRegistration jpegKind;
  jpegtest::Recipe recipe{200, 100};
  std::string one = jpegtest::Photo(recipe);
  recipe.quality = 80;
  std::string two = jpegtest::Photo(recipe);
  Open({{"1.jpg", one}, {"2.jpg", two}, {"3.jpg", ""}}, 0);
  auto decoded = [](TImageHost& host) {
    auto* j = dynamic_cast<TJPEGImage*>(host.Picture().Graphic());
    return j ? j->DecodedBitmap() : nullptr;
  };
  RunView({[](TfmView& v) { Key(v, VK_RIGHT); },
           [&](TfmView& v) {
             RedrawWindow(fm->Img.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
             ASSERT_NE(decoded(v.imgWiev), nullptr);
             EXPECT_EQ(decoded(fm->Img), decoded(v.imgWiev));
             EXPECT_EQ(MainPath(), dir.File("2.jpg"));
             Key(v, VK_RIGHT);  // onto the empty file: one failure, one report
           },
           [&](TfmView&) { EXPECT_EQ(errors, std::vector<std::string>{"JPEG error #42."}); }});
  EXPECT_EQ(ranSteps, 3u);
}

TEST_F(FullScreen, TheCommandIsOfferedWhenTheListHasASelectedEntryAndTheFocus) {
  Open({{"a.bmp", Solid(30, 20, 0xFF0000)}}, -1);
  auto offered = [&] {
    fm->AcFullScreenUpdate();
    return fm->AcFullScreen->Enabled();
  };
  EXPECT_FALSE(offered());  // entries, none selected
  fm->flList.SetItemIndex(0);
  EXPECT_TRUE(offered());
  SetFocus(fm->cbFilter.Handle());
  EXPECT_FALSE(offered());
  ASSERT_TRUE(CreateDirectoryA(dir.File("empty").c_str(), nullptr));
  fm->flList.SetFolder(dir.File("empty"));
  SetFocus(fm->flList.Handle());
  EXPECT_FALSE(offered());
}

// A list of its own, with no main window: the entries reported and passed over.
struct FakeList : TViewList {
  std::vector<std::string> paths;
  int at = 0;
  std::vector<int> reported, passed;
  int Count() const override { return static_cast<int>(paths.size()); }
  int ItemIndex() const override { return at; }
  void SetItemIndex(int index) override { at = index; }
  void SelectAndReport(int index) override { at = index, reported.push_back(index); }
  std::function<void()> onPath;  // runs as the view asks for the file to load
  std::string SelectedFilePath() const override {
    if (onPath) onPath();
    return paths[at];
  }
  void ReadAheadFor(const TImageHost&) override {}
  void PassOver(int index) override { passed.push_back(index); }
};

// A view over a list of red 10 x 10 bitmaps of the given names, showing the first.
struct FakeListView {
  TempDir dir;
  FakeList* list = nullptr;
  TfmView view;
  explicit FakeListView(std::initializer_list<const char*> names) {
    auto made = std::make_unique<FakeList>();
    for (const char* name : names) {
      dir.Write(name, Solid(10, 10, 0xFF0000));
      made->paths.push_back(dir.File(name));
    }
    list = made.get();
    view.Create();
    view.FileList = std::move(made);
    view.ShowPicture(list->SelectedFilePath());
  }
};

// The view steps through any list it is given.
TEST(FullScreenList, ArrowsStepThroughTheListItIsGiven) {
  FakeListView f({"a.bmp", "b.bmp", "c.bmp"});
  TfmView& view = f.view;
  WORD key = VK_LEFT;
  view.FormKeyDown(key, {});
  EXPECT_EQ(view.Text(), "Pixlumen : c.bmp");
  EXPECT_EQ(view.fsStatusBar.PanelText(2), f.dir.File("c.bmp"));
  key = VK_RIGHT;
  view.FormKeyDown(key, {});
  EXPECT_EQ(view.Text(), "Pixlumen : a.bmp");
  EXPECT_EQ(f.list->reported, (std::vector<int>{2, 0}));
}

// Keys that queue faster than pictures load (a held key on large pictures):
// each step whose next key is already waiting loads nothing, so the picture
// after the last key is the only one read, wherever the run of keys leads.
TEST(FullScreenList, QueuedArrowsLoadOnlyWhereTheyLead) {
  FakeListView f({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"});
  TfmView& view = f.view;
  FakeList& fake = *f.list;
  struct Run {
    std::vector<WORD> keys;
    std::string shown;
    std::vector<int> passed;
  };
  const Run runs[] = {
      {{VK_RIGHT, VK_RIGHT, VK_RIGHT}, "d.bmp", {1, 2}},
      {{VK_LEFT, VK_LEFT, VK_LEFT, VK_LEFT}, "e.bmp", {2, 1, 0}},  // round the start
      {{VK_LEFT, VK_RIGHT, VK_RIGHT}, "a.bmp", {3, 4}},
  };
  for (const Run& run : runs) {
    fake.reported.clear();
    fake.passed.clear();
    for (WORD key : run.keys) PostMessageA(view.Handle(), WM_KEYDOWN, key, 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(view.Text(), "Pixlumen : " + run.shown);
    EXPECT_EQ(fake.reported.size(), 1u) << run.shown;
    EXPECT_EQ(fake.passed, run.passed) << run.shown;
  }
}

// A key that comes while a step loads puts the main window's refresh off to
// the step it brings; when that step's file is broken, the main window follows
// the picture the view keeps, and the selection stays on the broken file.
TEST(FullScreenList, AKeyDuringALoadPutsTheRefreshOffToItsStep) {
  FakeListView f({"a.bmp", "b.bmp", "c.bmp"});
  std::string broken = Solid(30, 30, 0);
  broken[1] = 'A';
  f.dir.Write("c.bmp", broken);
  FakeList& fake = *f.list;
  bool keyDuringLoad = false;
  fake.onPath = [&] {
    if (std::exchange(keyDuringLoad, false))
      PostMessageA(f.view.Handle(), WM_KEYDOWN, VK_RIGHT, 1);
  };
  auto right = [&](bool another) {
    keyDuringLoad = another;
    WORD key = VK_RIGHT;
    f.view.FormKeyDown(key, {});
  };
  right(true);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, f.view.Handle(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
  EXPECT_EQ(f.view.Text(), "Pixlumen : b.bmp");
  EXPECT_TRUE(fake.reported.empty());
  EXPECT_THROW(right(false), EInvalidGraphic);
  EXPECT_EQ(f.view.Text(), "Pixlumen : b.bmp");
  EXPECT_EQ(fake.reported, std::vector<int>{1});
  EXPECT_EQ(fake.at, 2);
}

}  // namespace
}  // namespace pix
