#include "pictures/metafile.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "pictures/bytes_core.h"
#include "pictures/metafile_core.h"
#include "pictures/metafile_dib_core.h"
#include "pictures/metafile_reach_core.h"
#include "ui/errors.h"
#include "ui/handles.h"

namespace pix {

const TGraphicClass TMetafileKind{"TMetafile", &TGraphicKind, [] {
                                    return std::unique_ptr<TGraphic>(std::make_unique<TMetafile>());
                                  }};

namespace {

[[noreturn]] void NotValid() {
  throw EInvalidGraphic("Metafile is not valid");
}

int ScreenLogPixelsY() {
  static const int value = [] {
    TWindowDC screen;
    return screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  }();
  return value;
}

// The DC's logical-to-device map as the player has set it: world transform,
// then window to viewport.
DeviceMap CurrentMap(HDC dc) {
  XFORM w{1, 0, 0, 1, 0, 0};
  GetWorldTransform(dc, &w);
  POINT wo{}, vo{};
  SIZE we{1, 1}, ve{1, 1};
  GetWindowOrgEx(dc, &wo);
  GetViewportOrgEx(dc, &vo);
  GetWindowExtEx(dc, &we);
  GetViewportExtEx(dc, &ve);
  double sx = double(ve.cx) / we.cx, sy = double(ve.cy) / we.cy;
  DeviceMap d;
  d.m[0] = w.eM11 * sx;
  d.m[1] = w.eM12 * sy;
  d.m[2] = w.eM21 * sx;
  d.m[3] = w.eM22 * sy;
  d.m[4] = (w.eDx - wo.x) * sx + vo.x;
  d.m[5] = (w.eDy - wo.y) * sy + vo.y;
  return d;
}

double CurrentPenWidth(HDC dc) {
  HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
  int bytes = pen ? GetObjectA(pen, 0, nullptr) : 0;
  if (bytes == sizeof(LOGPEN)) {
    LOGPEN lp{};
    GetObjectA(pen, sizeof lp, &lp);
    return lp.lopnWidth.x;
  }
  // An extended pen without style entries is shorter than the structure.
  if (bytes >= static_cast<int>(offsetof(EXTLOGPEN, elpStyleEntry))) {
    std::vector<uint8_t> buf(std::max(static_cast<size_t>(bytes), sizeof(EXTLOGPEN)));
    GetObjectA(pen, bytes, buf.data());
    EXTLOGPEN ep;
    std::memcpy(&ep, buf.data(), sizeof ep);
    return ep.elpWidth;
  }
  return 1;
}

// The current font's larger logical size (a height of 0 is the default size).
double CurrentFontSize(HDC dc) {
  LOGFONTW lf{};
  HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
  if (!font || !GetObjectW(font, sizeof lf, &lf)) return 0;
  return std::max(std::abs(double(lf.lfHeight)), std::abs(double(lf.lfWidth)));
}

// A fill or frame region whose brush is a stock object, painted as the
// player would had it looked the brush up among the stock objects.
void PaintWithStockBrush(HDC dc, const uint8_t* rec) {
  bool frame = U32(rec) == kEmrFrameRgn;
  auto data = reinterpret_cast<const RGNDATA*>(rec + (frame ? 40 : 32));
  TOwnedRegion rgn(ExtCreateRegion(nullptr, U32(rec + 24), data));
  if (!rgn) return;
  auto brush = static_cast<HBRUSH>(GetStockObject(static_cast<int>(U32(rec + 28) & 0x7FFFFFFF)));
  if (brush && frame)
    FrameRgn(dc, rgn, brush, I32(rec + 32), I32(rec + 36));
  else if (brush)
    FillRgn(dc, rgn, brush);
}

// Windows metafiles reach the player as the platform converted them, their
// copies of bits not yet walked: such a copy is mended as the walk would
// (MendBitmapCopy) and played from a copy of the record, or left out.
int PlayMendedCopy(HDC dc, HANDLETABLE* table, const ENHMETARECORD* rec, int handles) {
  auto bytes = reinterpret_cast<const uint8_t*>(rec);
  if ((rec->iType == kEmrStretchDIBits || rec->iType == kEmrSetDIBitsToDevice) &&
      EnhancedRecordInside(bytes, rec->nSize, static_cast<uint32_t>(handles))) {
    std::vector<uint8_t> copy(bytes, bytes + rec->nSize);
    switch (MendBitmapCopy(copy.data(), rec->nSize)) {
      case CopyMend::LeftOut:
        return TRUE;
      case CopyMend::Clipped:
        return PlayEnhMetaFileRecord(dc, table, reinterpret_cast<ENHMETARECORD*>(copy.data()),
                                     static_cast<UINT>(handles));
      case CopyMend::Kept:
        break;
    }
  }
  return PlayEnhMetaFileRecord(dc, table, rec, static_cast<UINT>(handles));
}

// Plays a record unless it would take the rasteriser beyond its reach, and
// in Wine's player's stead where that would read beyond the record.
// `converted`: not 0 for a Windows metafile's records.
int CALLBACK PlayWithinReach(HDC dc, HANDLETABLE* table, const ENHMETARECORD* rec, int handles,
                             LPARAM converted) {
  auto bytes = reinterpret_cast<const uint8_t*>(rec);
  RecordReach reach = EnhancedRecordReach(bytes);
  if (dc && reach.draws) {
    double font = reach.text ? CurrentFontSize(dc) : 0;
    if (!WithinReach(reach, CurrentMap(dc), CurrentPenWidth(dc), font)) return TRUE;
  }
  switch (EnhancedRecordPlay(bytes)) {
    case RecordPlay::LeftOut:
      return TRUE;
    case RecordPlay::PatternFill:  // destination x, y, then its width and height at 72
      if (dc)
        PatBlt(dc, I32(bytes + 24), I32(bytes + 28), I32(bytes + 72), I32(bytes + 76),
               U32(bytes + 68));
      return TRUE;
    case RecordPlay::StockBrush:
      if (dc) PaintWithStockBrush(dc, bytes);
      return TRUE;
    case RecordPlay::AsRecorded:
      break;
  }
  if (converted) return PlayMendedCopy(dc, table, rec, handles);
  return PlayEnhMetaFileRecord(dc, table, rec, static_cast<UINT>(handles));
}

HENHMETAFILE ConvertWindowsMetafile(const std::vector<uint8_t>& records, LONG xExt, LONG yExt) {
  METAFILEPICT pict{MM_ANISOTROPIC, xExt, yExt, nullptr};
  return SetWinMetaFileBits(static_cast<UINT>(records.size()), records.data(), nullptr, &pict);
}

}  // namespace

TMetafile::TMetafile() {
  TGraphic::SetTransparent(true);
}

void TMetafile::Clear() {
  handle_.Reset();
  palette_.Reset();
  mmWidth_ = mmHeight_ = inch_ = 0;
  enhanced_ = false;
}

void TMetafile::LoadFromStream(TStream& stream) {
  uint8_t head[kEnhancedHeaderBytes];
  uint64_t remaining = stream.Remaining();
  bool enhanced = false;
  if (remaining > kEnhancedHeaderBytes) {
    uint64_t pos = stream.Position();
    stream.ReadBuffer(head, sizeof head);
    stream.SetPosition(pos);
    enhanced = IsEnhancedMetafile(head, static_cast<size_t>(remaining));
  }
  if (enhanced)
    ReadEnhanced(stream);
  else
    ReadPlaceable(stream);
  MakePalette();
  Changed();
}

void TMetafile::ReadEnhanced(TStream& stream) {
  Clear();
  uint8_t head[kEnhancedHeaderBytes];
  stream.ReadBuffer(head, sizeof head);
  EnhancedHeader h = ReadEnhancedHeader(head);
  if (h.signature != kEnhancedSignature || h.totalSize < kEnhancedHeaderBytes) NotValid();
  // The rest must be there before the buffer is made: a recorded size of
  // gigabytes in a small file is a read error, not an allocation.
  if (h.totalSize - kEnhancedHeaderBytes > stream.Remaining()) throw EReadError();
  std::vector<uint8_t> data(h.totalSize);
  std::copy(head, head + sizeof head, data.begin());
  stream.ReadBuffer(data.data() + kEnhancedHeaderBytes, data.size() - kEnhancedHeaderBytes);
  WidenEnhancedRecords(data);
  RecordWalk walk = CheckEnhancedMetafile(data.data(), data.size());
  if (!walk.valid) NotValid();
  data.resize(walk.end);  // nothing after the end record reaches the player
  handle_.Reset(SetEnhMetaFileBits(static_cast<UINT>(data.size()), data.data()));
  if (!handle_) NotValid();
  inch_ = 0;
  EnhancedFrameSize(h, mmWidth_, mmHeight_);
  enhanced_ = true;
}

void TMetafile::ReadPlaceable(TStream& stream) {
  Clear();
  uint64_t remaining = stream.Remaining();
  uint8_t head[kPlaceableHeaderBytes];
  PlaceableHeader h;
  if (remaining < sizeof head) NotValid();
  stream.ReadBuffer(head, sizeof head);
  if (!ReadPlaceableHeader(head, sizeof head, h)) NotValid();
  uint64_t length = remaining - sizeof head;
  if (length > 0x7FFFFFFF) NotValid();
  std::vector<uint8_t> records(static_cast<size_t>(length));
  stream.ReadBuffer(records.data(), records.size());
  WidenWindowsRecords(records);
  if (!CheckWindowsMetafile(records.data(), records.size()).valid) NotValid();
  inch_ = h.inch;
  PlaceableSize(h, mmWidth_, mmHeight_);
  // The first conversion tells the frame; the second uses it as the extents.
  TOwnedEnhMetafile first(ConvertWindowsMetafile(records, 0, 0));
  if (!first) NotValid();
  ENHMETAHEADER header{};
  UINT got = GetEnhMetaFileHeader(first, sizeof header, &header);
  first.Reset();
  if (!got) NotValid();
  handle_.Reset(ConvertWindowsMetafile(records, header.rclFrame.right, header.rclFrame.bottom));
  if (!handle_) NotValid();
  enhanced_ = false;
}

void TMetafile::MakePalette() {
  if (!handle_) return;
  UINT recorded = GetEnhMetaFilePaletteEntries(handle_, 0, nullptr);
  if (recorded == GDI_ERROR) return;
  UINT count = MetafilePaletteCount(recorded);
  if (count == 0) return;
  struct {
    WORD version, entries;
    PALETTEENTRY colours[256];
  } pal{};
  pal.version = 0x300;
  pal.entries = static_cast<WORD>(count);
  if (GetEnhMetaFilePaletteEntries(handle_, count, pal.colours) == GDI_ERROR) return;
  palette_.Reset(CreatePalette(reinterpret_cast<const LOGPALETTE*>(&pal)));
}

void TMetafile::PixelSize(int32_t& w, int32_t& h) const {
  MetafileReference ref;
  if (handle_ && inch_ == 0) {
    ENHMETAHEADER header{};
    if (GetEnhMetaFileHeader(handle_, sizeof header, &header))
      ref = {true, header.szlDevice.cx, header.szlDevice.cy, header.szlMillimeters.cx,
             header.szlMillimeters.cy};
  }
  MetafilePixelSize(mmWidth_, mmHeight_, inch_, ref, ScreenLogPixelsY(), w, h);
}

int TMetafile::Width() const {
  int32_t w, h;
  PixelSize(w, h);
  return w;
}

int TMetafile::Height() const {
  int32_t w, h;
  PixelSize(w, h);
  return h;
}

void TMetafile::Draw(HDC dc, const RECT& r) {
  if (!handle_) return;
  HPALETTE old = palette_ ? SelectPalette(dc, palette_, TRUE) : nullptr;
  if (palette_) RealizePalette(dc);
  RECT inner{r.left, r.top, r.right - 1, r.bottom - 1};
  // Record by record, as PlayEnhMetaFile would, each one checked against the
  // transform in force.
  static int converted = 1;
  EnumEnhMetaFile(dc, handle_, PlayWithinReach, enhanced_ ? nullptr : &converted, &inner);
  if (old) SelectPalette(dc, old, TRUE);
}

std::unique_ptr<TGraphic> TMetafile::Clone() const {
  auto copy = std::make_unique<TMetafile>();
  if (handle_) {
    copy->handle_.Reset(CopyEnhMetaFile(handle_, nullptr));
    if (!copy->handle_) throw EOutOfResources("Out of system resources");
    copy->MakePalette();
  }
  copy->mmWidth_ = mmWidth_;
  copy->mmHeight_ = mmHeight_;
  copy->inch_ = inch_;
  copy->enhanced_ = enhanced_;
  return copy;
}

}  // namespace pix
