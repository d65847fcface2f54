// The main window's preview: its settings after start-up, and the picture placed
// afresh when the window is resized or maximised and when the splitter moves.
#include <gtest/gtest.h>

#include <memory>

#include "app/MainUnit.h"
#include "image_view_host.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/errors.h"

namespace pix {
namespace {

using pixtest::CaptureClient;
using pixtest::Settle;
using pixtest::WaitFor;
using viewtest::CodedPicture;
using viewtest::DecodeX;
using viewtest::DecodeY;

class MainPreview : public testing::Test {
protected:
  void SetUp() override {
    fm.Create();
    SetWindowPos(fm.Handle(), HWND_TOP, 0, 0, 900, 700, SWP_SHOWWINDOW);
    Settle();
    fm.Img.Picture().SetGraphic(std::make_unique<CodedPicture>(300, 200));
    Settle();
  }
  // The 300 x 200 picture must sit in the middle of the preview's current bounds.
  void ExpectCentred() {
    TRect b = fm.Img.Bounds();
    int left = b.left + (b.Width() - 300) / 2, top = b.top + (b.Height() - 200) / 2;
    auto c = CaptureClient(fm.Handle());
    ASSERT_LT(left + 300, c.width);
    ASSERT_LT(top + 200, c.height);
    uint32_t corner = c.At(left, top), last = c.At(left + 299, top + 199);
    EXPECT_EQ(DecodeX(corner), 0);
    EXPECT_EQ(DecodeY(corner), 0);
    EXPECT_EQ(DecodeX(last), 299);
    EXPECT_EQ(DecodeY(last), 199);
    uint32_t face = GetSysColor(COLOR_BTNFACE);
    uint32_t faceRgb = (face & 0xFF) << 16 | (face & 0xFF00) | (face >> 16 & 0xFF);
    EXPECT_EQ(c.At(left - 1, top + 100), faceRgb);
    EXPECT_EQ(c.At(left + 300, top + 100), faceRgb);
  }
  TfmMain fm;
};

TEST_F(MainPreview, ActualSizeCentredAfterStartUp) {
  EXPECT_TRUE(fm.Img.Center());
  EXPECT_FALSE(fm.Img.Proportional());
  EXPECT_FALSE(fm.Img.Stretch());
  ExpectCentred();
}

TEST_F(MainPreview, ResizeAndMaximiseReplaceThePicture) {
  TRect before = fm.Img.Bounds();
  SetWindowPos(fm.Handle(), nullptr, 0, 0, 700, 560, SWP_NOMOVE | SWP_NOZORDER);
  Settle();
  EXPECT_NE(fm.Img.Bounds(), before);
  ExpectCentred();
  ShowWindow(fm.Handle(), SW_MAXIMIZE);
  Settle();
  ExpectCentred();
  ShowWindow(fm.Handle(), SW_RESTORE);
  Settle();
  ExpectCentred();
}

TEST_F(MainPreview, SplitterMoveReplacesThePicture) {
  TRect before = fm.Img.Bounds();
  TRect spl = fm.splImage.Bounds();
  fm.splImage.BeginDrag(spl.left);
  fm.splImage.DragTo(spl.left + 120);
  fm.splImage.EndDrag(true);
  Settle();
  EXPECT_EQ(fm.Img.Bounds().left, before.left + 120);
  ExpectCentred();
}

// A picture whose drawing fails the first time, as an icon whose image can't
// be made does.
class FailsOnce : public CodedPicture {
public:
  FailsOnce() : CodedPicture(300, 200) {}
  int draws = 0;
  void Draw(HDC dc, const RECT& r) override {
    if (++draws == 1) throw EInvalidGraphic("Icon image is not valid");
    CodedPicture::Draw(dc, r);
  }
};

TEST_F(MainPreview, ADrawingFailureReachesTheErrorReportOnce) {
  Application().SetTitle("Pixlumen");
  auto owned = std::make_unique<FailsOnce>();
  FailsOnce* pic = owned.get();
  auto seen = pixtest::CatchMessageBox([&] {
    fm.Img.Picture().SetGraphic(std::move(owned));
    UpdateWindow(fm.Img.Handle());
  });
  EXPECT_EQ(seen.caption, "Pixlumen");
  EXPECT_EQ(seen.text, "Icon image is not valid.");
  EXPECT_FALSE(fm.Img.Drawing());
  Settle();
  InvalidateRect(fm.Img.Handle(), nullptr, TRUE);
  Settle();
  EXPECT_GE(pic->draws, 2);
  ExpectCentred();  // the next paint shows the picture
}

}  // namespace
}  // namespace pix
