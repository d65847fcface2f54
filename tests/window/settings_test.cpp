// The main window's place, size and state through the settings file: read
// before the window is first shown, written by its close step.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "app/SettingsFile.h"
#include "app/MainUnit.h"
#include "app/WindowState.h"
#include "testutil.h"
#include "ui/app.h"

namespace pix {
namespace {

using pixtest::CatchMessageBox;
using pixtest::Settle;
using pixtest::WaitFor;
using pixtest::TempDir;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Value(const std::string& path, const char* section, const char* key) {
  char buf[256] = {};
  GetPrivateProfileStringA(section, key, "<none>", buf, sizeof buf, path.c_str());
  return buf;
}

TRect Outer(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  return {r.left, r.top, r.right, r.bottom};
}

TRect Box(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}

RECT WorkArea() {
  RECT r;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

class Settings : public testing::Test {
protected:
  void SetUp() override { Application().SetTitle("Pixlumen"); }

  // Builds the main window (running its creation step) on this test's file.
  std::unique_ptr<TfmMain> Build(const std::string& file) {
    auto fm = std::make_unique<TfmMain>();
    fm->SettingsFile = file;
    fm->Create();
    return fm;
  }
  std::unique_ptr<TfmMain> Open(const std::string& file) {
    auto fm = Build(file);
    ShowForm(fm->Handle());
    Settle();
    return fm;
  }
  // The close box's request; a main window of a test hides when the close goes
  // through, and stays visible when the close step refused it.
  static bool Close(TfmMain& fm) {
    fm.Close();
    Settle();
    return !IsWindowVisible(fm.Handle());
  }

  TempDir dir;
  std::string ini = dir.File("PixlumenParam.ini");
};

TEST_F(Settings, PathIsBesideTheExecutable) {
  std::string path = SettingsFilePath();
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string folder(exe, std::string(exe).rfind('\\') + 1);
  EXPECT_EQ(path, folder + "PixlumenParam.ini");
  EXPECT_EQ(path.substr(1, 2), ":\\");
  EXPECT_EQ(TfmMain().SettingsFile, path);
}

TEST_F(Settings, NoFileGivesTheTopLeftCornerAt800By600AndCreatesNothing) {
  auto fm = Build(ini);
  EXPECT_FALSE(IsWindowVisible(fm->Handle())) << "placed before it is first shown";
  EXPECT_EQ(Outer(fm->Handle()), Box(0, 0, 800, 600));
  ShowForm(fm->Handle());
  Settle();
  EXPECT_EQ(Outer(fm->Handle()), Box(0, 0, 800, 600));
  EXPECT_FALSE(IsZoomed(fm->Handle()));
  EXPECT_FALSE(Exists(ini)) << "reading never creates the file";
  ASSERT_TRUE(Close(*fm));
  EXPECT_TRUE(Exists(ini));
}

TEST_F(Settings, NormalCloseWritesTheSixLines) {
  auto fm = Open(ini);
  SetWindowPos(fm->Handle(), nullptr, 120, 133, 761, 588, SWP_NOZORDER);
  Settle();
  ASSERT_TRUE(Close(*fm));
  EXPECT_EQ(ReadAll(ini), "[FORM]\r\nTop=133\r\nLeft=120\r\nHeight=588\r\nWidth=761\r\nStay=0\r\n");

  // The next start finds it there.
  auto again = Build(ini);
  EXPECT_EQ(Outer(again->Handle()), Box(120, 133, 761, 588));
  EXPECT_EQ(GetFormWindowState(again->Handle()), TWindowState::wsNormal);
}

TEST_F(Settings, ValuesAsTheyRead) {
  struct Case {
    const char* file;
    TRect bounds;
    TWindowState state;
  } cases[] = {
      {"[FORM]\r\nTop=10\r\nLeft=20\r\nHeight=300\r\nWidth=0x320\r\nStay=2\r\n", Box(20, 10, 800, 300),
       TWindowState::wsNormal},
      {"[FORM]\r\nTop=-20\r\nLeft=$10\r\nHeight=abc\r\nWidth=800px\r\nStay=0x1\r\n",
       Box(16, -20, 800, 600), TWindowState::wsMaximized},
      {"[FORM]\r\nTop=\r\nLeft=0X1e\r\nHeight=0x\r\nWidth=$320\r\nStay=1\r\n", Box(30, 0, 800, 600),
       TWindowState::wsMaximized},
      // Names match whatever their case; blanks and quotes around a value go.
      {"[form]\r\ntOP = 7 \r\nLEFT=\"9\"\r\nheight=  400\r\nwidth=500\r\nstay=-1\r\n",
       Box(9, 7, 500, 400), TWindowState::wsNormal},
      // Another section's keys are not these.
      {"[Other]\r\nTop=99\r\nWidth=999\r\n[FORM]\r\nLeft=5\r\n", Box(5, 0, 800, 600),
       TWindowState::wsNormal},
      // A bad value spoils its own key only.
      {"[FORM]\r\nTop=1\r\nLeft=2\r\nHeight=3 00\r\nWidth=640\r\nStay=0\r\n", Box(2, 1, 640, 600),
       TWindowState::wsNormal},
  };
  for (const Case& c : cases) {
    TempDir d;
    d.Write("PixlumenParam.ini", c.file);
    auto fm = Build(d.File("PixlumenParam.ini"));
    EXPECT_FALSE(IsWindowVisible(fm->Handle()));
    EXPECT_EQ(Outer(fm->Handle()), c.bounds) << c.file;
    EXPECT_EQ(GetFormWindowState(fm->Handle()), c.state) << c.file;
  }
}

// A monitor unplugged while the program runs: the window it showed comes back.
TEST_F(Settings, DisplayChangeBringsBackAWindowNoMonitorShows) {
  auto fm = Open(ini);
  SetWindowPos(fm->Handle(), nullptr, 6000, 100, 700, 500, SWP_NOZORDER);
  Settle();
  SendMessageA(fm->Handle(), WM_DISPLAYCHANGE, 24, MAKELPARAM(1280, 1024));
  Settle();
  EXPECT_EQ(Outer(fm->Handle()), Box(WorkArea().right - 700, 100, 700, 500));
  // Maximised over the monitor that is gone.
  ShowWindow(fm->Handle(), SW_MAXIMIZE);
  SetWindowPos(fm->Handle(), nullptr, 6000, 0, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
  SendMessageA(fm->Handle(), WM_DISPLAYCHANGE, 24, MAKELPARAM(1280, 1024));
  Settle();
  EXPECT_TRUE(IsZoomed(fm->Handle()));
  EXPECT_NE(MonitorFromWindow(fm->Handle(), MONITOR_DEFAULTTONULL), nullptr);
}

TEST_F(Settings, StayOneOpensMaximisedAndRestoresToTheStoredBounds) {
  dir.Write("PixlumenParam.ini", "[FORM]\r\nTop=50\r\nLeft=60\r\nHeight=400\r\nWidth=500\r\nStay=1\r\n");
  auto fm = Build(ini);
  EXPECT_FALSE(IsWindowVisible(fm->Handle()));
  ShowForm(fm->Handle());
  Settle();
  EXPECT_TRUE(IsWindowVisible(fm->Handle()));
  EXPECT_TRUE(IsZoomed(fm->Handle()));
  TRect r = Outer(fm->Handle());
  RECT work = WorkArea();
  EXPECT_LE(r.left, work.left);
  EXPECT_LE(r.top, work.top);
  EXPECT_GE(r.right, work.right);
  EXPECT_GE(r.bottom, work.bottom);
  ShowWindow(fm->Handle(), SW_RESTORE);
  Settle();
  EXPECT_FALSE(IsZoomed(fm->Handle()));
  EXPECT_EQ(Outer(fm->Handle()), Box(60, 50, 500, 400));
}

TEST_F(Settings, ClosingMaximisedStoresOneAndTheMaximisedBounds) {
  auto fm = Open(ini);
  ShowWindow(fm->Handle(), SW_MAXIMIZE);
  Settle();
  ASSERT_TRUE(IsZoomed(fm->Handle()));
  TRect maxed = Outer(fm->Handle());
  ASSERT_TRUE(Close(*fm));
  EXPECT_EQ(Value(ini, "FORM", "Stay"), "1");
  EXPECT_EQ(Value(ini, "FORM", "Top"), std::to_string(maxed.top));
  EXPECT_EQ(Value(ini, "FORM", "Left"), std::to_string(maxed.left));
  EXPECT_EQ(Value(ini, "FORM", "Width"), std::to_string(maxed.Width()));
  EXPECT_EQ(Value(ini, "FORM", "Height"), std::to_string(maxed.Height()));
  EXPECT_LE(maxed.left, 0) << "the frame lies outside the screen";

  // After a restart, restoring leaves it as large as the maximised one.
  auto again = Open(ini);
  EXPECT_TRUE(IsZoomed(again->Handle()));
  ShowWindow(again->Handle(), SW_RESTORE);
  Settle();
  EXPECT_EQ(Outer(again->Handle()), maxed);
}

TEST_F(Settings, MinimisedCloseStoresWhatTheWindowHadBefore) {
  // Normal before minimising, though the file said maximised at the start.
  dir.Write("PixlumenParam.ini", "[FORM]\r\nTop=0\r\nLeft=0\r\nHeight=600\r\nWidth=800\r\nStay=1\r\n");
  auto fm = Open(ini);
  ShowWindow(fm->Handle(), SW_RESTORE);
  SetWindowPos(fm->Handle(), nullptr, 100, 110, 640, 480, SWP_NOZORDER);
  ShowWindow(fm->Handle(), SW_MINIMIZE);
  Settle();
  ASSERT_TRUE(IsIconic(fm->Handle()));
  ASSERT_TRUE(Close(*fm));
  EXPECT_EQ(ReadAll(ini), "[FORM]\r\nTop=110\r\nLeft=100\r\nHeight=480\r\nWidth=640\r\nStay=0\r\n");

  // Maximised before minimising.
  auto fm2 = Open(ini);
  ShowWindow(fm2->Handle(), SW_MAXIMIZE);
  Settle();
  TRect maxed = Outer(fm2->Handle());
  ShowWindow(fm2->Handle(), SW_MINIMIZE);
  Settle();
  ASSERT_TRUE(IsIconic(fm2->Handle()));
  ASSERT_TRUE(Close(*fm2));
  EXPECT_EQ(Value(ini, "FORM", "Stay"), "1");
  EXPECT_EQ(Value(ini, "FORM", "Top"), std::to_string(maxed.top));
  EXPECT_EQ(Value(ini, "FORM", "Left"), std::to_string(maxed.left));
  EXPECT_EQ(Value(ini, "FORM", "Width"), std::to_string(maxed.Width()));
  EXPECT_EQ(Value(ini, "FORM", "Height"), std::to_string(maxed.Height()));
}

TEST_F(Settings, OtherSectionsAndKeysStayAndNamesMatchWithoutCase) {
  dir.Write("PixlumenParam.ini",
            "[Viewer]\r\nZoom=3\r\nTop=77\r\n[form]\r\ntop=1\r\nExtra=keep me\r\nSTAY=5\r\n"
            "[Last]\r\nPath=C:\\pics\r\n");
  auto fm = Open(ini);
  SetWindowPos(fm->Handle(), nullptr, -8, 12, 700, 500, SWP_NOZORDER);
  Settle();
  ASSERT_TRUE(Close(*fm));
  EXPECT_EQ(Value(ini, "Viewer", "Zoom"), "3");
  EXPECT_EQ(Value(ini, "Viewer", "Top"), "77");
  EXPECT_EQ(Value(ini, "FORM", "Extra"), "keep me");
  EXPECT_EQ(Value(ini, "Last", "Path"), "C:\\pics");
  EXPECT_EQ(Value(ini, "FORM", "Top"), "12");
  EXPECT_EQ(Value(ini, "FORM", "Left"), "-8");
  EXPECT_EQ(Value(ini, "FORM", "Stay"), "0");
  std::string text = ReadAll(ini);
  // One section and one key each, in the case the file already had.
  EXPECT_EQ(text.find("[FORM]"), std::string::npos) << text;
  EXPECT_EQ(text.find("Top=12"), std::string::npos) << text;
  EXPECT_NE(text.find("top=12"), std::string::npos) << text;
  EXPECT_EQ(text.find("Stay="), std::string::npos) << text;
}

TEST_F(Settings, ReadOnlyFileShowsTheErrorAndTheWindowStays) {
  const std::string before = "[FORM]\r\nTop=40\r\nLeft=30\r\nHeight=500\r\nWidth=700\r\nStay=0\r\n";
  dir.Write("PixlumenParam.ini", before);
  SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY);
  auto fm = Open(ini);
  EXPECT_EQ(Outer(fm->Handle()), Box(30, 40, 700, 500)) << "a read-only file still reads";
  SetWindowPos(fm->Handle(), nullptr, 200, 210, 640, 480, SWP_NOZORDER);
  for (int attempt = 0; attempt < 2; ++attempt) {
    bool closed = false;
    auto seen = CatchMessageBox([&] { closed = Close(*fm); });
    EXPECT_TRUE(seen.shown) << "attempt " << attempt;
    EXPECT_EQ(seen.caption, "Pixlumen");
    EXPECT_EQ(seen.text, "Unable to write to " + ini + ".");
    EXPECT_FALSE(closed) << "the close is abandoned";
    EXPECT_TRUE(IsWindow(fm->Handle()));
  }
  EXPECT_EQ(ReadAll(ini), before);
}

TEST_F(Settings, FolderThatCannotBeWrittenGetsNoKeys) {
  std::string file = dir.File("gone\\PixlumenParam.ini");
  auto fm = Open(file);
  auto seen = CatchMessageBox([&] { EXPECT_FALSE(Close(*fm)); });
  EXPECT_EQ(seen.text, "Unable to write to " + file + ".");
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(Exists(dir.File("gone")));
}

}  // namespace
}  // namespace pix
