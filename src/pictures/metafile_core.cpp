#include "pictures/metafile_core.h"

#include <iterator>

#include "pictures/bytes_core.h"
#include "pictures/metafile_dib_core.h"

namespace pix {

namespace {

const uint32_t kSetAbortProc = 9;               // escape that hands the player a code address
const uint32_t kEmbeddedEnhanced = 0x43464D57;  // "WMFC": comments carrying an enhanced metafile

}  // namespace

int32_t MulDiv32(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t p = static_cast<int64_t>(a) * b;
  int64_t d = c;
  if (d < 0) {
    p = -p;
    d = -d;
  }
  int64_t q = p >= 0 ? (p + d / 2) / d : (p - d / 2) / d;
  if (q > 2147483647 || q < -2147483647) return -1;
  return static_cast<int32_t>(q);
}

bool IsEnhancedMetafile(const uint8_t* head, size_t remaining) {
  return remaining > kEnhancedHeaderBytes && U32(head) == kEmrHeader &&
         U32(head + 40) == kEnhancedSignature;
}

EnhancedHeader ReadEnhancedHeader(const uint8_t* head) {
  EnhancedHeader h;
  h.frameLeft = I32(head + 24);
  h.frameTop = I32(head + 28);
  h.frameRight = I32(head + 32);
  h.frameBottom = I32(head + 36);
  h.signature = U32(head + 40);
  h.totalSize = U32(head + 48);
  h.palEntries = U32(head + 68);
  h.devicePxW = I32(head + 72);
  h.devicePxH = I32(head + 76);
  h.deviceMmW = I32(head + 80);
  h.deviceMmH = I32(head + 84);
  return h;
}

void EnhancedFrameSize(const EnhancedHeader& h, int32_t& width, int32_t& height) {
  width = static_cast<int32_t>(static_cast<uint32_t>(h.frameRight) -
                               static_cast<uint32_t>(h.frameLeft));
  height = static_cast<int32_t>(static_cast<uint32_t>(h.frameBottom) -
                                static_cast<uint32_t>(h.frameTop));
}

bool ReadPlaceableHeader(const uint8_t* data, size_t n, PlaceableHeader& h) {
  if (n < kPlaceableHeaderBytes || U32(data) != kPlaceableKey) return false;
  uint16_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= U16(data + i);
  if (sum != U16(data + 20)) return false;
  h.left = static_cast<int16_t>(U16(data + 6));
  h.top = static_cast<int16_t>(U16(data + 8));
  h.right = static_cast<int16_t>(U16(data + 10));
  h.bottom = static_cast<int16_t>(U16(data + 12));
  h.inch = U16(data + 14);
  return true;
}

void PlaceableSize(const PlaceableHeader& h, int32_t& width, int32_t& height) {
  int32_t inch = h.inch ? h.inch : 96;
  width = MulDiv32(h.right - h.left, 2540, inch);
  height = MulDiv32(h.bottom - h.top, 2540, inch);
}

void MetafilePixelSize(int32_t mmWidth, int32_t mmHeight, int32_t inch,
                       const MetafileReference& ref, int32_t logPixelsY, int32_t& width,
                       int32_t& height) {
  if (inch != 0) {
    width = MulDiv32(mmWidth, logPixelsY, 2540);
    height = MulDiv32(mmHeight, logPixelsY, 2540);
  } else if (ref.present) {
    // The product in 64 bits: a reference of more than 21 metres would wrap 32.
    int64_t mmW = static_cast<int64_t>(ref.mmW) * 100, mmH = static_cast<int64_t>(ref.mmH) * 100;
    width = mmW == static_cast<int32_t>(mmW) ? MulDiv32(mmWidth, ref.pxW, static_cast<int32_t>(mmW))
                                             : -1;
    height = mmH == static_cast<int32_t>(mmH)
                 ? MulDiv32(mmHeight, ref.pxH, static_cast<int32_t>(mmH))
                 : -1;
  } else {
    width = height = 0;
  }
}

uint32_t MetafilePaletteCount(uint32_t recorded) {
  return recorded > 256 ? recorded & 0xFF : recorded;
}

namespace {

// An escape's data kept inside its record; code addresses never played; an
// enhanced metafile carried in comments never taken instead of the records
// that were checked.
void NeutraliseEscape(uint8_t* params, uint64_t bytes, RecordWalk& walk) {
  if (U16(params + 2) > bytes - 10) Put16(params + 2, static_cast<uint16_t>(bytes - 10));
  if (U16(params) == kSetAbortProc) {
    Put16(params, kMfComment);
    ++walk.neutralised;
  }
  if (U16(params) == kMfComment && bytes >= 14 && U32(params + 4) == kEmbeddedEnhanced) {
    Put32(params + 4, 0);
    ++walk.neutralised;
  }
}

}  // namespace

RecordWalk CheckWindowsMetafile(uint8_t* data, size_t n) {
  RecordWalk walk;
  if (n < 18) return walk;
  uint16_t type = U16(data), headerWords = U16(data + 2), version = U16(data + 4);
  if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x100 && version != 0x300))
    return walk;
  uint32_t objects = U16(data + 10);
  uint64_t largest = 0;
  size_t pos = 18;
  for (;;) {
    if (n - pos < 6) return walk;  // no room for a record: the end record is missing
    uint64_t bytes = 2ull * U32(data + pos);
    uint16_t function = U16(data + pos + 4);
    if (bytes < 6 || bytes > n - pos) return walk;
    ++walk.records;
    if (bytes > largest) largest = bytes;
    if (function == kMetaEof) {
      pos += static_cast<size_t>(bytes);
      break;
    }
    if (!WindowsRecordInside(data + pos, bytes, objects)) return walk;
    if (U16(data + pos + 4) != function) ++walk.mended;  // stood in for by a record alike
    // Wine's player takes the palette from the word after the index, which in
    // a one-word record is the next record's first.
    if (function == kMetaSelectPalette && (n - pos < 10 || U16(data + pos + 8) >= objects))
      return walk;
    if (function == kMetaEscape) NeutraliseEscape(data + pos + 6, bytes, walk);
    pos += static_cast<size_t>(bytes);
  }
  // Writers get the header's sizes wrong; the players read by them, so they
  // are told the walked ones: the total up to the end record, the largest record.
  if (2ull * U32(data + 6) != pos) {
    Put32(data + 6, static_cast<uint32_t>(pos / 2));
    ++walk.mended;
  }
  if (2ull * U32(data + 12) != largest) {
    Put32(data + 12, static_cast<uint32_t>(largest / 2));
    ++walk.mended;
  }
  walk.valid = true;
  return walk;
}

