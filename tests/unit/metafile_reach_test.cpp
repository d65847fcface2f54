// The player's guard against geometry Wine's rasteriser cannot take: each
// record's reach under the transform in force.
#include <gtest/gtest.h>

#include <cmath>

#include "../fixtures/metafile_bytes.h"
#include "pictures/metafile_reach_core.h"

namespace pix {
namespace {

using pixtest::EmfRecord;
using pixtest::Le;
using pixtest::Le16;
using pixtest::Zeros;

DeviceMap Scale(double s, double dx = 0) {
  DeviceMap m;
  m.m[0] = m.m[3] = s;
  m.m[4] = dx;
  return m;
}

TEST(RecordReach, BoxOfEachKindOfRecord) {
  auto reach = [](const std::string& r) {
    return EnhancedRecordReach(reinterpret_cast<const uint8_t*>(r.data()));
  };
  RecordReach e = reach(EmfRecord(kEmrEllipse, Le({uint32_t(-5), 2, 10, 20})));
  EXPECT_TRUE(e.draws && e.curve);
  EXPECT_EQ(e.left, -5);
  EXPECT_EQ(e.bottom, 20);
  RecordReach arc = reach(EmfRecord(kEmrAngleArc, Le({100, 50, 30, 0, 0})));
  EXPECT_TRUE(arc.curve);
  EXPECT_EQ(arc.left, 70);
  EXPECT_EQ(arc.bottom, 80);
  RecordReach line =
      reach(EmfRecord(kEmrPolyline16, Zeros(16) + Le({2}) + Le16({0xFFFF, 3, 40, 0x8000})));
  EXPECT_FALSE(line.curve);
  EXPECT_EQ(line.left, -1);
  EXPECT_EQ(line.top, -32768);
  RecordReach poly = reach(EmfRecord(kEmrPolyPolygon, Zeros(16) + Le({1, 2, 2, 7, 8, 900, 9})));
  EXPECT_EQ(poly.right, 900);
  RecordReach blit = reach(EmfRecord(kEmrBitBlt, Zeros(16) + Le({10, 20, 300, 400}) + Zeros(60)));
  EXPECT_EQ(blit.right, 310);
  EXPECT_EQ(blit.bottom, 420);
  RecordReach text = reach(EmfRecord(kEmrExtTextOutW, Zeros(28) + Le({7, 8, 0, 0, 0}) + Zeros(20)));
  EXPECT_EQ(text.left, 7);
  EXPECT_TRUE(text.text);
  EXPECT_FALSE(reach(EmfRecord(kEmrSelectObject, Le({1}))).draws);  // select object
}

TEST(RecordReach, CurvesLinesAndPensWithinTheRasterisersReach) {
  auto box = [](bool curve, double l, double t, double r, double b) {
    RecordReach x;
    x.draws = true;
    x.curve = curve;
    x.left = l, x.top = t, x.right = r, x.bottom = b;
    return x;
  };
  const double k = kCurveReach;
  RecordReach text = box(false, 0, 0, 0, 0);
  text.text = true;
  struct Case {
    const char* what;
    RecordReach r;
    DeviceMap map;
    double pen;
    bool within;
  } cases[] = {
      {"ellipse at the curve reach", box(true, -k, -k, k, k), Scale(1), 1, true},
      {"ellipse past it", box(true, 0, 0, 2 * k, 10), Scale(1), 1, false},
      {"small ellipse, huge scale", box(true, 0, 0, 2, 2), Scale(1e6), 1, false},
      {"ellipse moved past it", box(true, 0, 0, 2, 2), Scale(1, 2 * k), 1, false},
      {"ellipse shrunk into it", box(true, 0, 0, 1e7, 1e7), Scale(0.01), 1, true},
      {"line far beyond the curve reach", box(false, 0, 0, 1e7, 1e7), Scale(1), 1, true},
      {"line past the line reach", box(false, 0, 0, 2 * kLineReach, 0), Scale(1), 1, false},
      {"pen of 2^17", box(false, 0, 0, 10, 10), Scale(1), 131072, false},
      {"thin pen, huge scale", box(false, 0, 0, 0, 0), Scale(1e5), 1, false},
      {"map of NaN", box(false, 0, 0, 1, 1), Scale(std::nan("")), 1, false},
      {"a point at the origin, scale 2^17", box(false, 0, 0, 0, 0), Scale(131072), 0, false},
      {"text of a 12-unit font", text, Scale(100), 0, true},
      {"text of a 12-unit font, scale 10^4", text, Scale(1e4), 0, false},
  };
  for (const Case& c : cases) EXPECT_EQ(WithinReach(c.r, c.map, c.pen, 12), c.within) << c.what;
  EXPECT_TRUE(WithinReach(RecordReach{}, Scale(std::nan("")), 1e9));  // draws nothing
}

}  // namespace
}  // namespace pix
