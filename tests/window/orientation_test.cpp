// Photos tagged with each Exif orientation, shown upright in every view: the
// main preview, the full-screen view (its steps taking the read-ahead's
// decodes), and the open dialog's pane and preview window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../unit/jpeg_writer.h"
#include "dialogdriver.h"
#include "mainwindow.h"
#include "pictures/imagehost.h"
#include "pictures/jpeg.h"
#include "testutil.h"
#include "ui/app.h"

namespace pix {
namespace {

using pixtest::DialogUser;

// One stored 48 x 32 picture, red | green over blue | yellow, and the quadrants
// each orientation shows: top left, top right, bottom left, bottom right.
constexpr uint32_t kR = 0xFF0000, kG = 0x00FF00, kB = 0x0000FF, kY = 0xFFFF00;
constexpr uint32_t kShown[9][4] = {
    {},           {kR, kG, kB, kY}, {kG, kR, kY, kB}, {kY, kB, kG, kR}, {kB, kY, kR, kG},
    {kR, kB, kG, kY}, {kB, kR, kY, kG}, {kY, kG, kB, kR}, {kG, kY, kR, kB}};

std::vector<std::pair<std::string, std::string>> Tagged() {
  std::vector<std::pair<std::string, std::string>> files;
  for (int o = 1; o <= 8; ++o) {
    jpegtest::Recipe r{48, 32};
    r.app1 = {jpegtest::ExifSegment({o, o % 2 == 0})};
    files.push_back({std::to_string(o) + ".jpg", jpegtest::Quadrants(r)});
  }
  return files;
}

const char* ShownSize(int o) { return o >= 5 ? "32x48" : "48x32"; }

// The quadrants of picture rectangle `d` in the window that differ from
// orientation `o`'s; empty when all four are right.
std::string Wrong(HWND wnd, const TRect& d, int o) {
  pixtest::Capture c = pixtest::CaptureClient(wnd);
  std::string wrong;
  for (int q = 0; q < 4; ++q) {
    int x = d.left + d.Width() * (q % 2 ? 3 : 1) / 4, y = d.top + d.Height() * (q / 2 ? 3 : 1) / 4;
    uint32_t got = c.At(x, y), want = kShown[o][q];
    for (int s = 0; s < 24; s += 8)
      if (std::abs(static_cast<int>(got >> s & 0xFF) - static_cast<int>(want >> s & 0xFF)) > 48) {
        wrong += " quadrant " + std::to_string(q);
        break;
      }
  }
  return wrong;
}

std::string Wrong(TImageHost& host, int o) {
  return Wrong(host.Handle(), host.View().DestRect(), o);
}

class Orientation : public pixtest::MainWindowTest {
 protected:
  TJPEGKindRegistration jpegKind;
};

TEST_F(Orientation, EveryTagShowsUprightInThePreviewAndTheFullScreenView) {
  ShowFolder(Tagged(), 0);
  for (int o = 1; o <= 8; ++o) {
    fm->flList.SetItemIndex(o - 1);
    fm->flListChange();
    pixtest::Settle();
    EXPECT_EQ(fm->StatusBar.PanelText(1), ShownSize(o)) << o;
    EXPECT_EQ(Wrong(fm->Img, o), "") << "main preview, orientation " << o;
  }
  // Then the full-screen view from the first, each step taking its decode
  // from the read-ahead.
  fm->flList.SetItemIndex(0);
  fm->flListChange();
  fm->SetActiveControl(fm->flList.Handle());
  pixtest::Settle();
  ready = [] { return !ReadAhead().Working(); };
  int taken = ReadAhead().Taken();
  std::vector<std::function<void(TfmView&)>> steps;
  for (int o = 1; o <= 8; ++o)
    steps.push_back([o](TfmView& v) {
      EXPECT_EQ(v.fsStatusBar.PanelText(1), ShownSize(o)) << o;
      EXPECT_EQ(Wrong(v.imgWiev, o), "") << "full-screen view, orientation " << o;
      Key(v, VK_RIGHT);
    });
  RunView(steps);
  EXPECT_EQ(ranSteps, 8u);
  EXPECT_GE(ReadAhead().Taken() - taken, 6);
  EXPECT_TRUE(errors.empty());
}

TEST_F(Orientation, TheOpenDialogsPaneAndPreviewWindowShowItUpright) {
  pixtest::TempDir other;
  for (auto& [name, bytes] : Tagged()) other.Write(name, bytes);
  Application().SetMainWindow(fm->Handle());
  std::string label, pane, preview = "no preview window";
  TOpenPictureDialog& dlg = fm->opDialog;
  ASSERT_TRUE(pixtest::DriveDialog(
      "Выберите файл с рисунком", dlg.PictureLabel.Handle(), dlg.PaintPanel.Handle(),
      [this] { fm->acOpenDialogExecute(); },
      [&](const DialogUser& u) {
        u.Type(other.Path());
        u.Enter();
        if (!u.Select("7.jpg")) return;
        label = u.WaitLabel(" (32x48)");
        pixtest::WaitFor([&] { return Wrong(dlg.PaintBox, 7).empty(); }, 3000);
        pane = Wrong(dlg.PaintBox, 7);
        HWND button = dlg.PreviewButton.Handle();
        PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        HWND w = nullptr;
        pixtest::WaitFor([&] { return (w = FindWindowW(nullptr, L"Preview")) && IsWindowVisible(w); });
        HWND host = w ? FindWindowExA(FindWindowExA(w, nullptr, nullptr, nullptr), nullptr,
                                      "PixlumenImage", nullptr)
                      : nullptr;
        auto* view = dynamic_cast<TImageHost*>(TControl::FromHandle(host));
        if (!view) return;
        pixtest::WaitFor([&] { return Wrong(*view, 7).empty(); }, 3000);
        TRect d = view->View().DestRect();  // upright: 2 wide to 3 high
        bool portrait = std::abs(d.Width() * 3 - d.Height() * 2) <= 3;
        preview = portrait ? Wrong(*view, 7) : "sized " + std::to_string(d.Width()) + "x" +
                                                   std::to_string(d.Height());
        PostMessageA(host, WM_KEYDOWN, VK_ESCAPE, 1);
        pixtest::WaitFor([&] { return !IsWindowVisible(w); });
      }));
  Application().SetMainWindow(nullptr);
  EXPECT_EQ(label, " (32x48)");
  EXPECT_EQ(pane, "");
  EXPECT_EQ(preview, "");
}

}  // namespace
}  // namespace pix
