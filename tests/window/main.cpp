// The window tests' entry: common controls first, then every test.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "browse/shellfolder.h"

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  pix::TShellSession shell;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
