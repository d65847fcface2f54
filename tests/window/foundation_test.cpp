// The application object's error report, the main window's frame, its DPI
// scaling and its splitters, on real windows.
#include <gtest/gtest.h>

#include "app/MainUnit.h"
#include "testutil.h"
#include <commctrl.h>
#include "ui/app.h"
#include "ui/errors.h"

namespace pix {
namespace {

using pixtest::CatchMessageBox;
using pixtest::Settle;
using pixtest::WaitFor;

TEST(ErrorReport, CaptionIsTheTitleAndFullStopRuleHolds) {
  struct Case { std::string title, message, shown; } cases[] = {
      {"Pixlumen", "Bitmap image is not valid", "Bitmap image is not valid."},
      {"Pixlumen", "Unknown picture file extension (.tif)", "Unknown picture file extension (.tif)"},
      {"Pixlumen : a.bmp", "Stream read error", "Stream read error."},
  };
  for (const auto& c : cases) {
    Application().SetTitle(c.title);
    auto seen = CatchMessageBox([&] { Application().ShowException(EInvalidGraphic(c.message)); });
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(seen.caption, c.title);
    EXPECT_EQ(seen.text, c.shown);
  }
  Application().SetTitle("Pixlumen");
}

TEST(ErrorReport, AbortIsSilent) {
  auto seen = CatchMessageBox([] { Application().ShowException(EAbort()); });
  EXPECT_FALSE(seen.shown);
}

TEST(ErrorReport, ExceptionInAWindowProcedureReachesTheReport) {
  Application().SetTitle("Pixlumen");
  TfmMain fm;
  fm.Create();
  fm.OnCloseQuery = [](bool&) { throw EInvalidGraphic("Metafile is not valid"); };
  auto seen = CatchMessageBox([&] { SendMessageA(fm.Handle(), WM_CLOSE, 0, 0); });
  EXPECT_EQ(seen.caption, "Pixlumen");
  EXPECT_EQ(seen.text, "Metafile is not valid.");
  EXPECT_TRUE(IsWindow(fm.Handle()));  // the failure abandoned the close
}

class MainFrame : public testing::Test {
protected:
  void SetUp() override {
    fm.Create();
    ShowWindow(fm.Handle(), SW_SHOWNORMAL);
    Settle();
  }
  TfmMain fm;
};

TEST_F(MainFrame, PanesAtTheirScaledSizes) {
  EXPECT_EQ(fm.Text(), "Pixlumen");
  // The layout is scaled by the measured text height over 16.
  const FormMetrics& m = fm.Metrics();
  EXPECT_EQ(fm.S(245), MulDiv(245, m.textHeight, 16));
  EXPECT_EQ(fm.pnNavigation.Bounds().Width(), fm.S(245));
  // The bar is never lower than its strip, and taller when its images need it.
  EXPECT_GE(fm.Toolbar.Bounds().Height(), fm.S(27));
  EXPECT_EQ(fm.StatusBar.Bounds().Height(), fm.S(22));
  EXPECT_EQ(fm.shTree.Bounds().Height(), fm.S(192));
  EXPECT_EQ(fm.splNavigation.Bounds().Height(), fm.S(3));
  // The filter strip grows when the box's font needs more than its 24.
  EXPECT_GE(fm.pnFileFilter.Bounds().Height(), fm.S(30));
  EXPECT_EQ(fm.splImage.Bounds().Width(), fm.S(3));
  TRect client = fm.ClientRect();
  TRect img = fm.Img.Bounds();
  EXPECT_EQ(img.left, fm.S(245) + fm.S(3));
  EXPECT_EQ(img.right, client.right);
  EXPECT_EQ(img.top, fm.Toolbar.Bounds().bottom);
  EXPECT_EQ(img.bottom, client.bottom - fm.S(22));
}

TEST_F(MainFrame, StatusBarPanelsAndCentredText) {
  int parts[4] = {};
  int n = static_cast<int>(SendMessageA(fm.StatusBar.Handle(), SB_GETPARTS, 4,
                                        reinterpret_cast<LPARAM>(parts)));
  ASSERT_EQ(n, 3);
  EXPECT_EQ(parts[0], fm.S(200));
  EXPECT_EQ(parts[1], fm.S(400));
  EXPECT_EQ(parts[2], -1);
  fm.StatusBar.SetPanelText(1, "640x480");
  EXPECT_EQ(fm.StatusBar.PanelText(1), "640x480");
  char raw[64] = {};
  SendMessageA(fm.StatusBar.Handle(), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(raw));
  EXPECT_STREQ(raw, "\t640x480");  // the tab centres it
}

TEST_F(MainFrame, ResizingTheWindowReplacesThePreview) {
  SetWindowPos(fm.Handle(), nullptr, 0, 0, 900, 700, SWP_NOZORDER | SWP_NOMOVE);
  Settle();
  EXPECT_EQ(fm.Img.Bounds().right, fm.ClientRect().right);
  EXPECT_EQ(fm.Img.Bounds().bottom, fm.ClientRect().bottom - fm.S(22));
}

// Drags with real mouse messages, in the splitter's own coordinates.
void Drag(TSplitter& s, int dx, int dy, bool escape = false) {
  SendMessageA(s.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  SendMessageA(s.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1 + dx / 2, 1 + dy / 2));
  SendMessageA(s.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1 + dx, 1 + dy));
  if (escape) SendMessageA(s.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  SendMessageA(s.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(1 + dx, 1 + dy));
  Settle();
}

TEST_F(MainFrame, ImageSplitterMovesLimitsAndSnaps) {
  int w0 = fm.pnNavigation.Bounds().Width();
  Drag(fm.splImage, 50, 0);
  EXPECT_EQ(fm.pnNavigation.Bounds().Width(), w0 + 50);
  EXPECT_EQ(fm.Img.Bounds().left, w0 + 50 + fm.S(3));
  EXPECT_FALSE(fm.splImage.Dragging());

  // Esc during the drag leaves the size as it was.
  Drag(fm.splImage, 80, 0, true);
  EXPECT_EQ(fm.pnNavigation.Bounds().Width(), w0 + 50);

  // Far right: the pane stops where 30 pixels of the window remain.
  int client = fm.ClientRect().Width();
  Drag(fm.splImage, 5000, 0);
  EXPECT_EQ(fm.pnNavigation.Bounds().Width(), client - 30 - fm.S(3));

  // Far left: shut.
  Drag(fm.splImage, -5000, 0);
  EXPECT_EQ(fm.pnNavigation.Bounds().Width(), 0);
}

TEST_F(MainFrame, NavigationSplitterSnapsShutAtThirty) {
  int h0 = fm.shTree.Bounds().Height();
  Drag(fm.splNavigation, 0, 31 - h0);
  EXPECT_EQ(fm.shTree.Bounds().Height(), 31);
  Drag(fm.splNavigation, 0, -1);
  EXPECT_EQ(fm.shTree.Bounds().Height(), 0);
  // The tree can't push the filter panel out: at most what the panel leaves.
  Drag(fm.splNavigation, 0, 5000);
  int navH = fm.pnNavigation.ClientRect().Height();
  EXPECT_EQ(fm.shTree.Bounds().Height(),
            navH - 30 - fm.S(3) - fm.pnFileFilter.Bounds().Height());
}

}  // namespace
}  // namespace pix
