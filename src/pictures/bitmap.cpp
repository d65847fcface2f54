#include "pictures/bitmap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "pictures/bmp_core.h"
#include "ui/app.h"
#include "ui/handles.h"
#include "ui/errors.h"

namespace pix {

const TGraphicClass TBitmapKind{"TBitmap", &TGraphicKind,
                                [] { return std::unique_ptr<TGraphic>(new TBitmap); }};

namespace {

[[noreturn]] void NotValid() {
  throw EInvalidGraphic("Bitmap image is not valid");
}

// The platform refused a bitmap: its error code and message, or our own text
// when it gave no code.
[[noreturn]] void BitmapRefused(DWORD code) {
  if (code)
    throw EOSError(Format("System Error.  Code: %d.\r\n%s", static_cast<int>(code),
                          SysErrorMessage(code).c_str()),
                   code);
  NotValid();
}

// A logical palette of a colour table, red and blue exchanged into palette order.
// A 16-colour table on a palette screen takes the system's 16 standard colours.
HPALETTE PaletteFromColors(const RGBQUAD* colors, UINT count, HDC screen) {
  if (!count) return nullptr;
  std::vector<uint8_t> buf(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = static_cast<WORD>(count);
  for (UINT i = 0; i < count; ++i)
    lp->palPalEntry[i] = {colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
  int systemSize = GetDeviceCaps(screen, SIZEPALETTE);
  if (count == 16 && systemSize >= 16) {
    GetSystemPaletteEntries(screen, 0, 8, &lp->palPalEntry[0]);
    GetSystemPaletteEntries(screen, static_cast<UINT>(systemSize - 8), 8, &lp->palPalEntry[8]);
  }
  return CreatePalette(lp);
}

UINT ColorTableOf(HDC screen, HBITMAP dib, RGBQUAD (&table)[256]) {
  TMemoryDC mem(screen);
  TSelectObject select(mem, dib);
  return mem ? GetDIBColorTable(mem, 0, 256, table) : 0;
}

constexpr uint64_t kLargeBuffer = uint64_t{16} << 20;

bool WideAddressSpace() {
  return sizeof(void*) > 4;
}

}  // namespace

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  Release();
}

void TBitmap::Release() {
  PixelsChanged();
  handle_.Reset();
  bits_ = nullptr;
  palette_.Reset();
  desc_ = DIBSECTION{};
  core_ = false;
  info_.clear();
  rleFile_.clear();
}

void TBitmap::Adopt(HBITMAP bitmap, void* bits, HPALETTE palette) {
  Release();
  handle_.Reset(bitmap);
  bits_ = bits;
  palette_.Reset(palette);
}

int TBitmap::Width() const {
  return desc_.dsBm.bmWidth;
}

int TBitmap::Height() const {
  return std::abs(desc_.dsBm.bmHeight);
}

int TBitmap::BitCount() const {
  return desc_.dsBm.bmBitsPixel;
}

int TBitmap::RowBytes() const {
  return static_cast<int>(bmp::RowBytes(desc_.dsBm.bmWidth, desc_.dsBm.bmBitsPixel));
}

bmp::RowLayout TBitmap::Layout() const {
  return {bmp::RowBytes(desc_.dsBm.bmWidth, desc_.dsBm.bmBitsPixel),
          static_cast<uint64_t>(Height()), TopDown()};
}

size_t TBitmap::BufferSize() const {
  return bits_ ? static_cast<size_t>(bmp::BufferBytes(Layout(), SIZE_MAX)) : 0;
}

const uint8_t* TBitmap::Row(int row) const {
  if (!bits_ || row < 0 || row >= Height()) return nullptr;
  uint64_t offset = bmp::RowOffset(Layout(), static_cast<uint64_t>(row));
  return static_cast<const uint8_t*>(bits_) + static_cast<size_t>(offset);
}

uint8_t* TBitmap::ScanLine(int row) {
  PixelsChanged();
  return const_cast<uint8_t*>(Row(row));
}

void TBitmap::PixelsChanged() {
  for (TReducedCopy& c : reduced_) c = TReducedCopy{};
}

void TBitmap::FillBytes(uint8_t value) {
  PixelsChanged();
  if (bits_) std::memset(bits_, value, BufferSize());
}

}  // namespace pix

namespace pix {

namespace {

// A DIB section from a BITMAPINFO (header, masks, colour table); its bytes are 0.
HBITMAP CreateDIB(const std::vector<uint8_t>& info, HDC screen, void** bits) {
  SetLastError(0);
  *bits = nullptr;
  TOwnedBitmap dib(CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(info.data()),
                                    DIB_RGB_COLORS, bits, nullptr, 0));
  if (!dib || !*bits) BitmapRefused(GetLastError());
  return dib.Release();
}

// Compressed pixel data (RLE) to a bitmap in the screen's format, converted with
// the colour table's palette selected. The data get an end-of-bitmap mark and
// an exact size so that the platform's decoder cannot run past them.
HBITMAP ConvertCompressed(TStream& stream, bmp::Headers& h, HDC screen, HPALETTE palette,
                          std::vector<uint8_t>& data) {
  data.assign(static_cast<size_t>(h.pixelBytes) + 2, 0);
  size_t got = stream.Read(data.data(), static_cast<size_t>(h.pixelBytes));
  data.resize(got + 2);
  data[got] = 0;
  data[got + 1] = 1;
  auto* bi = reinterpret_cast<BITMAPINFO*>(h.header.data());
  bi->bmiHeader.biSizeImage = static_cast<DWORD>(data.size());

  TMemoryDC mem(screen);
  if (!mem) BitmapRefused(GetLastError());
  TOwnedBitmap format(CreateCompatibleBitmap(screen, 1, 1));
  TSelectObject selectFormat(mem, format);
  HPALETTE oldPalette = nullptr;
  if (palette) {
    oldPalette = SelectPalette(mem, palette, FALSE);
    RealizePalette(mem);
  }
  SetLastError(0);
  HBITMAP ddb = CreateDIBitmap(mem, &bi->bmiHeader, CBM_INIT, data.data(), bi, DIB_RGB_COLORS);
  DWORD code = GetLastError();
  if (palette) SelectPalette(mem, oldPalette, TRUE);
  data.resize(got);
  if (!ddb) BitmapRefused(code);
  return ddb;
}

}  // namespace

// The description as the platform reports it; a device-dependent bitmap has no
// info header of its own, so the file's fields stand in for it.
void TBitmap::Describe() {
  DIBSECTION ds{};
  if (bits_) {
    GetObjectA(handle_, sizeof ds, &ds);
    // Not every platform keeps the sign of a top-down height here; the header does.
    ds.dsBmih.biHeight = std::abs(ds.dsBmih.biHeight);
    if (TopDown()) ds.dsBmih.biHeight = -ds.dsBmih.biHeight;
  } else {
    GetObjectA(handle_, sizeof ds.dsBm, &ds.dsBm);
  }
  desc_ = ds;
}

bool TBitmap::TopDown() const {
  return info_.size() >= sizeof(BITMAPINFOHEADER) &&
         reinterpret_cast<const BITMAPINFOHEADER*>(info_.data())->biHeight < 0;
}

void TBitmap::LoadFromStream(TStream& stream) {
  uint64_t available = stream.Remaining();
  if (available == 0) {
    Release();
    return;
  }
  bmp::Headers h = bmp::ReadHeaders(stream, available);
  bool compressed = bmp::Compressed(h.info);
  uint64_t store = bmp::StoreBytes(h.info);
  if (!bmp::StoreSizeAcceptable(store, compressed ? 0 : h.remaining, WideAddressSpace()))
    NotValid();
  // Compressed data are held whole in memory while they are converted.
  if (compressed && !bmp::StoreSizeAcceptable(h.pixelBytes, h.pixelBytes, WideAddressSpace()))
    NotValid();

  TScreenDC screen;
  const RGBQUAD* colors =
      h.colorCount ? reinterpret_cast<const RGBQUAD*>(&h.header[h.colorOffset]) : nullptr;
  TOwnedPalette palette;
  if (h.colorCount && (h.info.bitCount > 8 || compressed))
    palette.Reset(PaletteFromColors(colors, h.colorCount, screen));

  TOwnedBitmap bitmap;
  void* bits = nullptr;
  std::vector<uint8_t> kept;
  if (!compressed) {
    try {
      bitmap.Reset(CreateDIB(h.header, screen, &bits));
    } catch (const Exception&) {
      // A large buffer may have been refused for the room kept pictures take:
      // this picture comes before them.
      if (store < kLargeBuffer || !ReleaseKeptPictures()) throw;
      bitmap.Reset(CreateDIB(h.header, screen, &bits));
    }
    DIBSECTION ds{};
    GetObjectA(bitmap.Get(), sizeof ds, &ds);
    uint64_t room = uint64_t(ds.dsBm.bmWidthBytes) * uint64_t(std::abs(ds.dsBm.bmHeight));
    // One read straight into the buffer, never past its end.
    stream.Read(bits, static_cast<size_t>(bmp::BytesIntoStore(h, room < store ? room : store)));
    if (!palette.Get()) {
      RGBQUAD table[256];
      UINT n = ColorTableOf(screen, bitmap.Get(), table);
      palette.Reset(PaletteFromColors(table, n, screen));
      if (!palette.Get() && screen.Depth() < ds.dsBm.bmBitsPixel * ds.dsBm.bmPlanes)
        palette.Reset(CreateHalftonePalette(screen));
    }
  } else {
    bitmap.Reset(ConvertCompressed(stream, h, screen, palette.Get(), kept));
  }

  Adopt(bitmap.Release(), bits, palette.Release());
  if (bits_) info_ = h.header;
  Describe();
  if (!bits_) {
    std::memcpy(&desc_.dsBmih, h.header.data(), sizeof desc_.dsBmih);
    for (int i = 0; i < 3; ++i) desc_.dsBitfields[i] = h.masks[i];
    // Kept as read: file header, info header with its table, the pixel data.
    rleFile_.assign(h.fileHeader, h.fileHeader + sizeof h.fileHeader);
    rleFile_.insert(rleFile_.end(), h.header.begin(), h.header.end());
    rleFile_.insert(rleFile_.end(), kept.begin(), kept.end());
  }
  desc_.dsBmih.biXPelsPerMeter = h.info.xPelsPerMeter;
  desc_.dsBmih.biYPelsPerMeter = h.info.yPelsPerMeter;
  desc_.dsBmih.biClrUsed = h.info.clrUsed;
  desc_.dsBmih.biClrImportant = h.info.clrImportant;
  core_ = h.core;
  Changed();
}

void TBitmap::NewDIB(int width, int height, int bitCount, const RGBQUAD* colors, int count) {
  bool depth = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
               bitCount == 24 || bitCount == 32;
  if (width <= 0 || height <= 0 || !depth || count < 0 || count > 256) NotValid();
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + size_t(count) * sizeof(RGBQUAD));
  auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  *bih = {sizeof(BITMAPINFOHEADER),  width, height, 1, static_cast<WORD>(bitCount), BI_RGB, 0, 0, 0,
          static_cast<DWORD>(count), 0};
  if (count) std::memcpy(info.data() + sizeof *bih, colors, size_t(count) * sizeof(RGBQUAD));
  TScreenDC screen;
  void* bits = nullptr;
  HBITMAP dib = nullptr;
  try {
    dib = CreateDIB(info, screen, &bits);
  } catch (const Exception&) {
    // Size, depth and colours are all valid here: only memory can be short.
    throw EOutOfMemory();
  }
  Adopt(dib, bits, nullptr);
  info_ = std::move(info);
  Describe();
}

