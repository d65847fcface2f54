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

TEST(TrimInitialDir, TrailingBackslashGoesUnlessAfterADrive) {
  EXPECT_EQ(TrimInitialDir("C:\\"), "C:\\");
  EXPECT_EQ(TrimInitialDir("C:\\pics\\"), "C:\\pics");
  EXPECT_EQ(TrimInitialDir("C:\\pics"), "C:\\pics");
}

TEST(PreviewClientSize, PictureAndFrameUpToThreeQuartersOfTheMonitor) {
  TClientSize monitor{1280, 1024}, window{400, 300}, panel{398, 298};
  struct Case {
    TClientSize picture, expected;
  } cases[] = {
      {{300, 200}, {312, 212}},   // picture + 10 + the panel's own frame of 2
      {{2000, 100}, {960, 112}},  // wider than three quarters: capped
      {{100, 5000}, {112, 768}},
      {{0, 0}, {400, 300}},  // no picture: the window keeps its size
  };
  for (const Case& c : cases) {
    TClientSize s = PreviewClientSize(monitor, window, panel, c.picture);
    EXPECT_EQ(s.width, c.expected.width) << c.picture.width;
    EXPECT_EQ(s.height, c.expected.height) << c.picture.height;
  }
}

}  // namespace
}  // namespace pix
