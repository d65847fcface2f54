#include "pictures/placement_core.h"

#include <cstdint>

namespace pix {

namespace {

// The fitted sizes must come out the same on every build: the aspect ratio is a
// correctly rounded double, and each quotient or product with it is formed with
// a 64-bit significand (the x87 extended format) and then truncated. The x87
// precision-control field decides that significand, and neither Windows nor the
// C runtime promise what it holds, so it is set for the computation and restored.
#if (defined(__i386__) || defined(__x86_64__)) && defined(__GNUC__)
constexpr unsigned short kPrecision53 = 0x0200, kPrecision64 = 0x0300;
class X87Mode {
 public:
  explicit X87Mode(unsigned short precision) {
    __asm__ __volatile__("fnstcw %0" : "=m"(saved_) : : "memory");
    // Round to nearest (bits 10-11 clear) with the requested precision (bits 8-9).
    unsigned short cw = static_cast<unsigned short>((saved_ & ~0x0F00u) | precision);
    __asm__ __volatile__("fldcw %0" : : "m"(cw) : "memory");
  }
  ~X87Mode() { __asm__ __volatile__("fldcw %0" : : "m"(saved_) : "memory"); }
  X87Mode(const X87Mode&) = delete;
  X87Mode& operator=(const X87Mode&) = delete;

 private:
  unsigned short saved_ = 0;
};
#else
constexpr unsigned short kPrecision53 = 0, kPrecision64 = 0;
struct X87Mode {
  explicit X87Mode(unsigned short) {}
};
#endif

// w / h rounded once to the nearest double. The volatile loads and store keep
// the division between the control-word changes.
double AspectRatio(int w, int h) {
  X87Mode mode(kPrecision53);
  volatile int vw = w, vh = h;
  volatile double r = static_cast<double>(vw) / static_cast<double>(vh);
  return r;
}

int TruncToInt(long double v) {
  if (!(v > -2147483649.0L)) return INT32_MIN;  // NaN cannot arise: r is finite and non-zero
  if (v >= 2147483648.0L) return INT32_MAX;
  return static_cast<int>(v);  // truncates toward zero
}

// trunc(n / r) and trunc(n * r) in extended precision.
int DivExt(int n, double r) {
  X87Mode mode(kPrecision64);
  volatile long double a = n, b = r;
  volatile long double q = a / b;
  return TruncToInt(q);
}
int MulExt(int n, double r) {
  X87Mode mode(kPrecision64);
  volatile long double a = n, b = r;
  volatile long double p = a * b;
  return TruncToInt(p);
}

int Clamp32(int64_t v) {
  if (v < INT32_MIN) return INT32_MIN;
  if (v > INT32_MAX) return INT32_MAX;
  return static_cast<int>(v);
}

}  // namespace

TRect PlacementRect(int w, int h, int cw, int ch, const PlacementSettings& s) {
  int nw = w, nh = h;
  if (s.stretch || (s.proportional && LargerThanView(w, h, cw, ch))) {
    if (s.proportional && w > 0 && h > 0) {
      double r = AspectRatio(w, h);
      if (w > h) {
        nw = cw;
        nh = DivExt(cw, r);
        if (nh > ch) {
          nh = ch;
          nw = MulExt(ch, r);
        }
      } else {
        nh = ch;
        nw = MulExt(ch, r);
        if (nw > cw) {
          nw = cw;
          nh = DivExt(cw, r);
        }
      }
    } else {
      nw = cw;
      nh = ch;
    }
  }
  int64_t left = 0, top = 0;
  if (s.center) {
    // Division truncates toward zero: an odd surplus or shortfall goes right/bottom.
    left = (static_cast<int64_t>(cw) - nw) / 2;
    top = (static_cast<int64_t>(ch) - nh) / 2;
  }
  return {Clamp32(left), Clamp32(top), Clamp32(left + nw), Clamp32(top + nh)};
}

}  // namespace pix
