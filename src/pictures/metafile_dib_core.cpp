#include "pictures/metafile_dib_core.h"

#include <algorithm>
#include <cmath>

#include "pictures/bytes_core.h"
#include "pictures/metafile_core.h"

namespace pix {

namespace {

uint64_t Abs32(uint32_t v) {
  int64_t s = static_cast<int32_t>(v);
  return static_cast<uint64_t>(s < 0 ? -s : s);
}

bool Uncompressed(uint32_t compression) {
  return compression == 0 || compression == 3 || compression == 6;  // none, bit fields
}

// One axis of a copy: the source edge `s` lands on `d`, the edge `s + sc` on
// `d + dc`; either extent may be negative (a mirrored copy).
struct CopyAxis {
  int64_t s, sc, d, dc;
};

// Cuts the source to [lo, hi) and the destination in proportion, rounded to
// the nearest unit. False when no part of the source is left.
bool ClipAxis(CopyAxis& a, int64_t lo, int64_t hi) {
  int64_t e0 = a.s, e1 = a.s + a.sc;
  int64_t from = std::min(e0, e1), to = std::max(e0, e1);
  if (from >= lo && to <= hi) return true;
  int64_t cutFrom = std::max(from, lo), cutTo = std::min(to, hi);
  if (cutFrom >= cutTo) return false;
  int64_t n0 = a.sc > 0 ? cutFrom : cutTo, n1 = a.sc > 0 ? cutTo : cutFrom;
  auto at = [&](int64_t edge) {
    return a.d + std::llround(double(edge - e0) * double(a.dc) / double(a.sc));
  };
  int64_t d0 = at(n0), d1 = at(n1);
  a = {n0, n1 - n0, d0, d1 - d0};
  return true;
}

void Put(uint8_t* rec, uint32_t at, int64_t v) {
  Put32(rec + at, static_cast<uint32_t>(v));
}

// Field places of the two records: destination origin, source origin and
// extent, destination extent (bits to device copies at the source's size).
const uint32_t kDestX = 24, kDestY = 28, kSrcX = 32, kSrcY = 36, kSrcW = 40, kSrcH = 44;
const uint32_t kStretchDestW = 72, kStretchDestH = 76, kStretchRop = 68;
const uint32_t kFirstScan = 68, kScans = 72;

}  // namespace

bool IsImageStream(const uint8_t* bmi, uint64_t bmiBytes) {
  if (bmiBytes < 40 || U32(bmi) < 40) return false;
  uint32_t compression = U32(bmi + 16);
  return compression == 4 || compression == 5;  // JPEG, PNG
}

namespace {

// The source cut to its bitmap and the destination with it; LeftOut when no
// part of the source lies inside.
CopyMend ClipSource(uint8_t* rec, bool stretch, const uint8_t* bmi, uint32_t cbBmi) {
  DibLayout dib;
  if (!ReadDibLayout(bmi, cbBmi, U32(rec + 64), -1, dib)) return CopyMend::Kept;
  // Rows count from the bottom of the picture as shown, top-down bitmaps'
  // too (as Wine's players count them), and bits to device holds only its
  // scan lines of a bottom-up one.
  bool topDown = U32(bmi) != 12 && I32(bmi + 8) < 0;
  int64_t lo = 0, hi = static_cast<int64_t>(dib.height);
  if (!stretch && !topDown) {
    lo = U32(rec + kFirstScan);
    hi = std::min<int64_t>(hi, lo + U32(rec + kScans));
  }
  int64_t cx = I32(rec + kSrcW), cy = I32(rec + kSrcH), ySrc = I32(rec + kSrcY);
  int64_t dcx = stretch ? I32(rec + kStretchDestW) : cx;
  int64_t dcy = stretch ? I32(rec + kStretchDestH) : cy;
  CopyAxis x{I32(rec + kSrcX), cx, I32(rec + kDestX), dcx};
  // The source's top edge lands on the destination's.
  CopyAxis y{ySrc + cy, -cy, I32(rec + kDestY), dcy};
  CopyAxis x0 = x, y0 = y;
  if (!ClipAxis(x, 0, static_cast<int64_t>(dib.width)) || !ClipAxis(y, lo, hi))
    return CopyMend::LeftOut;
  if (x.s == x0.s && x.sc == x0.sc && y.s == y0.s && y.sc == y0.sc) return CopyMend::Kept;
  Put(rec, kSrcX, x.s);
  Put(rec, kSrcW, x.sc);
  Put(rec, kDestX, x.d);
  Put(rec, kSrcY, y.s + y.sc);
  Put(rec, kSrcH, -y.sc);
  Put(rec, kDestY, y.d);
  if (stretch) {
    Put(rec, kStretchDestW, x.dc);
    Put(rec, kStretchDestH, y.dc);
  }
  return CopyMend::Clipped;
}

}  // namespace

CopyMend MendBitmapCopy(uint8_t* rec, uint32_t size) {
  uint32_t type = U32(rec);
  bool stretch = type == kEmrStretchDIBits;
  if (!stretch && type != kEmrSetDIBitsToDevice) return CopyMend::Kept;
  uint32_t cbBmi = U32(rec + 52);
  if (cbBmi == 0) return CopyMend::Kept;  // no bitmap: the player's stand-ins
  const uint8_t* bmi = rec + U32(rec + 48);
  CopyMend mend = CopyMend::LeftOut;
  if (!IsImageStream(bmi, cbBmi)) {
    // A raster operation that reads no source paints the whole destination.
    if (stretch && !RopReadsSource(U32(rec + kStretchRop))) return CopyMend::Kept;
    mend = ClipSource(rec, stretch, bmi, cbBmi);
  }
  if (mend == CopyMend::LeftOut) {  // a comment of no known kind in its place
    Put32(rec, kEmrComment);
    Put32(rec + 8, size - 12);
    Put32(rec + 12, 0);
  }
  return mend;
}

bool ReadDibLayout(const uint8_t* bmi, uint64_t bmiBytes, uint32_t usage, int64_t rows,
                   DibLayout& out) {
  if (bmiBytes < 12) return false;
  uint32_t size = U32(bmi);
  // Palette indices are 2 bytes each; any other usage is sized at its largest.
  uint64_t width, height, colours, entry = (usage == 1 || usage == 2) ? 2 : 4;
  uint32_t bits, compression = 0;
  uint64_t header = size;
  if (size == 12) {
    width = U16(bmi + 4);
    height = U16(bmi + 6);
    bits = U16(bmi + 10);
    colours = bits <= 8 ? 1u << bits : 0;
    out.sectionable = width != 0 && height != 0;
    if (entry == 4) entry = 3;
  } else {
    if (size < 40 || size > bmiBytes) return false;
    width = Abs32(U32(bmi + 4));
    height = Abs32(U32(bmi + 8));
    bits = U16(bmi + 14);
    compression = U32(bmi + 16);
    out.sectionable = I32(bmi + 4) > 0 && height != 0 && (compression == 0 || compression == 3);
    uint32_t used = U32(bmi + 32);
    colours = used ? used : bits <= 8 ? 1u << bits : 0;
    // Colour masks follow a 40-byte header; the players place the table after
    // them even when the header claims a few bytes more.
    uint64_t masks = compression == 3 ? 12 : compression == 6 ? 16 : 0;
    if (masks && header < 40 + masks) header = 40 + masks;
  }
  out.headerBytes = header + colours * entry;
  out.bitCount = bits;
  out.width = width;
  out.height = height;
  if (out.headerBytes > bmiBytes) return false;
  if (Uncompressed(compression)) {
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (compression != 0 && bits != 16 && bits != 32) return false;
    // Only bottom-up bitmaps are read by their scan lines; top-down ones whole.
    bool topDown = size != 12 && I32(bmi + 8) < 0;
    uint64_t r = rows >= 0 && !topDown ? static_cast<uint64_t>(rows) : height;
    uint64_t rowBytes = ((width * bits + 31) / 32) * 4;
    out.pixelBytes = r && rowBytes > UINT64_MAX / r ? UINT64_MAX : rowBytes * r;
  } else {
    out.pixelBytes = U32(bmi + 20);  // compressed: the recorded image size is what is read
    if (out.pixelBytes == 0) return false;
  }
  return true;
}

}  // namespace pix
