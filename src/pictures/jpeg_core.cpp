#include "pictures/jpeg_core.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "pictures/exif_core.h"
#include "ui/errors.h"

namespace pix {

namespace {

constexpr size_t kSourceBufferSize = 4096;

struct ErrorMgr {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

// Reads the picture's bytes like libjpeg's file source reads a file.
struct Source {
  jpeg_source_mgr pub;
  const uint8_t* data;
  size_t size;
  size_t pos;
  bool startOfFile;
  JOCTET buffer[kSourceBufferSize];
};

enum class Failure { Library, ScanLimit, Hook, Interrupted };

}  // namespace

struct TJPEGDecoder::Context {
  jpeg_decompress_struct cinfo{};
  ErrorMgr err{};
  jpeg_progress_mgr progress{};
  Source src{};
  TJPEGDecoder* owner = nullptr;
  Failure failure = Failure::Library;
  std::exception_ptr pending;
  TJPEGProgressState state;
  std::vector<uint8_t> cmykRow;  // four-component output doesn't fit a 24-bit row
  int orientation = 1;           // from the header's APP1 segments
};

namespace {

using Context = TJPEGDecoder::Context;

Context* ContextOf(j_common_ptr ci) {
  return static_cast<Context*>(ci->client_data);
}

// --- error manager: error_exit jumps back to the guard; messages are dropped ---

[[noreturn]] void ErrorExit(j_common_ptr ci) {
  Context* c = ContextOf(ci);
  c->failure = Failure::Library;
  longjmp(c->err.jump, 1);
}
void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}
void FormatMessage(j_common_ptr, char*) {}
void ResetErrorMgr(j_common_ptr ci) {
  ci->err->msg_code = 0;
  ci->err->num_warnings = 0;
}

// --- data source ---

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr ci) {
  Source* s = reinterpret_cast<Source*>(ci->src);
  size_t n = std::min(kSourceBufferSize, s->size - s->pos);
  if (n > 0) {
    std::memcpy(s->buffer, s->data + s->pos, n);
    s->pos += n;
    TJPEGDecoder* owner = ContextOf(reinterpret_cast<j_common_ptr>(ci))->owner;
    if (owner->Consumed) owner->Consumed(s->pos);
  } else {
    if (s->startOfFile) ERREXIT(ci, JERR_INPUT_EMPTY);
    WARNMS(ci, JWRN_JPEG_EOF);
    // An end-of-image marker lets libjpeg finish the picture from what it has.
    s->buffer[0] = 0xFF;
    s->buffer[1] = JPEG_EOI;
    n = 2;
  }
  s->pub.next_input_byte = s->buffer;
  s->pub.bytes_in_buffer = n;
  s->startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr ci, long count) {
  if (count <= 0) return;
  Source* s = reinterpret_cast<Source*>(ci->src);
  while (count > static_cast<long>(s->pub.bytes_in_buffer)) {
    count -= static_cast<long>(s->pub.bytes_in_buffer);
    FillInputBuffer(ci);
  }
  s->pub.next_input_byte += count;
  s->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

// --- progress monitor ---

// Runs the C++ side of a progress report; an exception is parked for the guard.
bool ReportProgress(Context* c) noexcept {
  TJPEGDecoder* d = c->owner;
  if (!d->OnProgress || !d->Clock) return true;
  try {
    const jpeg_decompress_struct& ci = c->cinfo;
    TJPEGCounters k;
    k.passCounter = c->progress.pass_counter;
    k.passLimit = c->progress.pass_limit;
    k.completedPasses = c->progress.completed_passes;
    k.totalPasses = c->progress.total_passes;
    k.outputScanline = static_cast<int>(ci.output_scanline);
    k.outputWidth = static_cast<int>(ci.output_width);
    k.outputHeight = static_cast<int>(ci.output_height);
    TJPEGProgressReport report;
    if (JPEGProgressStep(c->state, d->Clock(), k, report)) d->OnProgress(report);
  } catch (...) {
    c->pending = std::current_exception();
    return false;
  }
  return true;
}

void ProgressMonitor(j_common_ptr ci) {
  Context* c = ContextOf(ci);
  if (c->cinfo.input_scan_number > kJPEGMaxScans) {
    c->failure = Failure::ScanLimit;
    longjmp(c->err.jump, 1);
  }
  if (c->owner->Interrupted && c->owner->Interrupted()) {
    c->failure = Failure::Interrupted;
    longjmp(c->err.jump, 1);
  }
  if (!ReportProgress(c)) {
    c->failure = Failure::Hook;
    longjmp(c->err.jump, 1);
  }
}

// --- the guard ---

[[noreturn, gnu::noinline]] void Raise(Context* c) {
  switch (c->failure) {
    case Failure::Hook: {
      std::exception_ptr p = c->pending;
      c->pending = nullptr;
      std::rethrow_exception(p);
    }
    case Failure::ScanLimit:
      throw EJPEG(Format("JPEG error: more than %d scans", kJPEGMaxScans));
    case Failure::Interrupted:
      throw EJPEGInterrupted();
    case Failure::Library:
      break;
  }
  if (c->err.pub.msg_code == JERR_OUT_OF_MEMORY) throw EOutOfMemory();
  throw EJPEG(Format("JPEG error #%d", c->err.pub.msg_code));
}

using Step = void (*)(void* cinfo, void* arg);

// The landing place of error_exit. It holds nothing with a destructor, so the
// jump skips no cleanup; the exception starts here, below libjpeg's frames.
[[gnu::noinline]] void GuardedStep(Context* c, Step step, void* arg) {
  if (setjmp(c->err.jump) != 0) Raise(c);
  step(&c->cinfo, arg);
}

j_decompress_ptr Cinfo(void* p) {
  return static_cast<j_decompress_ptr>(p);
}

}  // namespace

// ---------------------------------------------------------------------------

void AllocateJPEGBytes(TJPEGData& data, uint64_t n) {
  uint8_t* p = nullptr;
  if (n < std::numeric_limits<size_t>::max())
    p = new (std::nothrow) uint8_t[static_cast<size_t>(n)];
  if (!p) throw EOutOfMemory("Out of memory while expanding memory stream");
  data.bytes.reset(p);
  data.size = static_cast<size_t>(n);
  data.hasBytes = true;
}

void ReadJPEGHeader(TJPEGData& data) {
  TJPEGDecoder d(data.bytes.get(), data.size);
  d.ReadHeader();
  data.orientation = d.Orientation();
  bool swap = data.orientation >= 5;
  data.width = swap ? d.ImageHeight() : d.ImageWidth();
  data.height = swap ? d.ImageWidth() : d.ImageHeight();
  data.grayscale = d.Grayscale();
}

bool SameJPEGBytes(const TJPEGData& a, const TJPEGData& b) {
  return &a == &b || (a.size == b.size &&
                      (a.size == 0 || std::memcmp(a.bytes.get(), b.bytes.get(), a.size) == 0));
}

// Four lanes of 32-bit multiply-rotate rounds over 16-byte blocks: independent
// lanes keep a 32-bit processor busy, about ten times the speed of one 64-bit
// chain there.
TJPEGDigest DigestJPEGBytes(const uint8_t* bytes, size_t size) {
  constexpr uint32_t kP1 = 0x9E3779B1u, kP2 = 0x85EBCA77u, kP3 = 0xC2B2AE3Du;
  uint32_t h[4] = {0x243F6A88u, 0x85A308D3u, 0x13198A2Eu, 0x03707344u};
  auto rotl = [](uint32_t v, int r) { return v << r | v >> (32 - r); };
  auto block = [&](const uint8_t* p) {
    for (int k = 0; k < 4; ++k) {
      uint32_t w;
      std::memcpy(&w, p + 4 * k, 4);
      h[k] = rotl(h[k] + w * kP2, 13) * kP1;
    }
  };
  size_t i = 0;
  for (; i + 16 <= size; i += 16) block(bytes + i);
  uint8_t last[16] = {};
  std::memcpy(last, bytes + i, size - i);
  last[15] ^= static_cast<uint8_t>(size - i);  // a tail of zeros still counts
  block(last);
  const uint64_t n = size;
  for (uint32_t k = 0; k < 4; ++k) {
    uint32_t v = h[k] ^ static_cast<uint32_t>(k & 1 ? n >> 32 : n) ^ (k * kP3);
    v ^= v >> 15;
    v *= kP2;
    v ^= v >> 13;
    v *= kP3;
    h[k] = v ^ (v >> 16);
  }
  TJPEGDigest d;
  d.size = size;
  d.a = uint64_t{h[0]} << 32 | h[1];
  d.b = uint64_t{h[2]} << 32 | h[3];
  return d;
}

const TJPEGDigest& DigestOf(const TJPEGData& data) {
  if (!data.digested) {
    data.digest = DigestJPEGBytes(data.bytes.get(), data.size);
    data.digested = true;
  }
  return data.digest;
}

bool JPEGProgressStep(TJPEGProgressState& state, uint32_t now, const TJPEGCounters& c,
                      TJPEGProgressReport& out) {
  if (now - state.lastTime < 500) return false;
  bool first = state.lastTime == 0;
  state.lastTime = now;
  if (first) return false;
  out.left = 0;
  out.top = state.lastRow;
  out.right = c.outputWidth;
  out.bottom = c.outputScanline;
  if (out.bottom < out.top) out.bottom = c.outputHeight;  // a new pass began
  long double fraction =
      c.passLimit > 0 ? static_cast<long double>(c.passCounter) / c.passLimit : 0;
  long double done = c.totalPasses > 0 ? 100 * (fraction + c.completedPasses) / c.totalPasses : 0;
  int percent = static_cast<int>(std::clamp<long double>(done, 0, 100));
  if (percent == state.lastPercent) return false;
  state.lastPercent = percent;
  state.lastRow = c.outputScanline;
  out.percent = static_cast<uint8_t>(percent);
  out.redrawNow = out.bottom - out.top >= 4;
  return true;
}

int JPEGRowsPerCall(ptrdiff_t step, int recOutbufHeight) {
  return step > 0 && step % 4 == 0 && recOutbufHeight > 1 ? recOutbufHeight : 1;
}

void JPEGCmykRowToBgr(const uint8_t* cmyk, uint8_t* bgr, int width, bool inverted) {
  for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    // With the inks inverted each value is the light left: channel = ink' * k' / 255.
    bgr[0] = static_cast<uint8_t>((y * k + 127) / 255);
    bgr[1] = static_cast<uint8_t>((m * k + 127) / 255);
    bgr[2] = static_cast<uint8_t>((c * k + 127) / 255);
  }
}

