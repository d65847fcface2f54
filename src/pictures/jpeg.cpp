#include "pictures/jpeg.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "pictures/exif_core.h"
#include "pictures/turn_core.h"
#include "ui/errors.h"
#include "ui/handles.h"
#include "ui/text.h"

namespace pix {

const TGraphicClass TJPEGImageKind{"TJPEGImage", &TGraphicKind,
                                   [] { return std::unique_ptr<TGraphic>(new TJPEGImage); }};

TJPEGDefaults& JPEGDefaults() {
  static TJPEGDefaults defaults;
  return defaults;
}

namespace {

// GDI sizes bitmaps in 32-bit signed quantities; beyond that, or beyond what
// the system can still commit, the picture can't be shown and memory is short.
void RequireMemory(uint64_t bitmapBytes, uint64_t workingBytes) {
  if (bitmapBytes > static_cast<uint64_t>(INT_MAX)) throw EOutOfMemory();
  if (const auto& shortNow = JPEGDecodeHooks().MemoryShort; shortNow && shortNow())
    throw EOutOfMemory();
  MEMORYSTATUSEX ms{};
  ms.dwLength = sizeof ms;
  if (!GlobalMemoryStatusEx(&ms)) return;
  uint64_t available = std::min<uint64_t>(ms.ullAvailPageFile, ms.ullAvailVirtual);
  if (bitmapBytes + workingBytes > available) throw EOutOfMemory();
}

// Rows not decoded yet (or ever, after an error) show white. Writing white over
// a whole large picture costs as much as a good part of its decode, so it is
// done only when someone may look: before a progress report, after a failure.
// A turned picture's rest lies where its stored rows from `from` on are shown.
struct UndecodedRows {
  TBitmap* bmp = nullptr;
  uint8_t white = 0xFF;
  int from = 0;  // the first stored row not decoded
  bool filled = false;
  int orientation = 1, storedWidth = 0, storedHeight = 0, pixelBytes = 3;
  void Fill() {
    if (!bmp || filled) return;
    filled = true;
    if (orientation == 1) {
      size_t n = static_cast<size_t>(bmp->RowBytes());
      for (int y = from; y < bmp->Height(); ++y)
        if (uint8_t* row = bmp->ScanLine(y)) std::memset(row, white, n);
      return;
    }
    TTurnedRect r = TurnedRows(orientation, storedWidth, storedHeight, from, storedHeight);
    size_t n = static_cast<size_t>(r.right - r.left) * pixelBytes;
    for (int y = r.top; y < r.bottom; ++y)
      if (uint8_t* row = bmp->ScanLine(y)) std::memset(row + r.left * pixelBytes, white, n);
  }
};

// The first write to each page of a freshly made bitmap costs the system a
// fault and a page of zeros: for a 24-megapixel picture about a fifth of its
// decode. While a large picture decodes on the interface thread, another
// thread takes those faults, from the last rows towards the rows in progress,
// stopping short of them. Each touch adds 0 under the processor's lock, so a
// byte the decode has already written keeps its value whatever the timing.
class TPrefault {
 public:
  static constexpr size_t kMinBytes = size_t{16} << 20;
  static constexpr int kMargin = 64;  // rows kept clear ahead of the decode
  // As `decodedTo`: every row is touched, down to row 0.
  static constexpr int kEveryRow = -1 - kMargin;
  // `first` is row 0's address, `step` the distance to the next row.
  TPrefault(uint8_t* first, ptrdiff_t step, size_t rowBytes, int height,
            const std::atomic<int>& decodedTo) {
    try {
      thread_ = std::thread([=, this, &decodedTo] {
        constexpr uintptr_t kPage = 4096;
        uintptr_t lastPage = 0;
        for (int y = height - 1; y > decodedTo.load(std::memory_order_relaxed) + kMargin; --y) {
          if (stop_.load(std::memory_order_relaxed)) return;
          uint8_t* row = first + static_cast<ptrdiff_t>(y) * step;
          for (size_t at = 0; at < rowBytes; at += kPage) {
            uintptr_t page = (reinterpret_cast<uintptr_t>(row) + at) / kPage;
            if (page == lastPage) continue;
            lastPage = page;
            std::atomic_ref<uint8_t>(row[at]).fetch_or(0, std::memory_order_relaxed);
          }
        }
      });
    } catch (const std::system_error&) {
      // No thread: the decode takes its own faults.
    }
  }
  ~TPrefault() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  TPrefault(const TPrefault&) = delete;
  TPrefault& operator=(const TPrefault&) = delete;

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Stored rows per band of a turned picture: its rows go over to the bitmap
// once this many are decoded, so the band costs a small part of the picture.
constexpr int kTurnBand = 64;

// A turned picture: rows are decoded into a band, then moved to where they
// are shown. `step` is the distance between the bitmap's rows.
void DecodeTurnedRows(TJPEGDecoder& dec, TBitmap& bmp, ptrdiff_t step, UndecodedRows& rest) {
  int w = dec.OutputWidth(), h = dec.OutputHeight(), o = dec.Orientation();
  int bytes = dec.OutputBits() / 8;
  ptrdiff_t bandStep = (static_cast<ptrdiff_t>(w) * bytes + 3) & ~ptrdiff_t{3};
  int bandRows = std::min(h, kTurnBand);
  std::vector<uint8_t> band(static_cast<size_t>(bandStep) * static_cast<size_t>(bandRows));
  int perCall = JPEGRowsPerCall(bandStep, dec.RecOutbufHeight());
  int moved = dec.OutputScanline();
  auto move = [&] {
    int n = dec.OutputScanline() - moved;
    if (n > 0) TurnRows(o, w, h, bytes, moved, n, band.data(), bandStep, {bmp.ScanLine(0), step});
    rest.from = moved += std::max(n, 0);
    bmp.PixelsChanged();
  };
  try {
    for (;;) {
      int in = dec.OutputScanline() - moved;
      if (in == bandRows || dec.OutputScanline() >= h) {
        move();
        if (dec.OutputScanline() >= h) break;
        continue;
      }
      if (dec.ReadRows(band.data() + in * bandStep, bandStep, std::min(perCall, bandRows - in)) ==
          0)
        break;
    }
  } catch (...) {
    move();  // what was decoded shows, as it would unturned
    throw;
  }
  move();
}

// Sizes the bitmap as the picture is shown and gives it libjpeg's colour map as
// its palette; returns the distance between its rows. `paletteSet` turns true
// as soon as the bitmap has a palette.
ptrdiff_t NewShownBitmap(TJPEGDecoder& dec, TBitmap& bmp, bool& paletteSet, UndecodedRows& rest) {
  int w = dec.OutputWidth(), h = dec.OutputHeight(), bits = dec.OutputBits();
  int o = dec.Orientation();
  int count = dec.ColorCount();
  std::vector<uint8_t> logical(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * std::max(count, 1));
  auto* lp = reinterpret_cast<LOGPALETTE*>(logical.data());
  RGBQUAD colors[256];
  int white = 0, whiteSum = -1;
  for (int i = 0; i < count && i < 256; ++i) {
    uint8_t r, g, b;
    dec.ColorAt(i, r, g, b);
    lp->palPalEntry[i] = {r, g, b, 0};
    colors[i] = {b, g, r, 0};
    if (r + g + b > whiteSum) whiteSum = r + g + b, white = i;
  }
  bool swap = OrientationSwapsSides(o);
  bmp.NewDIB(swap ? h : w, swap ? w : h, bits, count ? colors : nullptr, std::min(count, 256));
  rest = {&bmp,    bits == 8 ? static_cast<uint8_t>(white) : uint8_t{0xFF}, 0, false, o, w, h,
          bits / 8};
  ptrdiff_t step = bmp.Height() > 1 ? bmp.ScanLine(1) - bmp.ScanLine(0)
                                    : -static_cast<ptrdiff_t>(bmp.RowBytes());
  if (count > 0) {
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(std::min(count, 256));
    bmp.SetPalette(TOwnedPalette(CreatePalette(lp)));  // may move the rows: each is looked up below
    paletteSet = true;
  }
  return step;
}

// Lets libjpeg write the rows straight into the bitmap's memory, top row
// first; a turned picture's rows go through a band.
void DecodeRows(TJPEGDecoder& dec, TBitmap& bmp, bool& paletteSet, UndecodedRows& rest,
                bool prefault) {
  ptrdiff_t step = NewShownBitmap(dec, bmp, paletteSet, rest);
  int h = dec.OutputHeight(), shownHeight = bmp.Height();
  bool turned = dec.Orientation() != kOrientationAsStored;
  int rows = JPEGRowsPerCall(step, dec.RecOutbufHeight());
  // A turned picture's bands land all over the bitmap: its pages are all taken ahead.
  std::atomic<int> decodedTo{turned ? TPrefault::kEveryRow : dec.OutputScanline()};
  std::optional<TPrefault> faults;
  if (prefault && shownHeight > 1 && bmp.BufferSize() >= TPrefault::kMinBytes)
    faults.emplace(bmp.ScanLine(0), step, static_cast<size_t>(bmp.RowBytes()), shownHeight,
                   decodedTo);
  if (turned) {
    DecodeTurnedRows(dec, bmp, step, rest);
    if (rest.from < h) rest.Fill();
    return;
  }
  for (int y = dec.OutputScanline(); y < h; y = dec.OutputScanline()) {
    rest.from = y;
    decodedTo.store(y + rows, std::memory_order_relaxed);
    // Each row's address from the bitmap itself: offsets into a large buffer
    // outgrow a 32-bit product of step and row.
    int got = dec.ReadRows(bmp.ScanLine(y), step, rows);
    bmp.PixelsChanged();  // a repaint during the decode saw older rows
    if (got == 0) break;
  }
  rest.from = dec.OutputScanline();
  if (rest.from < h) rest.Fill();
}

// The bitmap as shown, and a turned picture's band beside libjpeg's own memory.
void RequireDecodeMemory(const TJPEGDecoder& dec) {
  uint64_t w = static_cast<uint64_t>(dec.ImageWidth()),
           h = static_cast<uint64_t>(dec.ImageHeight()), bits = dec.OutputBits();
  uint64_t band = 0;
  if (dec.Orientation() != kOrientationAsStored)
    band = (w * bits / 8 + 3) * std::min<uint64_t>(h, kTurnBand);
  if (OrientationSwapsSides(dec.Orientation())) std::swap(w, h);
  uint64_t rowBytes = ((w * bits + 31) & ~uint64_t{31}) / 8;
  RequireMemory(rowBytes * h, dec.WorkingMemory() + band);
}

// The decode proper, once the decoder's parameters and hooks are set.
// `prefault`: the interface thread waits for this decode (see TPrefault).
void DecodeInto(TJPEGDecoder& dec, TBitmap& bmp, bool& paletteSet, UndecodedRows& rest,
                bool prefault) {
  RequireDecodeMemory(dec);
  dec.Start();
  DecodeRows(dec, bmp, paletteSet, rest, prefault);
  dec.Finish();
}

// The last complete decode. The full-screen view and the main preview load the
// same file for one key press; whichever paints second takes the first one's
// pixels instead of decoding again. Weak: it keeps nothing alive.
struct LastDecode {
  std::weak_ptr<TJPEGData> data;
  std::weak_ptr<TBitmap> bitmap;
  TJPEGDefaults settings;
};
LastDecode& Last() {
  static LastDecode last;
  return last;
}

}  // namespace

// ---------------------------------------------------------------------------

TJPEGImage::TJPEGImage() : data_(std::make_shared<TJPEGData>()), settings_(JPEGDefaults()) {}

void TJPEGImage::LoadFromStream(TStream& stream) {
  uint64_t n = stream.Remaining();
  data_ = std::make_shared<TJPEGData>();
  bitmap_.reset();
  try {
    AllocateJPEGBytes(*data_, n);
  } catch (const EOutOfMemory&) {
    if (!ReleaseKeptPictures()) throw;  // this picture before anything kept
    AllocateJPEGBytes(*data_, n);
  }
  stream.ReadBuffer(data_->bytes.get(), data_->size);
  if (data_->size > 0) ReadJPEGHeader(*data_);
  PaletteModified = true;
  Changed();
}

namespace {

// The file a JPEG picture was loaded from last, as it was then; weak, so it
// keeps nothing alive.
struct RecentFile {
  std::string path;
  uint64_t size = 0;
  FILETIME written{};
  std::weak_ptr<TJPEGData> data;
};
RecentFile& Recent() {
  static RecentFile recent;
  return recent;
}

bool FileState(const std::string& path, uint64_t& size, FILETIME& written) {
  WIN32_FILE_ATTRIBUTE_DATA a{};
  if (!GetFileAttributesExW(PlatformPath(path).c_str(), GetFileExInfoStandard, &a)) return false;
  size = uint64_t{a.nFileSizeHigh} << 32 | a.nFileSizeLow;
  written = a.ftLastWriteTime;
  return true;
}

}  // namespace

void TJPEGImage::LoadFromFile(const std::string& fileName) {
  uint64_t size = 0;
  FILETIME written{};
  bool known = FileState(fileName, size, written);
  RecentFile& r = Recent();
  std::shared_ptr<TJPEGData> same = r.data.lock();
  if (known && same && r.path == fileName && r.size == size && same->size == size &&
      CompareFileTime(&r.written, &written) == 0) {
    data_ = std::move(same);
    bitmap_.reset();
    PaletteModified = true;
    Changed();
    return;
  }
  TGraphic::LoadFromFile(fileName);
  // Taken before the read: a file written meanwhile never matches it again.
  if (known) r = {fileName, size, written, data_};
}

int TJPEGImage::Width() const {
  return bitmap_ ? bitmap_->Width() : data_->width;
}

int TJPEGImage::Height() const {
  return bitmap_ ? bitmap_->Height() : data_->height;
}

bool TJPEGImage::Empty() const {
  if (data_->hasBytes) return false;
  return !bitmap_ || bitmap_->Empty();
}

TBitmap& TJPEGImage::Bitmap() {
  if (!bitmap_) Decode();
  return *bitmap_;
}

void TJPEGImage::Draw(HDC dc, const RECT& r) {
  Bitmap().Draw(dc, r);
}

HPALETTE TJPEGImage::Palette() const {
  if (bitmap_) return bitmap_->Palette();
  if (tempPalette_) return tempPalette_;
  if (settings_.PixelFormat == TJPEGPixelFormat::jf24Bit && ScreenColorDepth() <= 8) {
    TWindowDC screen;
    if (screen) tempPalette_.Reset(CreateHalftonePalette(screen));
  }
  return tempPalette_;
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const {
  auto copy = std::make_unique<TJPEGImage>();
  copy->data_ = data_;
  if (bitmap_) copy->bitmap_.reset(static_cast<TBitmap*>(bitmap_->Clone().release()));
  return copy;
}

// A bitmap decoded elsewhere from the same bytes becomes this picture's; one
// with a palette is announced as a fresh decode's would be.
void TJPEGImage::AdoptDecoded(std::shared_ptr<TBitmap> bitmap) {
  bitmap_ = std::move(bitmap);
  Last() = {data_, bitmap_, settings_};
  if (bitmap_->Palette()) {
    PaletteModified = true;
    Changed();
  }
}

bool TJPEGImage::ShareLastDecode() {
  std::shared_ptr<TJPEGData> data = Last().data.lock();
  std::shared_ptr<TBitmap> bitmap = Last().bitmap.lock();
  if (!data || !bitmap || !(Last().settings == settings_) || !SameJPEGBytes(*data, *data_))
    return false;
  AdoptDecoded(std::move(bitmap));
  return true;
}

bool TJPEGImage::TakeReadAhead() {
  const TJPEGDecodeHooks& hooks = JPEGDecodeHooks();
  if (!hooks.Find) return false;
  // Only a view that reads ahead sets the interrupt: only it waits for the worker.
  std::shared_ptr<TBitmap> bitmap = hooks.Find(*data_, settings_, hooks.Interrupted != nullptr,
                                               interruptedOnce_ ? nullptr : hooks.Interrupted);
  if (!bitmap) return false;
  AdoptDecoded(std::move(bitmap));
  return true;
}

void TJPEGImage::Decode() {
  if (data_->hasBytes && (ShareLastDecode() || TakeReadAhead())) return;
  try {
    DecodeHere();
    return;
  } catch (const EJPEG&) {
    // Broken bytes: the other view of the same file (the main preview behind
    // the full-screen view) takes what this one kept, so one failure is
    // reported once.
    Last() = {data_, bitmap_, settings_};
    throw;
  } catch (const EOutOfMemory&) {
  } catch (const std::bad_alloc&) {
  }
  // Short of memory: what is kept for later goes first, then the decode runs
  // once more. Only a picture that can't fit on its own fails.
  if (!ReleaseKeptPictures()) throw EOutOfMemory();
  try {
    DecodeHere();
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory();
  }
}

void TJPEGImage::DecodeHere() {
  bitmap_ = std::make_shared<TBitmap>();  // kept even if decoding fails
  TBitmap& bmp = *bitmap_;
  if (!data_->hasBytes) return;  // never loaded: nothing to show
  TJPEGDecoder dec(data_->bytes.get(), data_->size);
  dec.ReadHeader();
  dec.SetParameters(settings_.PixelFormat == TJPEGPixelFormat::jf8Bit);
  const RECT none{0, 0, 0, 0};
  Progress(TProgressStage::psStarting, 0, false, none, std::string());
  UndecodedRows rest;
  try {
    tempPalette_.Reset();
    // Once only: a key that turns out to change nothing (Down on the last
    // entry, held) must not keep the picture from ever showing. A key already
    // waiting stops the decode before any of its work.
    bool (*interrupted)() = JPEGDecodeHooks().Interrupted;
    if (interrupted && !interruptedOnce_) {
      if (interrupted()) throw EJPEGInterrupted();
      dec.Interrupted = [interrupted, last = GetTickCount()]() mutable {
        DWORD now = GetTickCount();
        if (now - last < 4) return false;  // the queue is looked at now and then
        last = now;
        return interrupted();
      };
    }
    dec.Clock = [] { return static_cast<uint32_t>(GetTickCount()); };
    dec.OnProgress = [this, &rest, &dec](const TJPEGProgressReport& p) {
      rest.Fill();  // the report may draw the rows decoded so far
      RECT r{p.left, p.top, p.right, p.bottom};
      if (int o = dec.Orientation(); o != kOrientationAsStored) {
        TTurnedRect t = TurnedRows(o, dec.OutputWidth(), dec.OutputHeight(), p.top, p.bottom);
        r = {t.left, t.top, t.right, t.bottom};
      }
      Progress(TProgressStage::psRunning, p.percent, p.redrawNow, r, std::string());
    };
    bool paletteSet = false;
    struct Flag {
      bool& set;
      bool& modified;
      ~Flag() { modified = modified || set; }
    } flag{paletteSet, PaletteModified};
    DecodeInto(dec, bmp, paletteSet, rest, true);
  } catch (const EJPEGInterrupted&) {
    // Stopped for a newer step: nothing of it is kept, the next draw starts over.
    bitmap_.reset();
    interruptedOnce_ = true;
    Progress(TProgressStage::psEnding, 0, false, none, std::string());
    throw;
  } catch (...) {
    rest.from = std::max(rest.from, dec.OutputScanline());
    rest.Fill();
    bmp.PixelsChanged();
    Progress(TProgressStage::psEnding, 0, PaletteModified, none, std::string());
    if (PaletteModified) Changed();
    throw;
  }
  Last() = {data_, bitmap_, settings_};
  // Kept only for a view that reads ahead: a preview elsewhere (the open
  // dialog's) is no picture of the list.
  const TJPEGDecodeHooks& hooks = JPEGDecodeHooks();
  if (hooks.Decoded && hooks.ViewReadsAhead) hooks.Decoded(data_, bitmap_, settings_);
  Progress(TProgressStage::psEnding, 100, PaletteModified, none, std::string());
  if (PaletteModified) Changed();
}

std::shared_ptr<TBitmap> DecodeJPEGBytes(const TJPEGData& data, const TJPEGDefaults& settings,
                                         std::function<bool()> interrupted) {
  return DecodeJPEGBytes(data.bytes.get(), data.size, settings, std::move(interrupted), {});
}

std::shared_ptr<TBitmap> DecodeJPEGBytes(const uint8_t* bytes, size_t size,
                                         const TJPEGDefaults& settings,
                                         std::function<bool()> interrupted,
                                         std::function<void(size_t)> consumed) {
  auto bmp = std::make_shared<TBitmap>();
  TJPEGDecoder dec(bytes, size);
  dec.ReadHeader();
  dec.SetParameters(settings.PixelFormat == TJPEGPixelFormat::jf8Bit);
  dec.Interrupted = std::move(interrupted);
  dec.Consumed = std::move(consumed);
  bool paletteSet = false;
  UndecodedRows rest;
  DecodeInto(dec, *bmp, paletteSet, rest, false);
  return bmp;
}

// Never destroyed: the read-ahead, a static too, unhooks itself at exit and its
// worker reads these until it stops, whichever of the statics goes first.
TJPEGDecodeHooks& JPEGDecodeHooks() {
  static TJPEGDecodeHooks& hooks = *new TJPEGDecodeHooks;
  return hooks;
}

// ---------------------------------------------------------------------------

void RegisterJPEGKind() {
  JPEGDefaults().PixelFormat =
      ScreenColorDepth() <= 8 ? TJPEGPixelFormat::jf8Bit : TJPEGPixelFormat::jf24Bit;
  const std::string& description = FormatTexts().jpeg;
  AddPictureFormat("jpeg", description, TJPEGImageKind);
  AddPictureFormat("jpg", description, TJPEGImageKind);
}

void UnregisterJPEGKind() {
  RemovePictureFormats(TJPEGImageKind);
}

}  // namespace pix