void TBitmap::SetPalette(TOwnedPalette palette) {
  PixelsChanged();
  palette_ = std::move(palette);
  if (palette_ && bits_ && BitCount() <= 8) {
    PALETTEENTRY entries[256];
    UINT n = GetPaletteEntries(palette_, 0, 256, entries);
    RGBQUAD table[256];
    for (UINT i = 0; i < n; ++i)
      table[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    TScreenDC screen;
    TMemoryDC mem(screen);
    TSelectObject select(mem, handle_);
    if (mem && n) SetDIBColorTable(mem, 0, n, table);
    // Keep the copy's recipe in step with the buffer's new colours.
    auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(info_.data());
    uint32_t room = (static_cast<uint32_t>(info_.size()) - bih->biSize) / sizeof(RGBQUAD);
    for (UINT i = 0; i < n && i < room; ++i)
      std::memcpy(info_.data() + bih->biSize + i * sizeof(RGBQUAD), &table[i], sizeof(RGBQUAD));
  }
  PaletteModified = true;
  Changed();
}

void TBitmap::Draw(HDC dc, const RECT& r) {
  if (!handle_) return;
  // The caller's palette and stretch mode are put back on every path.
  struct Restore {
    HDC dc;
    HPALETTE palette = nullptr;
    int mode = 0;
    ~Restore() {
      if (palette) SelectPalette(dc, palette, TRUE);
      if (mode) SetStretchBltMode(dc, mode);
    }
  } restore{dc};
  if (palette_) {
    restore.palette = SelectPalette(dc, palette_, TRUE);
    RealizePalette(dc);
  }
  int depth = desc_.dsBm.bmBitsPixel * desc_.dsBm.bmPlanes;
  if (depth != 1) {  // a monochrome bitmap leaves the mode as it is
    int target = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    if (target <= 8 && target < depth) {
      POINT origin{};
      GetBrushOrgEx(dc, &origin);
      restore.mode = SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    } else {
      restore.mode = SetStretchBltMode(dc, COLORONCOLOR);
    }
  }
  if (!DrawReduced(dc, r)) {
    TMemoryDC mem(dc);
    TSelectObject select(mem, handle_);
    if (mem)
      StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, Width(),
                 Height(), SRCCOPY);
  }
}