// ---------------------------------------------------------------------------

TJPEGDecoder::TJPEGDecoder(const uint8_t* data, size_t size) : ctx_(std::make_unique<Context>()) {
  Context* c = ctx_.get();
  c->owner = this;
  jpeg_std_error(&c->err.pub);
  c->err.pub.error_exit = ErrorExit;
  c->err.pub.emit_message = EmitMessage;
  c->err.pub.output_message = OutputMessage;
  c->err.pub.format_message = FormatMessage;
  c->err.pub.reset_error_mgr = ResetErrorMgr;
  c->cinfo.err = &c->err.pub;
  c->cinfo.client_data = c;
  try {
    Run(
        [](void* ci, void*) {
          jpeg_CreateDecompress(Cinfo(ci), JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
        },
        nullptr);
  } catch (...) {
    jpeg_destroy_decompress(&c->cinfo);  // whatever the memory manager got so far
    throw;
  }
  c->src.pub.init_source = InitSource;
  c->src.pub.fill_input_buffer = FillInputBuffer;
  c->src.pub.skip_input_data = SkipInputData;
  c->src.pub.resync_to_restart = jpeg_resync_to_restart;
  c->src.pub.term_source = TermSource;
  c->src.data = data;
  c->src.size = data ? size : 0;
  c->src.pos = 0;
  c->src.startOfFile = true;
  c->cinfo.src = &c->src.pub;
  c->progress.progress_monitor = ProgressMonitor;
  c->cinfo.progress = &c->progress;
}

TJPEGDecoder::~TJPEGDecoder() {
  // Destroying never raises an error; with no memory manager yet it does nothing.
  jpeg_destroy_decompress(&ctx_->cinfo);
}

void TJPEGDecoder::Run(void (*step)(void*, void*), void* arg) const {
  GuardedStep(ctx_.get(), step, arg);
}

void TJPEGDecoder::ReadHeader() {
  Run(
      [](void* ci, void*) {
        jpeg_save_markers(Cinfo(ci), JPEG_APP0 + 1, 0xFFFF);
        jpeg_read_header(Cinfo(ci), TRUE);
      },
      nullptr);
  // Saved segments last until the decode ends; the tag is taken now.
  ctx_->orientation = kOrientationAsStored;
  for (jpeg_saved_marker_ptr m = ctx_->cinfo.marker_list; m; m = m->next) {
    if (m->marker != JPEG_APP0 + 1) continue;
    if (int o = ExifSegmentOrientation(m->data, m->data_length)) {
      ctx_->orientation = o;
      break;
    }
  }
}

int TJPEGDecoder::Orientation() const {
  return ctx_->orientation;
}

int TJPEGDecoder::ImageWidth() const {
  return static_cast<int>(ctx_->cinfo.image_width);
}
int TJPEGDecoder::ImageHeight() const {
  return static_cast<int>(ctx_->cinfo.image_height);
}
bool TJPEGDecoder::Grayscale() const {
  return ctx_->cinfo.jpeg_color_space == JCS_GRAYSCALE;
}

void TJPEGDecoder::SetParameters(bool eightBit) {
  jpeg_decompress_struct& ci = ctx_->cinfo;
  ci.scale_num = 1;
  ci.scale_denom = 1;
  ci.do_block_smoothing = TRUE;
  ci.dct_method = JDCT_FLOAT;
  ci.do_fancy_upsampling = TRUE;
  ci.dither_mode = JDITHER_FS;
  ci.two_pass_quantize = TRUE;
  ci.buffered_image = FALSE;
  ci.raw_data_out = FALSE;
  ci.colormap = nullptr;
  ci.quantize_colors = FALSE;
  switch (ci.jpeg_color_space) {
    case JCS_GRAYSCALE:
      ci.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      // Converted to colour row by row; quantising four inks would give no palette.
      ci.out_color_space = JCS_CMYK;
      break;
    default:
      // Blue first, as a 24-bit bitmap row stores it; a colour map stays red-green-blue.
      ci.out_color_space = eightBit ? JCS_RGB : JCS_EXT_BGR;
      break;
  }
  if (ci.out_color_space == JCS_GRAYSCALE || (eightBit && ci.out_color_space != JCS_CMYK)) {
    ci.quantize_colors = TRUE;
    ci.desired_number_of_colors = 236;
  }
}

int TJPEGDecoder::OutputBits() const {
  return ctx_->cinfo.quantize_colors ? 8 : 24;
}

uint64_t TJPEGDecoder::WorkingMemory() const {
  const jpeg_decompress_struct& ci = ctx_->cinfo;
  uint64_t total = 0;
  auto roundUp = [](uint64_t v, uint64_t m) { return m ? (v + m - 1) / m * m : v; };
  // Asked behind the guard: libjpeg raises an error when called in the wrong state.
  boolean multiScan = FALSE;
  Run([](void* p, void* out) { *static_cast<boolean*>(out) = jpeg_has_multiple_scans(Cinfo(p)); },
      &multiScan);
  if (multiScan && ci.comp_info) {
    for (int i = 0; i < ci.num_components; ++i) {
      const jpeg_component_info& comp = ci.comp_info[i];
      total += roundUp(comp.width_in_blocks, comp.h_samp_factor) *
               roundUp(comp.height_in_blocks, comp.v_samp_factor) * sizeof(JBLOCK);
    }
  }
  // Two-pass quantisation keeps the whole colour image for its second pass.
  if (ci.quantize_colors && ci.two_pass_quantize && ci.out_color_space == JCS_RGB)
    total += uint64_t{ci.image_width} * ci.image_height * 3;
  return total;
}

void TJPEGDecoder::Start() {
  Run([](void* ci, void*) { jpeg_start_decompress(Cinfo(ci)); }, nullptr);
  const jpeg_decompress_struct& ci = ctx_->cinfo;
  // Rows are sized for these counts; anything else would write past them.
  int components = ci.out_color_space == JCS_CMYK ? 4 : ci.out_color_space == JCS_GRAYSCALE ? 1 : 3;
  int perPixel = ci.quantize_colors ? 1 : components;
  if (ci.out_color_components != components || ci.output_components != perPixel)
    throw EJPEG(Format("JPEG error #%d", static_cast<int>(JERR_CONVERSION_NOTIMPL)));
  if (perPixel == 4) ctx_->cmykRow.resize(size_t{ci.output_width} * 4);
}

int TJPEGDecoder::OutputWidth() const {
  return static_cast<int>(ctx_->cinfo.output_width);
}
int TJPEGDecoder::OutputHeight() const {
  return static_cast<int>(ctx_->cinfo.output_height);
}
int TJPEGDecoder::OutputScanline() const {
  return static_cast<int>(ctx_->cinfo.output_scanline);
}
int TJPEGDecoder::RecOutbufHeight() const {
  return ctx_->cinfo.rec_outbuf_height;
}

int TJPEGDecoder::ColorCount() const {
  const jpeg_decompress_struct& ci = ctx_->cinfo;
  return ci.quantize_colors && ci.colormap ? ci.actual_number_of_colors : 0;
}

void TJPEGDecoder::ColorAt(int i, uint8_t& r, uint8_t& g, uint8_t& b) const {
  const jpeg_decompress_struct& ci = ctx_->cinfo;
  if (ci.out_color_components == 1) {
    r = g = b = ci.colormap[0][i];
  } else {
    r = ci.colormap[0][i];
    g = ci.colormap[1][i];
    b = ci.colormap[2][i];
  }
}

int TJPEGDecoder::ReadRows(uint8_t* row, ptrdiff_t step, int maxRows) {
  Context* c = ctx_.get();
  struct Arg {
    JSAMPROW rows[16];
    JDIMENSION max;
    JDIMENSION got;
  } a{};
  int left = static_cast<int>(c->cinfo.output_height - c->cinfo.output_scanline);
  int n = std::clamp(std::min(maxRows, left), 0, 16);
  bool cmyk = !c->cmykRow.empty();
  if (cmyk) n = std::min(n, 1);
  if (n == 0) return 0;
  for (int i = 0; i < n; ++i) a.rows[i] = cmyk ? c->cmykRow.data() : row + i * step;
  a.max = static_cast<JDIMENSION>(n);
  Run(
      [](void* ci, void* p) {
        Arg* q = static_cast<Arg*>(p);
        q->got = jpeg_read_scanlines(Cinfo(ci), q->rows, q->max);
      },
      &a);
  if (cmyk && a.got > 0)
    JPEGCmykRowToBgr(c->cmykRow.data(), row, static_cast<int>(c->cinfo.output_width),
                     c->cinfo.saw_Adobe_marker);
  return static_cast<int>(a.got);
}

void TJPEGDecoder::Finish() {
  Run([](void* ci, void*) { jpeg_finish_decompress(Cinfo(ci)); }, nullptr);
}

}  // namespace pix
