// A shown main window for tests that walk through it: error boxes collected,
// pictures in a folder of the test's own, and the full-screen view driven from
// inside its modal loop.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/MainUnit.h"
#include "fullscreen/FullScreenUnit.h"
#include "pictures/readahead.h"
#include "testutil.h"
#include "ui/app.h"

namespace pixtest {

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Writes the files, shows the folder in the main list and selects `index`
  // as a click does.
  void ShowFolder(const std::vector<std::pair<std::string, std::string>>& files, int index);
  // Double-clicks the preview; inside the view's modal loop each step runs when
  // the queue has emptied (so after the previous key and its repaint) and
  // `ready` allows, and the view is closed with Esc once the steps are done.
  void RunView(std::vector<std::function<void(pix::TfmView&)>> steps);
  static void Key(pix::TfmView& v, WORD vk) { PostMessageA(v.Handle(), WM_KEYDOWN, vk, 1); }

  std::function<bool()> ready;  // when the next step may run; always when unset
  size_t ranSteps = 0;
  TempDir dir;
  CurrentDirGuard cwd;  // the list moves the current directory: back before `dir` goes
  std::unique_ptr<pix::TfmMain> fm;
  std::vector<std::string> errors;
};

}  // namespace pixtest
