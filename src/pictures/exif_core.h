// The orientation tag of a photo's Exif segment: how the camera held itself,
// so that the picture can be shown turned and mirrored the way it was taken.
// Byte parsing only; no platform headers here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace pix {

// Orientation values: 1 as stored, 2 mirrored left to right, 3 turned 180°,
// 4 mirrored top to bottom, 5 mirrored and turned 270° clockwise, 6 turned 90°
// clockwise, 7 mirrored and turned 90° clockwise, 8 turned 270° clockwise.
constexpr int kOrientationAsStored = 1;

// The orientation of one APP1 segment's bytes (those after the length field):
// 0 when the segment is no Exif segment at all; for an Exif segment, the first
// directory's orientation tag when it is a single SHORT of 1 to 8, and 1 for
// anything missing, damaged or out of range. Nothing outside the `size`
// bytes is read.
int ExifSegmentOrientation(const uint8_t* segment, size_t size);

}  // namespace pix
