#include <gtest/gtest.h>

#include "ui/dock_core.h"
#include "ui/errors.h"
#include "ui/monitors_core.h"

namespace pix {
namespace {

TEST(ErrorReportText, FullStopRule) {
  struct Case { const char* in; const char* out; } cases[] = {
      {"Bitmap image is not valid", "Bitmap image is not valid."},
      {"Unknown picture file extension (.tif)", "Unknown picture file extension (.tif)"},
      {"", ""},
      {"Ends in a dot.", "Ends in a dot."},
      {"Ends in a comma,", "Ends in a comma,"},  // ',' is below '.'
      {"Ends in a slash/", "Ends in a slash/."}, // '/' is above '.'
      {"JPEG error #53", "JPEG error #53."},
      {"Не удалось", "Не удалось."},            // UTF-8 bytes compare as unsigned
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorReportText(c.in), c.out) << c.in;
}

TEST(Format, GrowsPastAnyFixedBuffer) {
  std::string longName(5000, 'x');
  std::string s = Format("Cannot open file \"%s\". %s", longName.c_str(), "Access denied");
  EXPECT_EQ(s.size(), longName.size() + 34);
  EXPECT_EQ(s.substr(s.size() - 13), "Access denied");
}

TEST(DockLayout, TopsThenBottomsThenLeftsThenClient) {
  // Listed in an order different from the order they are placed in.
  std::vector<DockItem> items = {
      {TAlign::Client, 0, 0},  {TAlign::Left, 245, 0},  {TAlign::Bottom, 0, 22},
      {TAlign::Top, 0, 27},    {TAlign::Left, 3, 0},    {TAlign::Right, 10, 0},
      {TAlign::Top, 0, 5, false},
  };
  auto r = DockLayout({0, 0, 800, 600}, items);
  EXPECT_EQ(r[3], (TRect{0, 0, 800, 27}));
  EXPECT_EQ(r[2], (TRect{0, 578, 800, 600}));
  EXPECT_EQ(r[1], (TRect{0, 27, 245, 578}));
  EXPECT_EQ(r[4], (TRect{245, 27, 248, 578}));
  EXPECT_EQ(r[5], (TRect{790, 27, 800, 578}));
  EXPECT_EQ(r[0], (TRect{248, 27, 790, 578}));
  EXPECT_EQ(r[6], TRect{});  // hidden: no room taken
}

TEST(DockLayout, ClientGoesNegativeNeverCrashes) {
  auto r = DockLayout({0, 0, 100, 50}, {{TAlign::Left, 245, 0}, {TAlign::Client, 0, 0}});
  EXPECT_EQ(r[1].left, 245);
  EXPECT_LT(r[1].Width(), 0);
}

TEST(Centring, MiddleAcrossAndAShareOfTheSpareHeightDown) {
  struct Case {
    TRect area;
    int width, height, down;
    TRect out;
  };
  const Case cases[] = {
      {{0, 0, 1024, 768}, 300, 200, 2, {362, 284, 662, 484}},
      {{0, 0, 1024, 768}, 300, 200, 3, {362, 189, 662, 389}},
      {{100, 50, 500, 350}, 100, 100, 2, {250, 150, 350, 250}},  // a second monitor's offsets
      {{0, 0, 200, 100}, 300, 160, 2, {-50, -30, 250, 130}},     // larger than the area
  };
  for (const Case& c : cases)
    EXPECT_EQ(CentredIn(c.area, c.width, c.height, c.down), c.out)
        << c.width << "x" << c.height << " down " << c.down;
}

// A primary monitor of 1280 x 1024 and a second of 1024 x 768 on its right.
const std::vector<TRect> kTwoMonitors = {{0, 0, 1280, 1024}, {1280, 0, 2304, 768}};

TEST(Monitors, CentredOnTheWorkAreaLargerAtItsCorner) {
  EXPECT_EQ(CentredOnWorkArea(kTwoMonitors[1], 300, 200), (TRect{1642, 284, 1942, 484}));
  EXPECT_EQ(CentredOnWorkArea(kTwoMonitors[1], 1300, 200), (TRect{1280, 284, 2580, 484}));
  EXPECT_EQ(CentredOnWorkArea(kTwoMonitors[1], 300, 900), (TRect{1642, 0, 1942, 900}));
}

// Caption strips 30 high, reachable over 24 pixels of their width.
TEST(Monitors, WindowsNoMonitorShowsAreBroughtBack) {
  const int kMin = -2147483647 - 1, kMax = 2147483647;
  struct Case {
    TRect in, out;
  } cases[] = {
      {{-676, 100, 24, 600}, {-676, 100, 24, 600}},        // reachable by 24 pixels: as it is
      {{-677, 100, 23, 600}, {0, 100, 700, 600}},          // by 23: onto the primary
      {{2280, 700, 2980, 1200}, {2280, 700, 2980, 1200}},  // a corner of the second
      {{1000, 200, 1600, 700}, {1000, 200, 1600, 700}},    // across both
      {{1100, -500, 1700, 20}, {1280, 0, 1880, 520}},      // across both, caption above
      {{2600, 100, 3300, 600}, {1604, 100, 2304, 600}},    // right of the second
      {{3000, 2000, 5000, 4000}, {1280, 0, 2304, 768}},    // larger than any, nearest second
      {{100, -2000000000, 900, -1999999400}, {100, 0, 900, 600}},
      {{kMin, kMin, kMax, kMax}, {0, 0, 1280, 1024}},
  };
  for (const Case& c : cases) {
    TRect r = BroughtOnScreen(kTwoMonitors, c.in, 30, 24);
    EXPECT_EQ(r, c.out) << c.in.left << "," << c.in.top << " gave " << r.left << "," << r.top
                        << "," << r.right << "," << r.bottom;
  }
  EXPECT_EQ(BroughtOnScreen({}, cases[1].in, 30, 24), cases[1].in);
}

TEST(Scaling, LayoutFollowsTextHeight) {
  struct Case { int value, textHeight, out; } cases[] = {
      {245, 16, 245}, {245, 13, 199}, {192, 13, 156}, {27, 13, 22},
      {3, 13, 2},     {245, 20, 306}, {200, 13, 163}, {400, 13, 325},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScaleForText(c.value, c.textHeight), c.out) << c.value << " at " << c.textHeight;
}

TEST(Scaling, FontHeightByDotsPerInch) {
  EXPECT_EQ(ScaleFontHeight(-13, 120), -13);
  EXPECT_EQ(ScaleFontHeight(-13, 96), -10);   // -10.4
  EXPECT_EQ(ScaleFontHeight(-13, 144), -16);  // -15.6
  EXPECT_EQ(ScaleFontHeight(-13, 192), -21);  // -20.8
}

TEST(Splitter, LimitsAndSnap) {
  // Parent 800 wide holding a 245-wide pane and a 3-wide splitter on the same axis.
  int max = SplitterMaxSize(800, 245 + 3, 245);
  EXPECT_EQ(max, 800 - 30 - 3);
  struct Case { int oldSize, delta, out; } cases[] = {
      {245, 100, 345},    // inside the limits
      {245, 1000, max},   // held at the maximum
      {245, -214, 31},    // just above the minimum stays
      {245, -215, 0},     // exactly the minimum snaps shut
      {245, -240, 0},     // below it too
      {245, -500, 0},     // past the parent's edge
      {0, 31, 31},        // reopened from shut
      {0, 20, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SplitterNewSize(c.oldSize, c.delta, max), c.out) << c.oldSize << "+" << c.delta;
}

}  // namespace
}  // namespace pix
