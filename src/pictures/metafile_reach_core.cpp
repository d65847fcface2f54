#include "pictures/metafile_reach_core.h"

#include <cmath>

#include "pictures/bytes_core.h"
#include "pictures/metafile_core.h"

namespace pix {

namespace {

struct Box {
  RecordReach r;
  void Add(double x, double y) {
    if (!r.draws) {
      r.left = r.right = x;
      r.top = r.bottom = y;
      r.draws = true;
    }
    r.left = std::fmin(r.left, x);
    r.right = std::fmax(r.right, x);
    r.top = std::fmin(r.top, y);
    r.bottom = std::fmax(r.bottom, y);
  }
  void Point32(const uint8_t* p) { Add(I32(p), I32(p + 4)); }
  void Point16(const uint8_t* p) { Add(int16_t(U16(p)), int16_t(U16(p + 2))); }
  void Points(const uint8_t* p, uint64_t count, bool wide) {
    for (uint64_t i = 0; i < count; ++i) wide ? Point32(p + 8 * i) : Point16(p + 4 * i);
  }
  // x, y, width, height
  void Extent(const uint8_t* p, const uint8_t* size) {
    double x = I32(p), y = I32(p + 4);
    Add(x, y);
    Add(x + I32(size), y + I32(size + 4));
  }
};

}  // namespace

RecordReach EnhancedRecordReach(const uint8_t* rec) {
  Box b;
  uint32_t type = U32(rec);
  switch (type) {
    case kEmrPolybezier:
    case kEmrPolygon:
    case kEmrPolyline:
    case kEmrPolybezierTo:
    case kEmrPolylineTo:
    case kEmrPolyDraw:  // points of 8 bytes
      b.Points(rec + 28, U32(rec + 24), true);
      break;
    case kEmrPolybezier16:
    case kEmrPolygon16:
    case kEmrPolyline16:
    case kEmrPolybezierTo16:
    case kEmrPolylineTo16:
    case kEmrPolyDraw16:  // points of 4 bytes
      b.Points(rec + 28, U32(rec + 24), false);
      break;
    case kEmrPolyPolyline:
    case kEmrPolyPolygon:
    case kEmrPolyPolyline16:
    case kEmrPolyPolygon16: {  // points after the counts
      bool wide = type == kEmrPolyPolyline || type == kEmrPolyPolygon;
      b.Points(rec + 32 + 4ull * U32(rec + 24), U32(rec + 28), wide);
      break;
    }
    case kEmrSetPixelV:
    case kEmrMoveToEx:
    case kEmrExtFloodFill:
    case kEmrLineTo:
      b.Point32(rec + 8);
      break;
    case kEmrRectangle:
      b.Point32(rec + 8);
      b.Point32(rec + 16);
      break;
    case kEmrEllipse:
    case kEmrRoundRect:
    case kEmrArc:
    case kEmrChord:
    case kEmrPie:
    case kEmrArcTo:
      b.Point32(rec + 8);
      b.Point32(rec + 16);
      if (type != kEmrEllipse && type != kEmrRoundRect) {  // arcs, chord, pie: their ends
        b.Point32(rec + 24);
        b.Point32(rec + 32);
      }
      b.r.curve = true;
      break;
    case kEmrAngleArc: {  // centre and radius
      double x = I32(rec + 8), y = I32(rec + 12), radius = U32(rec + 16);
      b.Add(x - radius, y - radius);
      b.Add(x + radius, y + radius);
      b.r.curve = true;
      break;
    }
    case kEmrExtTextOutA:
    case kEmrExtTextOutW:
      b.Point32(rec + 36);
      b.r.text = true;
      break;  // text: its reference point
    case kEmrPolyTextOutA:
    case kEmrPolyTextOutW:
      for (uint64_t i = 0, n = U32(rec + 36); i < n; ++i) b.Point32(rec + 40 + 40 * i);
      b.r.text = true;
      break;
    case kEmrSmallTextOut:
      b.Point32(rec + 8);
      b.r.text = true;
      break;
    case kEmrBitBlt:
    case kEmrStretchBlt:
    case kEmrMaskBlt:
    case kEmrAlphaBlend:
    case kEmrTransparentBlt:  // the destination
      b.Extent(rec + 24, rec + 32);
      break;
    case kEmrPlgBlt:
      b.Points(rec + 24, 3, true);
      break;
    case kEmrSetDIBitsToDevice:
      b.Extent(rec + 24, rec + 40);
      break;  // the source size
    case kEmrStretchDIBits:
      b.Extent(rec + 24, rec + 72);
      break;
    case kEmrGradientFill:  // the vertices, 16 bytes apart
      for (uint64_t i = 0, n = U32(rec + 24); i < n; ++i) b.Point32(rec + 36 + 16 * i);
      break;
    default:
      break;
  }
  return b.r;
}

bool WithinReach(const RecordReach& r, const DeviceMap& map, double penWidth, double fontHeight) {
  if (!r.draws) return true;
  const double* m = map.m;
  for (double v : map.m)
    if (!std::isfinite(v)) return false;
  double limit = r.curve ? kCurveReach : kLineReach;
  const double xs[2] = {r.left, r.right}, ys[2] = {r.top, r.bottom};
  for (double x : xs)
    for (double y : ys) {
      double dx = m[0] * x + m[2] * y + m[4], dy = m[1] * x + m[3] * y + m[5];
      if (!(std::fabs(dx) <= limit && std::fabs(dy) <= limit)) return false;
    }
  // Pens and fonts grow with the longer of the map's two axes.
  double scale = std::sqrt(std::fmax(m[0] * m[0] + m[1] * m[1], m[2] * m[2] + m[3] * m[3]));
  if (!(scale <= kScaleReach)) return false;
  if (r.text && !(std::fabs(fontHeight) * scale <= kFontReach)) return false;
  return std::fabs(penWidth) * scale <= kPenReach;
}

RecordPlay EnhancedRecordPlay(const uint8_t* rec) {
  switch (U32(rec)) {
    case kEmrStretchDIBits:
      if (U32(rec + 52) != 0) return RecordPlay::AsRecorded;  // it has a bitmap
      return RopReadsSource(U32(rec + 68)) ? RecordPlay::LeftOut : RecordPlay::PatternFill;
    case kEmrFillRgn:
    case kEmrFrameRgn:
      return (U32(rec + 28) & 0x80000000u) ? RecordPlay::StockBrush : RecordPlay::AsRecorded;
    default:
      return RecordPlay::AsRecorded;
  }
}

}  // namespace pix
