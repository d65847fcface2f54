#include <gtest/gtest.h>

#include "pictures/placement_core.h"

namespace pix {
namespace {

struct PlacementCase {
  int w, h, cw, ch;
  bool proportional, stretch;
  TRect expected;
};

// Centre on throughout; expected rectangles are left, top, right, bottom.
const PlacementCase kCases[] = {
    // Reduce-to-fit, pictures larger than the view.
    {1600, 1200, 800, 500, true, false, {67, 0, 733, 500}},
    {1000, 1000, 800, 500, true, false, {150, 0, 650, 500}},
    {2000, 100, 800, 500, true, false, {0, 230, 800, 270}},
    {641, 480, 640, 480, true, false, {0, 0, 640, 479}},
    {800, 480, 640, 1000, true, false, {0, 308, 640, 691}},  // 383 high, not 384
    {480, 800, 1000, 640, true, false, {308, 0, 691, 640}},
    {500, 300, 250, 400, true, false, {0, 125, 250, 274}},
    {3, 1000, 800, 500, true, false, {399, 0, 400, 500}},
    // Reduce-to-fit, pictures that fit keep their size.
    {300, 200, 800, 500, true, false, {250, 150, 550, 350}},
    {640, 480, 640, 480, true, false, {0, 0, 640, 480}},
    {32, 32, 500, 500, true, false, {234, 234, 266, 266}},
    // Actual size: larger pictures are cropped equally, odd pixel on the right.
    {1000, 800, 800, 500, false, false, {-100, -150, 900, 650}},
    {805, 500, 800, 500, false, false, {-2, 0, 803, 500}},
    {795, 500, 800, 500, false, false, {2, 0, 797, 500}},
    // Stretch: smaller pictures are enlarged too.
    {300, 200, 800, 500, true, true, {25, 0, 775, 500}},
    {100, 300, 157, 145, true, true, {54, 0, 102, 145}},
    {32, 32, 157, 145, true, true, {6, 0, 151, 145}},
    {0, 0, 157, 145, true, true, {0, 0, 157, 145}},
    // Stretch without proportions fills the view; an empty picture stays empty.
    {300, 200, 800, 500, false, true, {0, 0, 800, 500}},
    {0, 0, 800, 500, true, false, {400, 250, 400, 250}},
};

TEST(PlacementRect, EdgeCases) {
  for (const PlacementCase& c : kCases) {
    TRect r = PlacementRect(c.w, c.h, c.cw, c.ch, {true, c.proportional, c.stretch});
    EXPECT_EQ(r, c.expected) << c.w << "x" << c.h << " in " << c.cw << "x" << c.ch
                             << " proportional " << c.proportional << " stretch " << c.stretch
                             << ": got " << r.left << "," << r.top << "," << r.right << ","
                             << r.bottom;
  }
}

TEST(PlacementRect, WithoutCentreStartsAtTheCorner) {
  EXPECT_EQ(PlacementRect(1000, 800, 800, 500, {false, false, false}), (TRect{0, 0, 1000, 800}));
  EXPECT_EQ(PlacementRect(1600, 1200, 800, 500, {false, true, false}), (TRect{0, 0, 666, 500}));
}

// The fitted sizes must not depend on how the compiler happens to evaluate
// double expressions: plain double arithmetic gives 384 for the first of these.
TEST(PlacementRect, ExtendedPrecisionDecidesTheTruncation) {
  volatile double r = 800.0 / 480.0;
  volatile double inDouble = 640.0 / r;
  ASSERT_EQ(static_cast<int>(inDouble), 384);  // the case really tells the two apart
  EXPECT_EQ(PlacementRect(800, 480, 640, 1000, {true, true, false}).Height(), 383);
  // Square pictures take the height branch; a product exactly on an integer stays.
  EXPECT_EQ(PlacementRect(1000, 1000, 300, 700, {true, true, false}), (TRect{0, 200, 300, 500}));
}

TEST(PlacementRect, ExtremeSizesStayInRange) {
  TRect r = PlacementRect(2147483647, 1, 800, 500, {true, true, false});
  EXPECT_EQ(r.Width(), 800);
  EXPECT_EQ(r.Height(), 0);
  r = PlacementRect(1, 2147483647, 800, 500, {true, true, false});
  EXPECT_EQ(r.Height(), 500);
  EXPECT_EQ(r.Width(), 0);
  r = PlacementRect(2147483647, 2147483647, 0, 0, {true, false, false});
  EXPECT_EQ(r.left, -1073741823);
  EXPECT_EQ(r.right, 1073741824);
}

}  // namespace
}  // namespace pix
