#include <gtest/gtest.h>

#include "ui/dock_core.h"
#include "ui/errors.h"

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