// A 24- or 32-bit picture reduced onto a true-colour surface: the rows and
// columns COLORONCOLOR keeps are picked here, once per size, into a 32-bit copy
// that each paint copies from. The platform's StretchBlt from a 24-bit store runs
// many times slower, and a full-screen view repaints a large photo often.
bool TBitmap::DrawReduced(HDC dc, const RECT& r) {
  int dw = r.right - r.left, dh = r.bottom - r.top;
  if (!Reducible(dw, dh)) return false;
  if (GetDeviceCaps(dc, TECHNOLOGY) != DT_RASDISPLAY ||
      GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) <= 8)
    return false;
  RECT clip, vis;
  int kind = GetClipBox(dc, &clip);
  if (kind == NULLREGION) return true;
  if (kind == ERROR) clip = r;
  if (!IntersectRect(&vis, &clip, &r)) return true;
  const TReducedCopy* copy = ReducedCopy(dw, dh);
  if (!copy) return false;
  TMemoryDC mem(dc);
  TSelectObject select(mem, copy->dib.Get());
  if (!mem) return false;
  BitBlt(dc, vis.left, vis.top, vis.right - vis.left, vis.bottom - vis.top, mem, vis.left - r.left,
         vis.top - r.top, SRCCOPY);
  return true;
}

void TBitmap::PrepareReducedCopy(int dw, int dh) {
  if (Reducible(dw, dh)) ReducedCopy(dw, dh);
}

