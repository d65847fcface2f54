#include <gtest/gtest.h>

#include "browse/opendialog_core.h"

namespace pix {
namespace {

TEST(SplitChosenPath, FolderKeepsItsLastSeparator) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
  } cases[] = {
      {"C:\\pics\\a.bmp", "C:\\pics\\", "a.bmp"},
      {"C:\\a.bmp", "C:\\", "a.bmp"},
      {"C:a.bmp", "C:", "a.bmp"},  // drive-relative: the drive's current folder
      {"\\\\server\\share\\x.jpg", "\\\\server\\share\\", "x.jpg"},
      {"a.bmp", "", "a.bmp"},
      {"C:\\pics\\", "C:\\pics\\", ""},
  };
  for (const Case& c : cases) {
    TPathSplit s = SplitChosenPath(c.path);
    EXPECT_EQ(s.folder, c.folder) << c.path;
    EXPECT_EQ(s.name, c.name) << c.path;
  }
}

TEST(PlatformFilter, BarsBecomeZerosAndTwoZerosEndIt) {
  static const char kWant[] = "Bitmaps (*.bmp)\0*.bmp\0\0";
  EXPECT_EQ(PlatformFilter("Bitmaps (*.bmp)|*.bmp"), std::string(kWant, sizeof kWant - 1));
  EXPECT_EQ(PlatformFilter(""), std::string("\0\0", 2));
}

}  // namespace
}  // namespace pix