namespace {

// Writers get the header's figures wrong where the records tell them: the
// count, the total size (bytes after the end record, which the player would
// go on into unchecked), the palette the end record holds, an object table
// without the slot of the metafile itself. The players are told the walked ones.
void MendEnhancedHeader(uint8_t* data, size_t end, uint32_t eofPalette, RecordWalk& walk) {
  auto mend = [&](size_t at, uint32_t v) {
    if (U32(data + at) == v) return;
    Put32(data + at, v);
    ++walk.mended;
  };
  mend(52, static_cast<uint32_t>(walk.records));
  mend(48, static_cast<uint32_t>(end));
  mend(68, eofPalette);
  if (U16(data + 56) == 0) {
    Put16(data + 56, 1);
    ++walk.mended;
  }
}

}  // namespace

RecordWalk CheckEnhancedMetafile(uint8_t* data, size_t n) {
  RecordWalk walk;
  if (n < 88 || U32(data) != kEmrHeader || U32(data + 40) != kEnhancedSignature) return walk;
  uint32_t handles = U16(data + 56);
  uint32_t eofPalette = 0;
  size_t pos = 0;
  for (;;) {
    if (n - pos < 8) return walk;  // the end record is missing
    uint32_t type = U32(data + pos), size = U32(data + pos + 4);
    if (size < 8 || size % 4 != 0 || size > n - pos) return walk;
    ++walk.records;
    uint8_t* rec = data + pos;
    if (type == kEmrEof) {
      if (size < 20) return walk;
      uint32_t count = U32(rec + 8), offset = U32(rec + 12);
      // The palette, then the record's size again.
      if (count && (offset < 16 || offset + 4ull * count > size - 4)) return walk;
      eofPalette = count;
      pos += size;
      break;
    }
    if ((type == kEmrBitBlt || type == kEmrStretchBlt) && size >= EnhancedRecordMinimum(type) &&
        U32(rec + 88) == 0 && (U32(rec + 84) | U32(rec + 92) | U32(rec + 96)) != 0) {
      // A copy whose bitmap has no size copies none where it was written
      // (pattern fills are recorded so); Wine's player would read one at the
      // offset, so the offsets say none too.
      Put32(rec + 84, 0);
      Put32(rec + 92, 0);
      Put32(rec + 96, 0);
      ++walk.mended;
    }
    if (!EnhancedRecordInside(rec, size, handles)) return walk;
    if (MendBitmapCopy(rec, size) != CopyMend::Kept) ++walk.mended;
    if (type == kEmrExtEscape || type == kEmrDrawEscape) {
      if (U32(rec + 8) == kSetAbortProc) {
        Put32(rec, kEmrComment);
        Put32(rec + 8, size - 12);
        ++walk.neutralised;
      } else if (U32(rec + 12) > size - 16) {
        Put32(rec + 12, size - 16);
      }
    }
    pos += size;
  }
  MendEnhancedHeader(data, pos, eofPalette, walk);
  if (!EnhancedHeaderInside(data, pos, eofPalette)) return walk;
  walk.end = pos;
  walk.valid = true;
  return walk;
}