// An uncompressed 24- or 32-bit buffer, made smaller in at least one direction
// and larger in none.
bool TBitmap::Reducible(int dw, int dh) const {
  const BITMAPINFOHEADER& h = desc_.dsBmih;
  int sw = Width(), sh = Height();
  if (!bits_ || (h.biBitCount != 24 && h.biBitCount != 32) || h.biCompression != BI_RGB)
    return false;
  return dw > 0 && dh > 0 && dw <= sw && dh <= sh && !(dw == sw && dh == sh);
}

const TBitmap::TReducedCopy* TBitmap::ReducedCopy(int dw, int dh) {
  for (const TReducedCopy& c : reduced_)
    if (c.dib && c.width == dw && c.height == dh) return &c;
  // The older of the two goes; the newer one moves to the second place.
  std::swap(reduced_[0], reduced_[1]);
  TReducedCopy& c = reduced_[1];
  c = TReducedCopy{};
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), dw, -dh, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  c.dib.Reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!c.dib || !bits) return nullptr;
  int sw = Width(), sh = Height(), step = desc_.dsBmih.biBitCount / 8;
  std::vector<uint32_t> xs(static_cast<size_t>(dw));
  for (int i = 0; i < dw; ++i)
    xs[static_cast<size_t>(i)] =
        static_cast<uint32_t>(static_cast<uint64_t>(i) * static_cast<uint64_t>(sw) /
                              static_cast<uint64_t>(dw) * static_cast<uint64_t>(step));
  auto* out = static_cast<uint32_t*>(bits);
  for (int j = 0; j < dh; ++j) {
    int sy = static_cast<int>(static_cast<uint64_t>(j) * static_cast<uint64_t>(sh) /
                              static_cast<uint64_t>(dh));
    const uint8_t* row = Row(sy);
    uint32_t* o = out + static_cast<size_t>(j) * static_cast<size_t>(dw);
    for (int i = 0; i < dw; ++i) {
      const uint8_t* p = row + xs[static_cast<size_t>(i)];
      o[i] = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
             static_cast<uint32_t>(p[2]) << 16;
    }
  }
  GdiFlush();  // the pixels were written behind GDI's back
  c.width = dw;
  c.height = dh;
  return &c;
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  auto copy = std::make_unique<TBitmap>();
  copy->SetTransparent(Transparent());
  if (!handle_) return copy;
  TScreenDC screen;
  TOwnedBitmap bitmap;
  void* bits = nullptr;
  if (bits_) {
    bitmap.Reset(CreateDIB(info_, screen, &bits));
    std::memcpy(bits, bits_, BufferSize());
  } else {
    bitmap.Reset(CreateCompatibleBitmap(screen, Width(), Height()));
    if (!bitmap.Get()) BitmapRefused(GetLastError());
    TMemoryDC from(screen), to(screen);
    TSelectObject selectFrom(from, handle_), selectTo(to, bitmap);
    BitBlt(to, 0, 0, Width(), Height(), from, 0, 0, SRCCOPY);
  }
  TOwnedPalette palette;
  if (palette_) {
    PALETTEENTRY entries[256];
    UINT n = GetPaletteEntries(palette_, 0, 256, entries);
    std::vector<uint8_t> buf(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(n);
    std::memcpy(lp->palPalEntry, entries, n * sizeof(PALETTEENTRY));
    palette.Reset(CreatePalette(lp));
  }
  copy->Adopt(bitmap.Release(), bits, palette.Release());
  copy->desc_ = desc_;
  copy->desc_.dsBm.bmBits = bits;
  copy->core_ = core_;
  copy->info_ = info_;
  copy->rleFile_ = rleFile_;
  return copy;
}

}  // namespace pix
