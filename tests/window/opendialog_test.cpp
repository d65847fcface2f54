// The open-picture dialog on the real platform dialog: its filter, the preview
// pane as the selection moves, the preview window, and the open command that
// moves the list to the chosen file and shows it.
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>

#include <iterator>
#include <memory>

#include "../unit/jpeg_writer.h"
#include "app/MainUnit.h"
#include "dialogdriver.h"
#include "pictures/jpeg.h"
#include "testutil.h"
#include "ui/app.h"

namespace pix {
namespace {

using pixtest::DialogUser;
using pixtest::SolidBitmap;
using pixtest::TempDir;

const char kTitle[] = "Выберите файл с рисунком";

// Keeps the process's current directory across a test: the list moves it.
class CurrentDirGuard {
public:
  CurrentDirGuard() : saved_(GetCurrentDir()) {}
  ~CurrentDirGuard() { SetCurrentDirectoryA(saved_.c_str()); }

private:
  std::string saved_;
};

class OpenDialog : public testing::Test {
protected:
  void SetUp() override {
    Application().SetTitle("Pixlumen");
    Application().MessageBoxHook = [this](const std::string& text, const std::string&) {
      boxes.push_back(text);
    };
    fm = std::make_unique<TfmMain>();
    fm->Create();
    Application().SetMainWindow(fm->Handle());
    ShowWindow(fm->Handle(), SW_SHOW);
    SetForegroundWindow(fm->Handle());
    pixtest::Pump(20);
  }
  void TearDown() override {
    fm.reset();
    Application().SetMainWindow(nullptr);
    Application().MessageBoxHook = nullptr;
  }
  TOpenPictureDialog& Dlg() { return fm->opDialog; }
  // Opens the dialog through the open command and runs `steps` in it.
  bool Drive(const std::function<void(const DialogUser&)>& steps) {
    return pixtest::DriveDialog(kTitle, Dlg().PictureLabel.Handle(), Dlg().PaintPanel.Handle(),
                                [this] { fm->acOpenDialogExecute(); }, steps);
  }

