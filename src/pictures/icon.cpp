#include "pictures/icon.h"

#include <cstring>

#include "pictures/icon_core.h"
#include "ui/app.h"
#include "ui/handles.h"
#include "ui/errors.h"

namespace pix {

const TGraphicClass TIconKind{"TIcon", &TGraphicKind,
                              [] { return std::unique_ptr<TGraphic>(std::make_unique<TIcon>()); }};

namespace {

HICON StandardApplicationIcon() {
  static HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
  return icon;
}

[[noreturn]] void RaiseResourceError() {
  DWORD code = GetLastError();
  std::string text = code ? SysErrorMessage(code) : std::string();
  throw EOutOfResources(text.empty() ? "Out of system resources" : text);
}

template <class T>
T Check(T handle) {
  if (!handle) RaiseResourceError();
  return handle;
}

// An info header with room for 256 colours.
struct DibInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

// The bitmap-format data turned into a screen bitmap and stretched by a plain
// copy onto a new bitmap of the chosen size (monochrome for the mask).
HBITMAP StretchedBitmap(HDC screen, const DibInfo& info, const uint8_t* bits, int w, int h,
                        bool monochrome) {
  TOwnedBitmap source(
      Check(CreateDIBitmap(screen, &info.header, CBM_INIT, bits,
                           reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS)));
  TOwnedBitmap target(
      Check(monochrome ? CreateBitmap(w, h, 1, 1, nullptr) : CreateCompatibleBitmap(screen, w, h)));
  TMemoryDC src(screen), dst(screen);
  if (!src || !dst) RaiseResourceError();
  TSelectObject selectSource(src, source), selectTarget(dst, target);
  SetStretchBltMode(dst, COLORONCOLOR);
  if (!StretchBlt(dst, 0, 0, w, h, src, 0, 0, info.header.biWidth, info.header.biHeight, SRCCOPY))
    RaiseResourceError();
  return target.Release();
}

// All bits of a bitmap, rows as the platform keeps them.
std::vector<uint8_t> BitmapBits(HBITMAP bmp, BITMAP& desc) {
  if (!GetObjectA(bmp, sizeof desc, &desc)) RaiseResourceError();
  std::vector<uint8_t> bits(static_cast<size_t>(desc.bmWidthBytes) * desc.bmHeight);
  if (!bits.empty() && !GetBitmapBits(bmp, static_cast<LONG>(bits.size()), bits.data()))
    RaiseResourceError();
  return bits;
}

}  // namespace

TIcon::TIcon() {
  TGraphic::SetTransparent(true);
}

TIcon::~TIcon() = default;

void TIcon::ReleaseHandle() {
  owned_.Reset();
  standard_ = false;
}

HICON TIcon::Current() const {
  return standard_ ? StandardApplicationIcon() : owned_.Get();
}

void TIcon::LoadFromStream(TStream& stream) {
  uint64_t n = stream.Remaining();
  if (n > SIZE_MAX) throw EOutOfMemory();
  std::vector<uint8_t> bytes(static_cast<size_t>(n));
  stream.ReadBuffer(bytes.data(), bytes.size());
  IconHeader header;
  if (!ReadIconHeader(bytes.data(), bytes.size(), header)) throw EReadError();
  if (header.type >= 2) throw EInvalidGraphic("Icon image is not valid");
  // The image is chosen and made only when the icon is first drawn.
  ReleaseHandle();
  bytes_ = std::move(bytes);
  size_ = {0, 0};
  Changed();
}

int TIcon::Width() const {
  return size_.cx ? size_.cx : GetSystemMetrics(SM_CXICON);
}
int TIcon::Height() const {
  return size_.cy ? size_.cy : GetSystemMetrics(SM_CYICON);
}

HICON TIcon::Handle() {
  if (!Current()) MakeIcon();
  return Current();
}

void TIcon::MakeIcon() {
  SetLastError(0);  // a stale code would give a platform refusal the wrong message
  IconHeader header;
  if (!ReadIconHeader(bytes_.data(), bytes_.size(), header))
    throw EInvalidGraphic("Icon image is not valid");
  if (header.type == 0) {
    owned_.Reset();
    standard_ = true;
    return;
  }
  if (header.type != 1) throw EInvalidGraphic("Icon image is not valid");

  SIZE desired = requested_;
  if (!desired.cx && !desired.cy)
    desired = {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
  const uint8_t* data = bytes_.data();
  size_t n = bytes_.size();
  std::vector<IconDirEntry> entries = ReadIconDirectory(data, n);
  // Entries the platform could not read safely take no part in the choice.
  int best =
      ChooseIconEntry(entries, desired.cx, desired.cy, static_cast<uint16_t>(ScreenColorDepth()),
                      UsableIconEntries(data, n, entries));
  IconImageLayout layout;
  if (best < 0 || !CheckIconImage(data, n, entries[static_cast<size_t>(best)], layout))
    throw EInvalidGraphic("Icon image is not valid");
  if (layout.png)
    MakePngIcon(data + layout.header, layout);
  else
    MakeBitmapIcon(data, layout);
}

// The platform reads PNG images itself; the header was checked, and a file it
// still refuses is an image that is not valid rather than a lack of resources.
void TIcon::MakePngIcon(const uint8_t* png, const IconImageLayout& layout) {
  owned_.Reset(CreateIconFromResourceEx(const_cast<PBYTE>(png), static_cast<DWORD>(layout.pngSize),
                                        TRUE, 0x00030000, layout.width, layout.height,
                                        LR_DEFAULTCOLOR));
  if (!owned_) throw EInvalidGraphic("Icon image is not valid");
  size_ = {layout.width, layout.height};
}

void TIcon::MakeBitmapIcon(const uint8_t* data, const IconImageLayout& layout) {
  int w = layout.width, h = layout.height;

  // Our own copy of the info header, so the platform reads exactly the parts
  // that were checked: 40 bytes, the halved height, no colour count of its own.
  DibInfo colour{};
  std::memcpy(&colour.header, data + layout.header, sizeof colour.header);
  colour.header.biSize = sizeof(BITMAPINFOHEADER);
  colour.header.biHeight = layout.height;
  colour.header.biPlanes = 1;
  colour.header.biSizeImage = 0;
  colour.header.biClrUsed = 0;
  colour.header.biClrImportant = 0;
  std::memcpy(colour.colours, data + layout.colourTable, 4 * layout.colourEntries);

  DibInfo mask{};
  mask.header = colour.header;
  mask.header.biBitCount = 1;
  mask.colours[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};

  TScreenDC screen;
  TOwnedBitmap colourBmp(StretchedBitmap(screen, colour, data + layout.colour, w, h, false));
  TOwnedBitmap maskBmp(StretchedBitmap(screen, mask, data + layout.mask, w, h, true));

  BITMAP colourDesc{}, maskDesc{};
  std::vector<uint8_t> maskBits = BitmapBits(maskBmp, maskDesc);
  std::vector<uint8_t> colourBits = BitmapBits(colourBmp, colourDesc);
  owned_.Reset(CreateIcon(GetModuleHandleA(nullptr), w, h, colourDesc.bmPlanes,
                          colourDesc.bmBitsPixel, maskBits.data(), colourBits.data()));
  if (!owned_) RaiseResourceError();
  size_ = {w, h};
}

void TIcon::Draw(HDC dc, const RECT& r) {
  if (Empty()) return;
  HICON icon = Handle();
  DrawIconEx(dc, r.left, r.top, icon, 0, 0, 0, nullptr, DI_NORMAL);
}

std::unique_ptr<TGraphic> TIcon::Clone() const {
  auto copy = std::make_unique<TIcon>();
  copy->bytes_ = bytes_;
  if (owned_) copy->owned_.Reset(CopyIcon(owned_));
  copy->standard_ = standard_;
  if (copy->Current()) copy->size_ = size_;
  return copy;
}

}  // namespace pix