namespace {

// Builds the widened copy: the bytes before each short record and the record
// itself, then zeros up to its full size.
class Widener {
 public:
  explicit Widener(const std::vector<uint8_t>& data) : data_(data) {}
  // The widened record in the copy, its size field still the old one.
  uint8_t* Widen(size_t at, size_t bytes, size_t full) {
    Copy(at + bytes);
    out_.resize(out_.size() + (full - bytes));
    ++count_;
    return out_.data() + out_.size() - full;
  }
  size_t Count() const { return count_; }
  // The finished copy: the rest of the data after the last widened record.
  std::vector<uint8_t>& Finish() {
    Copy(data_.size());
    return out_;
  }

 private:
  void Copy(size_t to) {
    out_.insert(out_.end(), std::next(data_.begin(), static_cast<std::ptrdiff_t>(from_)),
                std::next(data_.begin(), static_cast<std::ptrdiff_t>(to)));
    from_ = to;
  }
  const std::vector<uint8_t>& data_;
  std::vector<uint8_t> out_;
  size_t from_ = 0, count_ = 0;
};

const uint32_t kEmfFontFixed = 12 + 28;  // the object index and LOGFONTW up to its face name
const uint32_t kEmfFontFull = 12 + 92;
const uint32_t kWmfFontFixed = 6 + 18;  // the LOGFONT16 fields before the face name
const uint32_t kWmfFontFull = 6 + 50;

}  // namespace

size_t WidenEnhancedRecords(std::vector<uint8_t>& data) {
  const size_t n = data.size();
  if (n < 88 || U32(data.data()) != kEmrHeader) return 0;
  Widener w(data);
  for (size_t pos = 0; n - pos >= 8;) {
    uint32_t type = U32(data.data() + pos), size = U32(data.data() + pos + 4);
    if (size < 8 || size % 4 != 0 || size > n - pos || type == kEmrEof) break;
    if (type == kEmrExtCreateFontIndirectW && size >= kEmfFontFixed && size < kEmfFontFull)
      Put32(w.Widen(pos, size, kEmfFontFull) + 4, kEmfFontFull);
    pos += size;
  }
  if (w.Count() == 0) return 0;
  std::vector<uint8_t>& out = w.Finish();
  Put32(out.data() + 48, U32(out.data() + 48) + static_cast<uint32_t>(out.size() - n));
  data.swap(out);
  return w.Count();
}

size_t WidenWindowsRecords(std::vector<uint8_t>& data) {
  const size_t n = data.size();
  if (n < 18 || U16(data.data() + 2) != 9) return 0;
  Widener w(data);
  uint32_t largest = U32(data.data() + 12);
  for (size_t pos = 18; n - pos >= 6;) {
    uint64_t bytes = 2ull * U32(data.data() + pos);
    uint16_t function = U16(data.data() + pos + 4);
    if (bytes < 6 || bytes > n - pos || function == kMetaEof) break;
    size_t full = 0;
    if (function == kMetaSelectPalette && bytes == 8) full = 10;
    if (function == kMetaCreateFontIndirect && bytes >= kWmfFontFixed && bytes < kWmfFontFull)
      full = kWmfFontFull;
    if (full) {
      uint8_t* rec = w.Widen(pos, static_cast<size_t>(bytes), full);
      Put32(rec, static_cast<uint32_t>(full / 2));
      // Wine takes the palette from the second word: both name it.
      if (function == kMetaSelectPalette) Put16(rec + 8, U16(rec + 6));
      if (full / 2 > largest) largest = static_cast<uint32_t>(full / 2);
    }
    pos += static_cast<size_t>(bytes);
  }
  if (w.Count() == 0) return 0;
  std::vector<uint8_t>& out = w.Finish();
  Put32(out.data() + 6, U32(out.data() + 6) + static_cast<uint32_t>((out.size() - n) / 2));
  Put32(out.data() + 12, largest);
  data.swap(out);
  return w.Count();
}

}  // namespace pix