  TJPEGKindRegistration jpegKind;  // before the dialog builds its filter
  TempDir dir;
  CurrentDirGuard cwd;
  std::vector<std::string> boxes;
  std::unique_ptr<TfmMain> fm;
};

// The rows of the pane's picture that show `rgb`, and whether one of them spans
// the pane's whole width.
struct Rows {
  int count = 0;
  bool fullWidth = false;
};
Rows RowsOf(HWND view, uint32_t rgb) {
  pixtest::Capture c = pixtest::CaptureClient(view);
  Rows r;
  for (int y = 0; y < c.height; ++y) {
    int n = 0;
    for (int x = 0; x < c.width; ++x) n += c.At(x, y) == rgb;
    if (n) ++r.count;
    if (n == c.width) r.fullWidth = true;
  }
  return r;
}

TEST_F(OpenDialog, FilterTypesAndThePaneFollowingTheSelection) {
  dir.Write("wide.bmp", SolidBitmap(64, 32, RGB(0, 0, 255)));
  std::string broken = SolidBitmap(8, 8, RGB(0, 0, 0));
  broken[1] = 'A';
  dir.Write("broken.bmp", broken);
  std::string huge = jpegtest::Bands({16, 16});
  jpegtest::PatchSize(huge, 65500, 65500);
  dir.Write("huge.jpg", huge);
  dir.Write("gone.bmp", SolidBitmap(4, 4, RGB(0, 255, 0)));
  dir.Write("locked.bmp", SolidBitmap(4, 4, RGB(0, 255, 0)));
  // Held open without sharing: it exists but can't be read.
  HANDLE lock = CreateFileA(dir.File("locked.bmp").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  struct Case {
    const char* select;
    const char* label;
    const char* caption;
  } cases[] = {
      {"wide.bmp", " (64x32)", ""},
      {"broken.bmp", "Picture:", "(None)"},
      {"wide.bmp", " (64x32)", ""},
      {"gone.bmp", "Picture:", "(None)"},  // deleted after the folder was listed
      {"locked.bmp", "Picture:", "(None)"},
      {"huge.jpg", " (65500x65500)", "Invalid image"},  // refused when it paints
  };
  std::vector<std::string> types, labels, captions;
  Rows wide;
  bool mainEnabled = true;
  TRect placed, expected;
  ASSERT_TRUE(Drive([&](const DialogUser& u) {
    HWND typeBox = GetDlgItem(u.Dialog(), cmb1);
    for (int i = 0; i < SendMessageW(typeBox, CB_GETCOUNT, 0, 0); ++i) {
      wchar_t text[256] = {};
      SendMessageW(typeBox, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      types.push_back(Narrow(text));
    }
    mainEnabled = IsWindowEnabled(fm->Handle());
    RECT r;
    GetWindowRect(u.Dialog(), &r);
    placed = {r.left, r.top, r.right, r.bottom};
    MONITORINFO mi{sizeof mi, {}, {}, 0};
    GetMonitorInfoA(MonitorFromWindow(fm->Handle(), MONITOR_DEFAULTTOPRIMARY), &mi);
    int w = r.right - r.left, h = r.bottom - r.top;
    expected = {(mi.rcMonitor.right - w) / 2, (mi.rcMonitor.bottom - h) / 3, 0, 0};
    expected.right = expected.left + w;
    expected.bottom = expected.top + h;

    u.Type(dir.Path());
    u.Enter();
    if (u.WaitListed("gone.bmp")) DeleteFileA(dir.File("gone.bmp").c_str());
    for (const Case& c : cases) {
      if (!u.Select(c.select)) {
        labels.push_back(std::string("not listed: ") + c.select);
        continue;
      }
      labels.push_back(u.WaitLabel(c.label));
      pixtest::WaitFor([&] { return u.PaneCaption() == c.caption; }, 3000);
      captions.push_back(u.PaneCaption());
      if (labels.size() > 1) continue;
      HWND box = Dlg().PaintBox.Handle();
      pixtest::WaitFor([&] { return RowsOf(box, 0x0000FF).count > 0; }, 3000);
      wide = RowsOf(box, 0x0000FF);
    }
  }));
  CloseHandle(lock);
  EXPECT_EQ(types, (std::vector<std::string>{
                       "All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)", "JPEG Image File (*.jpg)",
                       "JPEG Image File (*.jpeg)", "Bitmaps (*.bmp)", "Icons (*.ico)",
                       "Enhanced Metafiles (*.emf)", "Metafiles (*.wmf)"}));
  EXPECT_FALSE(mainEnabled) << "the main window stays usable under the dialog";
  EXPECT_TRUE(IsWindowEnabled(fm->Handle()));
  EXPECT_EQ(placed, expected);
  for (size_t i = 0; i < std::size(cases); ++i) {
    ASSERT_LT(i, labels.size());
    EXPECT_EQ(labels[i], cases[i].label) << i << " " << cases[i].select;
    ASSERT_LT(i, captions.size());
    EXPECT_EQ(captions[i], cases[i].caption) << i << " " << cases[i].select;
  }
  // Enlarged to the pane's width, half as high: 64 x 32 keeps its shape.
  TRect pane = Dlg().PaintBox.ClientRect();
  EXPECT_TRUE(wide.fullWidth);
  EXPECT_NEAR(wide.count, pane.Width() / 2, 1);
  EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(OpenDialog, PreviewWindowShowsThePictureWholeAndEscClosesIt) {
  dir.Write("p.bmp", SolidBitmap(300, 200, RGB(255, 0, 0)));
  HWND preview = nullptr;
  TRect image;
  Rows red;
  bool closedByEsc = false, dialogUsable = false;
  ASSERT_TRUE(Drive([&](const DialogUser& u) {
    u.Type(dir.Path());
    u.Enter();
    if (!u.Select("p.bmp") || u.WaitLabel(" (300x200)") != " (300x200)") return;
    HWND button = Dlg().PreviewButton.Handle();
    PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    pixtest::WaitFor([&] { return (preview = FindWindowW(nullptr, L"Preview")) && IsWindowVisible(preview); });
    if (!preview) return;
    HWND host = FindWindowExA(FindWindowExA(preview, nullptr, nullptr, nullptr), nullptr,
                              "PixlumenImage", nullptr);
    RECT r{};
    GetClientRect(host, &r);
    image = {0, 0, r.right, r.bottom};
    pixtest::WaitFor([&] { return RowsOf(host, 0xFF0000).count > 0; }, 3000);
    red = RowsOf(host, 0xFF0000);
    PostMessageA(host, WM_KEYDOWN, VK_ESCAPE, 1);
    closedByEsc = pixtest::WaitFor([&] { return !IsWindowVisible(preview); });
    dialogUsable = pixtest::WaitFor([&] { return IsWindowEnabled(u.Dialog()) != FALSE; }) &&
                   IsWindowVisible(u.Dialog());
  }));
  ASSERT_NE(preview, nullptr);
  // Sized to the picture: it shows at its own size, every row whole.
  EXPECT_EQ(image, (TRect{0, 0, 300, 200}));
  EXPECT_EQ(red.count, 200);
  EXPECT_TRUE(red.fullWidth);
  EXPECT_TRUE(closedByEsc);
  EXPECT_TRUE(dialogUsable);
  EXPECT_FALSE(IsWindow(preview)) << "the preview window is freed when it closes";
}

}  // namespace
}  // namespace pix
