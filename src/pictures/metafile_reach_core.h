// How far an enhanced metafile record reaches once drawn. Wine's rasteriser
// crashes or stalls on curves some hundred thousand pixels across and on pens
// millions of pixels wide, whatever the clipping; a record's reach depends on
// the transform in force when it is played, so the player checks each record
// against it (see TMetafile::Draw). Pure: tested natively.
#pragma once
#include <cstdint>

namespace pix {

// The logical box of the points a record draws with, and whether it draws a
// curve (ellipse, arc, chord, pie, rounded corners).
struct RecordReach {
  bool draws = false;
  bool curve = false;
  bool text = false;  // drawn in the current font
  double left = 0, top = 0, right = 0, bottom = 0;
};

// For a record already walked (EnhancedRecordInside).
RecordReach EnhancedRecordReach(const uint8_t* rec);

// Logical to device: x' = m[0] x + m[2] y + m[4], y' = m[1] x + m[3] y + m[5].
struct DeviceMap {
  double m[6] = {1, 0, 0, 1, 0, 0};
};

const double kCurveReach = 131072;    // device pixels from the origin: 2^17
const double kLineReach = 134217728;  // 2^27
const double kPenReach = 65536;       // device pixels across
const double kFontReach = 16384;      // device pixels high
const double kScaleReach = 65536;     // device pixels to a logical unit

// Whether the record, mapped to the device, stays within the reach above, its
// pen and, for text, its font (of logical sizes) included.
bool WithinReach(const RecordReach& r, const DeviceMap& map, double penWidth,
                 double fontHeight = 0);

// How the player plays a walked record that Wine's player would read beyond
// what it holds.
enum class RecordPlay {
  AsRecorded,
  LeftOut,      // stretch bits without the bitmap its raster operation reads
  PatternFill,  // stretch bits without a bitmap: the raster operation over the destination
  StockBrush,   // fill or frame region with a stock brush, painted by the player itself
};
RecordPlay EnhancedRecordPlay(const uint8_t* rec);

}  // namespace pix
