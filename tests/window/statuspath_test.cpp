// The status bar's path panel: a path wider than the panel is shortened in its
// middle, the whole path staying in the tooltip, and it grows back with the window.
// And what the panels show on the screen as pictures, sizes and windows change.
#include "mainwindow.h"

#include <commctrl.h>
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

// On the screen, every panel shows its text, and the whole bar is what it would
// paint afresh: nothing left over, nothing missing.
void ExpectDrawnAsSet(const pix::TStatusBar& bar, const std::string& when) {
  HWND w = bar.Handle();
  auto inked = [w](int panel) {
    RECT r{};
    SendMessageA(w, SB_GETRECT, panel, reinterpret_cast<LPARAM>(&r));
    return Ink(CaptureScreen(w, r)) > 10;
  };
  // What was painted reaches the screen a moment later.
  WaitFor([&] { return inked(0) && inked(1) && inked(2); }, 2000);
  Capture seen = CaptureScreen(w);
  for (int panel = 0; panel < 3; ++panel)
    EXPECT_TRUE(inked(panel)) << when << ": panel " << panel << " blank";
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  Capture fresh;
  WaitFor([&] { return (fresh = CaptureScreen(w)).pixels == seen.pixels; }, 2000);
  auto [a, b] = std::mismatch(seen.pixels.begin(), seen.pixels.end(), fresh.pixels.begin());
  size_t at = a - seen.pixels.begin();
  EXPECT_TRUE(a == seen.pixels.end()) << when << ": not as set from x " << at % fresh.width
                                      << ", y " << at / fresh.width;
}

TEST_F(StatusPath, PanelsAreDrawnAsTheyAreSet) {
  ShowFolder({{"a.bmp", SolidBitmap(480, 360, RGB(0, 90, 0))},
              {"b.bmp", SolidBitmap(64, 48, RGB(0, 0, 90))},
              {"c.bmp", SolidBitmap(64, 48, RGB(90, 0, 0))}},
             0);
  auto select = [&](int i) {
    fm->flList.SetItemIndex(i);
    fm->flListChange();
  };
  HWND w = fm->Handle();
  std::pair<const char*, std::function<void()>> steps[] = {
      {"a first picture", [] {}},
      {"another size", [&] { select(1); }},
      {"the same size", [&] { select(2); }},
      {"a resize", [&] { SetWindowPos(w, nullptr, 0, 0, 700, 500, SWP_NOZORDER | SWP_NOMOVE); }},
      {"a maximise", [&] { ShowWindow(w, SW_MAXIMIZE); }},
      {"a minimise and restore", [&] {
         ShowWindow(w, SW_MINIMIZE);
         Settle();
         ShowWindow(w, SW_RESTORE);
       }}};
  for (auto& [when, step] : steps) {
    step();
    Settle();
    ExpectDrawnAsSet(fm->StatusBar, when);
  }
  // The full-screen view on the 64 x 48 picture, then Right onto the 480 x 360 one.
  RunView({[&](pix::TfmView& v) {
             ExpectDrawnAsSet(v.fsStatusBar, "the view opened");
             Key(v, VK_RIGHT);
           },
           [&](pix::TfmView& v) { ExpectDrawnAsSet(v.fsStatusBar, "the view after Right"); }});
  EXPECT_EQ(ranSteps, 2u);
}

}  // namespace
}  // namespace pixtest
