#include <gtest/gtest.h>

#include "ui/dock_core.h"
#include "ui/dpi_core.h"

namespace pix {
namespace {

// The image set changes exactly past 120 and 168 dots per inch.
TEST(DpiImages, SetBySideOfTheBoundary) {
  struct Case { int dpi, size; } cases[] = {
      {72, 16}, {96, 16}, {120, 16}, {121, 24}, {144, 24},
      {168, 24}, {169, 32}, {192, 32}, {288, 32},
  };
  for (const Case& c : cases) EXPECT_EQ(ImageSizeForDpi(c.dpi), c.size) << c.dpi;
}

// The 16-pixel set keeps the names the resources have always had.
TEST(DpiImages, ResourceNames) {
  EXPECT_EQ(ImageResourceName("COMMANDS", 16), "COMMANDS");
  EXPECT_EQ(ImageResourceName("EXECUTABLE", 24), "EXECUTABLE24");
  EXPECT_EQ(ImageResourceName("PREVIEWGLYPH", 32), "PREVIEWGLYPH32");
}

TEST(DpiDefaultSize, ScaledThenKeptInsideTheWorkArea) {
  struct Case { int value, dpi, room, out; } cases[] = {
      {800, 96, 1280, 800},   {800, 144, 1920, 1200}, {600, 144, 1040, 900},
      {800, 192, 1920, 1600}, {800, 192, 1280, 1280}, {600, 192, 1000, 1000},
      {800, 120, 0, 1000},    // no work area known: only scaled
      {800, 0, 1280, 800},    // no density known: as at 96
  };
  for (const Case& c : cases)
    EXPECT_EQ(DefaultExtent(c.value, c.dpi, c.room), c.out) << c.value << " at " << c.dpi;
}

// A length nobody changed gives back its own units at every text height, so a
// second density lays it out as a fresh window would; a changed one comes back
// within half a unit.
TEST(DpiUnscale, RoundTripsAtEveryTextHeight) {
  for (int t = 10; t <= 40; ++t)
    for (int units : {3, 22, 27, 30, 192, 245}) {
      SCOPED_TRACE(testing::Message() << units << " at text height " << t);
      EXPECT_EQ(UnscaleForText(ScaleForText(units, t), t, units), units);
      int dragged = ScaleForText(units, t) + 7;
      int back = UnscaleForText(dragged, t, units);
      EXPECT_NEAR(back * t / 16.0, dragged, t / 32.0 + 0.5);
    }
}

}  // namespace
}  // namespace pix
