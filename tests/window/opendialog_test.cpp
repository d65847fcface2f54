// The open-picture dialog on the real platform dialog: its filter, the preview
// pane as the selection moves, the preview window, and the open command that
// moves the list to the chosen file and shows it.
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>

#include "../unit/jpeg_writer.h"
#include "dialogdriver.h"
#include "mainwindow.h"
#include "pictures/jpeg.h"
#include "testutil.h"
#include "ui/app.h"
#include "ui/text.h"

namespace pix {
namespace {

using pixtest::DialogUser;
using pixtest::SolidBitmap;
using pixtest::TempDir;

const char kTitle[] = "Выберите файл с рисунком";

class OpenDialog : public pixtest::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Application().SetMainWindow(fm->Handle());
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    Application().SetMainWindow(nullptr);
  }
  TOpenPictureDialog& Dlg() { return fm->opDialog; }
  // Opens the dialog through the open command and runs `steps` in it.
  bool Drive(const std::function<void(const DialogUser&)>& steps) {
    return pixtest::DriveDialog(
        kTitle, Dlg().PictureLabel.Handle(), Dlg().PaintPanel.Handle(),
        [this] { fm->acOpenDialogExecute(); }, steps);
  }

  TJPEGKindRegistration jpegKind;  // made before the main window: its dialog builds the filter
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
  HANDLE lock = CreateFileA(dir.File("locked.bmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
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
  EXPECT_EQ(types, (std::vector<std::string>{"All (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)",
                                             "JPEG Image File (*.jpg)", "JPEG Image File (*.jpeg)",
                                             "Bitmaps (*.bmp)", "Icons (*.ico)",
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
  EXPECT_TRUE(errors.empty()) << errors.front();
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
    pixtest::WaitFor(
        [&] { return (preview = FindWindowW(nullptr, L"Preview")) && IsWindowVisible(preview); });
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

// The open command with a file typed into the dialog's name box: the list moves
// to the file's folder and selects it when it lists it under that exact name;
// the main preview and the status bar follow.
TEST_F(OpenDialog, ChosenFileIsSelectedInTheListAndShown) {
  TempDir other;
  dir.Write("a.bmp", SolidBitmap(20, 10, RGB(255, 0, 0)));
  dir.Write("b.bmp", SolidBitmap(30, 20, RGB(255, 0, 0)));
  dir.Write("c.bmp", SolidBitmap(40, 30, RGB(255, 0, 0)));
  dir.Write("d.emf", "");
  other.Write("y.bmp", SolidBitmap(50, 40, RGB(255, 0, 0)));
  struct Case {
    std::string start, chosen, folder, selected, dims;
  } cases[] = {
      {dir.Path(), dir.File("b.bmp"), dir.Path(), "b.bmp", "30x20"},
      {dir.Path(), other.File("y.bmp"), other.Path(), "y.bmp", "50x40"},
      {other.Path(), dir.File("d.emf"), dir.Path(), "", ""},  // not among the list's patterns
      {other.Path(), dir.File("A.BMP"), dir.Path(), "", ""},  // letter case counts
  };
  for (const Case& c : cases) {
    fm->shTree.SetCurrentFolderPath(c.start);  // the tree moves the list
    fm->flList.SetItemIndex(-1);
    fm->flListChange();
    fm->StatusBar.SetPanelText(1, "");
    // Written after the list was read: it shows only if the list reads again.
    dir.Write("late.bmp", SolidBitmap(2, 2, RGB(255, 0, 0)));
    // A refill reports once, and so does the selection of the chosen file.
    int changes = 0;
    fm->flList.OnChange = [&] {
      ++changes;
      fm->flListChange();
    };
    ASSERT_TRUE(Drive([&](const DialogUser& u) {
      u.Type(c.chosen);
      u.Enter();
    }));
    fm->flList.OnChange = [this] { fm->flListChange(); };
    EXPECT_EQ(changes, (c.start == c.folder ? 0 : 1) + (c.selected.empty() ? 0 : 1)) << c.chosen;
    EXPECT_TRUE(SameTextIgnoringCase(fm->flList.FolderPath(), c.folder)) << c.chosen;
    std::string selected =
        fm->flList.ItemIndex() >= 0 ? fm->flList.Item(fm->flList.ItemIndex()) : "";
    EXPECT_EQ(selected, c.selected) << c.chosen;
    EXPECT_EQ(fm->StatusBar.PanelText(1), c.dims) << c.chosen;
    EXPECT_EQ(fm->Img.Picture().Graphic() != nullptr, !c.dims.empty()) << c.chosen;
    if (c.start == c.folder) {
      std::vector<std::string> items;
      for (int i = 0; i < fm->flList.Count(); ++i) items.push_back(fm->flList.Item(i));
      EXPECT_EQ(std::count(items.begin(), items.end(), "late.bmp"), 0) << "the list was read again";
    }
    DeleteFileA(dir.File("late.bmp").c_str());
  }
  EXPECT_TRUE(errors.empty());
}

// Names reach the program in UTF-8, two bytes for each Cyrillic letter: a path of
// 200 characters, well inside the platform's limit, is previewed in the pane,
// accepted with its folder counted in characters, and shown whole.
TEST_F(OpenDialog, ALongCyrillicPathIsPreviewedChosenAndShown) {
  auto letters = [](size_t n) {
    std::string s;
    while (n--) s += "ж";
    return s;
  };
  const std::string name = "кадр.bmp";  // 8 characters
  std::string outer = letters(80);
  std::string inner = outer + "\\" + letters(200 - dir.Path().size() - 3 - 80 - 8);
  ASSERT_TRUE(CreateDirectoryA(dir.File(outer).c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(dir.File(inner).c_str(), nullptr));
  dir.Write(inner + "\\" + name, SolidBitmap(30, 20, RGB(255, 0, 0)));
  std::string file = dir.File(inner + "\\" + name);
  ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, file.c_str(), -1, nullptr, 0), 201);

  std::string label, caption;
  ASSERT_TRUE(Drive([&](const DialogUser& u) {
    u.Type(dir.File(inner));
    u.Enter();
    if (!u.Select(name)) return;
    label = u.WaitLabel(" (30x20)");
    caption = u.PaneCaption();
    u.Enter();
  }));
  EXPECT_EQ(label, " (30x20)");
  EXPECT_EQ(caption, "");
  EXPECT_TRUE(SameTextIgnoringCase(Dlg().FileName, file)) << "refused or cut: " << Dlg().FileName;
  EXPECT_EQ(fm->flList.Item(fm->flList.ItemIndex()), name);
  EXPECT_EQ(fm->StatusBar.PanelText(1), "30x20");
  EXPECT_TRUE(SameTextIgnoringCase(fm->StatusBar.PanelText(2), file));
}

// After the command the keyboard is back in the main window's list: the next
// key goes on from the chosen file.
TEST_F(OpenDialog, NextKeyMovesOnFromTheChosenFile) {
  dir.Write("a.bmp", SolidBitmap(20, 10, RGB(255, 0, 0)));
  dir.Write("b.bmp", SolidBitmap(30, 20, RGB(255, 0, 0)));
  dir.Write("c.bmp", SolidBitmap(40, 30, RGB(255, 0, 0)));
  fm->flList.SetFolder(dir.Path());
  SetFocus(fm->cbFilter.Handle());
  ASSERT_TRUE(Drive([&](const DialogUser& u) {
    u.Type(dir.File("b.bmp"));
    u.Enter();
  }));
  ASSERT_EQ(fm->StatusBar.PanelText(1), "30x20");
  keybd_event(VK_DOWN, 0, 0, 0);
  keybd_event(VK_DOWN, 0, KEYEVENTF_KEYUP, 0);
  EXPECT_TRUE(pixtest::WaitFor([&] { return fm->flList.ItemIndex() == 2; }));
  EXPECT_TRUE(pixtest::WaitFor([&] { return fm->StatusBar.PanelText(1) == "40x30"; }));
  EXPECT_TRUE(SameTextIgnoringCase(fm->StatusBar.PanelText(2), dir.File("c.bmp")));
}

// The choice and the file type are remembered for the next opening, and the
// pane's label still describes the file. A path longer than the dialog's
// buffer is refused: the dialog stays, and its Cancel changes nothing.
TEST_F(OpenDialog, SecondOpeningStartsFromTheFirstChoice) {
  dir.Write("a.bmp", SolidBitmap(20, 10, RGB(255, 0, 0)));
  ASSERT_TRUE(Drive([&](const DialogUser& u) {
    u.Type(dir.Path());
    u.Enter();
    HWND typeBox = GetDlgItem(u.Dialog(), cmb1);
    for (int i = 0; i < 3; ++i) SendMessageA(typeBox, WM_KEYDOWN, VK_DOWN, 1);  // Bitmaps
    u.Select("a.bmp");
    u.WaitLabel(" (20x10)");
    u.Enter();
  }));
  std::string chosen = Dlg().FileName;
  EXPECT_TRUE(SameTextIgnoringCase(chosen, dir.File("a.bmp"))) << chosen;
  EXPECT_EQ(Dlg().FilterIndex, 4);
  EXPECT_EQ(fm->flList.Item(fm->flList.ItemIndex()), "a.bmp");

  std::string nameBox, label;
  int type = -1;
  bool stayed = false;
  ASSERT_TRUE(Drive([&](const DialogUser& u) {
    nameBox = u.NameBox();
    label = u.Label();
    type = static_cast<int>(SendMessageA(GetDlgItem(u.Dialog(), cmb1), CB_GETCURSEL, 0, 0));
    u.Type(dir.Path() + "\\" + std::string(300, 'x') + ".bmp");
    u.Enter();
    stayed = !u.WaitClosed(500);
  }));
  EXPECT_TRUE(stayed);
  EXPECT_NE(nameBox.find("a.bmp"), std::string::npos) << nameBox;
  EXPECT_EQ(type, 3);
  EXPECT_EQ(label, " (20x10)");
  EXPECT_EQ(Dlg().FileName, chosen) << "a path too long for the dialog was taken";
  EXPECT_EQ(fm->flList.Item(fm->flList.ItemIndex()), "a.bmp");
}

}  // namespace
}  // namespace pix

namespace pix {
namespace {

// A picture in the pane has some pixel of about this colour.
bool PaneShows(HWND pane, int r, int g, int b) {
  pixtest::Capture c = pixtest::CaptureClient(pane);
  for (uint32_t p : c.pixels) {
    int pr = p >> 16 & 0xFF, pg = p >> 8 & 0xFF, pb = p & 0xFF;
    if (std::abs(pr - r) < 24 && std::abs(pg - g) < 24 && std::abs(pb - b) < 24) return true;
  }
  return false;
}

// The pane decodes the JPEG it previews; the decode the main window keeps of
// the picture it shows stays that picture's.
TEST_F(OpenDialog, ThePanesDecodeLeavesTheMainWindowsStoreAlone) {
  TempDir other;
  ShowFolder({{"a.jpg", jpegtest::Photo({64, 48})}}, 0);
  ASSERT_TRUE(pixtest::WaitFor([&] { return ReadAhead().KeptSize(dir.File("a.jpg")).cx == 64; }));
  other.Write("p.jpg", jpegtest::Encode({80, 60}, [](int, int, uint8_t* p) {
                p[0] = 0, p[1] = 0, p[2] = 255;
              }));
  bool painted = false;
  ASSERT_TRUE(Drive([&](const DialogUser& u) {
    u.Type(other.Path());
    u.Enter();
    if (!u.Select("p.jpg")) return;
    painted = pixtest::WaitFor([&] { return PaneShows(Dlg().PaintBox.Handle(), 0, 0, 255); }, 5000);
  }));
  EXPECT_TRUE(painted);
  SIZE kept = ReadAhead().KeptSize(dir.File("a.jpg"));
  EXPECT_EQ(kept.cx, 64);
  EXPECT_EQ(kept.cy, 48);
}

}  // namespace
}  // namespace pix
