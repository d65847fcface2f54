// The status bar's path panel: a path wider than the panel is shortened in its
// middle, the whole path staying in the tooltip, and it grows back with the window.
#include "mainwindow.h"
#include "ui/pathtext_core.h"

namespace pixtest {
namespace {

using StatusPath = MainWindowTest;

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

TEST_F(StatusPath, ADeepPathKeepsItsDriveAndNameAndComesBackWhole) {
  std::string deep = dir.Path();
  for (int i = 0; i < 3; ++i) {
    deep += "\\folder_number_" + std::to_string(i) + "_of_a_deep_tree";
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep;
  }
  std::string file = deep + "\\a1.bmp";
  {
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string bytes = SolidBitmap(30, 20, RGB(200, 0, 0));
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
  }
  SetWindowPos(fm->Handle(), nullptr, 0, 0, 600, 600, SWP_NOZORDER | SWP_NOMOVE);
  fm->flList.SetFolder(deep);
  fm->flList.SetItemIndex(0);
  fm->flListChange();
  ASSERT_TRUE(errors.empty()) << errors.front();

  std::string shown = fm->StatusBar.ShownText(2);
  EXPECT_NE(shown, file);
  EXPECT_NE(shown.find(pix::kEllipsis), std::string::npos) << shown;
  EXPECT_EQ(shown.substr(0, 3), file.substr(0, 3)) << shown;  // the drive
  EXPECT_TRUE(EndsWith(shown, "\\folder_number_2_of_a_deep_tree\\a1.bmp")) << shown;
  EXPECT_EQ(fm->StatusBar.PanelText(2), file);
  EXPECT_EQ(fm->StatusBar.TipText(2), file);

  // Wide enough for the whole path: the window's own resize brings it back.
  SetWindowPos(fm->Handle(), nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN), 600, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_TRUE(WaitFor([&] { return fm->StatusBar.ShownText(2) == file; }))
      << fm->StatusBar.ShownText(2);
  EXPECT_EQ(fm->StatusBar.TipText(2), "");  // shown whole: no tip
  // And narrow again: shortened again.
  SetWindowPos(fm->Handle(), nullptr, 0, 0, 600, 600, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_TRUE(WaitFor([&] { return fm->StatusBar.ShownText(2) != file; }));
  EXPECT_EQ(fm->StatusBar.TipText(2), file);
}

}  // namespace
}  // namespace pixtest
