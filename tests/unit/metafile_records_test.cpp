// The record walks' fixed parts, counts and offsets: one row per rule, each
// in a file that is otherwise sound, for enhanced and Windows metafiles.
#include <gtest/gtest.h>

#include <vector>

#include "../fixtures/metafile_tables.h"
#include "pictures/bytes_core.h"
#include "pictures/metafile_core.h"

namespace pix {
namespace {

using pixtest::EmfFile;
using pixtest::EmfRecord;
using pixtest::Le;
using pixtest::Le16;
using pixtest::WmfFile;
using pixtest::WmfRecord;
using pixtest::Zeros;

bool EmfValid(std::string s) {
  return CheckEnhancedMetafile(reinterpret_cast<uint8_t*>(s.data()), s.size()).valid;
}
bool WmfValid(std::string s) {
  return CheckWindowsMetafile(reinterpret_cast<uint8_t*>(s.data()), s.size()).valid;
}
// What the loader decides: short records widened first, then the walk.
bool EmfLoads(const std::string& s) {
  std::vector<uint8_t> v(s.begin(), s.end());
  WidenEnhancedRecords(v);
  return CheckEnhancedMetafile(v.data(), v.size()).valid;
}
bool WmfLoads(const std::string& s) {
  std::vector<uint8_t> v(s.begin(), s.end());
  WidenWindowsRecords(v);
  return CheckWindowsMetafile(v.data(), v.size()).valid;
}

TEST(EnhancedRecords, EveryFixedPartIsRequired) {
  int checked = 0;
  for (uint32_t type = 0; type < 130; ++type) {
    uint32_t least = EnhancedRecordMinimum(type);
    if (least <= 8 || type == kEmrEof) continue;
    ++checked;
    EXPECT_FALSE(EmfValid(EmfFile(EmfRecord(type, Zeros(least - 12))))) << "type " << type;
  }
  EXPECT_GT(checked, 100);
  EXPECT_EQ(EnhancedRecordMinimum(kEmrExtCreateFontIndirectW), 104u);  // a whole LOGFONTW
  // Types the players skip pass with a sound size.
  EXPECT_TRUE(EmfValid(EmfFile(EmfRecord(200, Zeros(4)))));
  EXPECT_FALSE(EmfValid(EmfFile(EmfRecord(200, Zeros(2)))));
}

TEST(WindowsRecords, EveryFixedPartIsRequired) {
  int checked = 0;
  for (uint32_t f = 1; f <= 0xFFFF; ++f) {
    uint32_t least = WindowsRecordMinimum(static_cast<uint16_t>(f));
    if (least <= 6) continue;
    ++checked;
    EXPECT_FALSE(WmfValid(WmfFile(WmfRecord(static_cast<uint16_t>(f), Zeros(least - 8)))))
        << std::hex << f;
  }
  EXPECT_GT(checked, 60);
  // A font with its 32-byte face name.
  EXPECT_EQ(WindowsRecordMinimum(kMetaCreateFontIndirect), 56u);
  EXPECT_TRUE(WmfValid(WmfFile(WmfRecord(0x0999, Zeros(2)))));
}

TEST(EnhancedRecords, CountsAndOffsetsStayInside) {
  for (const pixtest::MetafileRow& r : pixtest::EnhancedRecordRows())
    EXPECT_EQ(EmfLoads(r.bytes), r.valid) << r.what;
}

// Geometry the rasteriser cannot take is the player's business: the walk passes it.
TEST(EnhancedRecords, HugeGeometryIsSound) {
  for (const pixtest::MetafileRow& r : pixtest::EnhancedReachRows())
    EXPECT_EQ(EmfLoads(r.bytes), r.valid) << r.what;
}

TEST(EnhancedHeaderRecord, FieldsAgreeWithTheFile) {
  for (const pixtest::MetafileRow& r : pixtest::EnhancedHeaderRows())
    EXPECT_EQ(EmfLoads(r.bytes), r.valid) << r.what;
}

TEST(WindowsRecords, CountsAndOffsetsStayInside) {
  for (const pixtest::MetafileRow& r : pixtest::WindowsRecordRows())
    EXPECT_EQ(WmfLoads(r.bytes), r.valid) << r.what;
}

TEST(WindowsHeader, FieldsAgreeWithTheFile) {
  for (const pixtest::MetafileRow& r : pixtest::WindowsHeaderRows())
    EXPECT_EQ(WmfLoads(r.bytes), r.valid) << r.what;
}

// A copy recorded without a bitmap size plays as the pattern fill it is: no
// offset is left for Wine's player to read a bitmap at.
TEST(EnhancedRecords, CopyWithoutABitmapSizeLosesItsOffsets) {
  for (uint32_t type : {kEmrBitBlt, kEmrStretchBlt}) {
    uint32_t fixed = EnhancedRecordMinimum(type);
    std::string s = EmfFile(pixtest::CopyRecord(type, fixed, fixed, 0));
    RecordWalk w = CheckEnhancedMetafile(reinterpret_cast<uint8_t*>(s.data()), s.size());
    ASSERT_TRUE(w.valid) << type;
    EXPECT_EQ(w.mended, 1u) << type;
    const uint8_t* rec = reinterpret_cast<const uint8_t*>(s.data()) + 108;
    EXPECT_EQ(U32(rec + 84) | U32(rec + 88) | U32(rec + 92) | U32(rec + 96), 0u) << type;
  }
  // A bitmap that is there keeps its place.
  std::string whole = EmfFile(pixtest::CopyRecord(kEmrBitBlt, 100, 100, 40, pixtest::Bmi() + Zeros(16)));
  RecordWalk w = CheckEnhancedMetafile(reinterpret_cast<uint8_t*>(whole.data()), whole.size());
  ASSERT_TRUE(w.valid);
  EXPECT_EQ(U32(reinterpret_cast<const uint8_t*>(whole.data()) + 108 + 84), 100u);
}

// The players read by the header's sizes: what they are handed is the walk's.
TEST(WindowsHeader, SizesAreMendedToTheWalkedOnes) {
  const std::string good = WmfFile(WmfRecord(kMetaRectangle, Le16({1, 2, 3, 4})));
  const uint32_t total = uint32_t(good.size() / 2), largest = 7;
  for (const pixtest::MetafileRow& r : pixtest::WindowsHeaderRows()) {
    if (!r.valid) continue;
    std::string s = r.bytes;
    RecordWalk w = CheckWindowsMetafile(reinterpret_cast<uint8_t*>(s.data()), s.size());
    ASSERT_TRUE(w.valid) << r.what;
    const uint8_t* d = reinterpret_cast<const uint8_t*>(s.data());
    EXPECT_EQ(2 * U32(d + 6), r.bytes.size() - (r.what.find("bytes after") != std::string::npos ? 4 : 0))
        << r.what;
    EXPECT_EQ(U32(d + 12), 4u) << r.what;  // the set-mode record, 4 words
    EXPECT_EQ(w.mended == 0, r.bytes == s) << r.what;
  }
  std::string over = good;
  pixtest::Put32(over, 6, total + 11);
  pixtest::Put32(over, 12, 2);
  RecordWalk w = CheckWindowsMetafile(reinterpret_cast<uint8_t*>(over.data()), over.size());
  ASSERT_TRUE(w.valid);
  EXPECT_EQ(w.mended, 2u);
  EXPECT_EQ(over, good);
  EXPECT_EQ(U32(reinterpret_cast<const uint8_t*>(good.data()) + 12), largest);
}

// A source partly outside its 2 x 2 bitmap is cut to it and the destination
// with it, on the side the cut lands on whatever the extents' signs (rows
// count from the bottom, top-down bitmaps' too); wholly outside, or a JPEG stream, the record becomes a comment.
TEST(Mending, CopiesReadOnlyTheirBitmap) {
  using pixtest::StretchFrom;
  struct Row { const char* what; std::string in, out; } rows[] = {
      {"past the right", StretchFrom({1, 0, 2, 2, 0, 0, 20, 20}), StretchFrom({1, 0, 1, 2, 0, 0, 10, 20})},
      {"past the left, mirrored", StretchFrom({1, 0, -2, 2, 0, 0, 20, 20}), StretchFrom({1, 0, -1, 2, 0, 0, 10, 20})},
      {"past the top", StretchFrom({0, 1, 2, 2, 0, 0, 20, 20}), StretchFrom({0, 1, 2, 1, 0, 10, 20, 10})},
      {"past the top, top-down", StretchFrom({0, 1, 2, 2, 0, 0, 20, 20}, -2), StretchFrom({0, 1, 2, 1, 0, 10, 20, 10}, -2)},
      {"past the bottom, flipped", StretchFrom({0, -1, 2, 2, 0, 20, 20, -20}), StretchFrom({0, 0, 2, 1, 0, 20, 20, -10})},
      {"past the scan lines", pixtest::BitsToDevice({0, 0, 2, 2, 5, 5}, 1, 1), pixtest::BitsToDevice({0, 1, 2, 1, 5, 5}, 1, 1)},
  };
  for (const Row& r : rows) {
    std::string s = EmfFile(r.in);
    RecordWalk w = CheckEnhancedMetafile(reinterpret_cast<uint8_t*>(s.data()), s.size());
    ASSERT_TRUE(w.valid) << r.what;
    EXPECT_EQ(w.mended, 1u) << r.what;
    EXPECT_EQ(s, EmfFile(r.out)) << r.what;
  }
  for (std::string s : {EmfFile(StretchFrom({4, 4, 2, 2, 0, 0, 2, 2})),
                        EmfFile(pixtest::StretchBits(pixtest::Bmi(0, 4, 2, 0, 8), 8))}) {
    ASSERT_TRUE(CheckEnhancedMetafile(reinterpret_cast<uint8_t*>(s.data()), s.size()).valid);
    EXPECT_EQ(U32(reinterpret_cast<const uint8_t*>(s.data()) + 108), kEmrComment);
  }
}

TEST(WindowsRecords, CommentCarryingAnEnhancedMetafileLosesItsMark) {
  std::string s = WmfFile(WmfRecord(kMetaEscape, Le16({15, 8}) + Le({0x43464D57, 1})));
  RecordWalk w = CheckWindowsMetafile(reinterpret_cast<uint8_t*>(s.data()), s.size());
  ASSERT_TRUE(w.valid);
  EXPECT_EQ(w.neutralised, 1u);
  EXPECT_EQ(s.substr(18 + 10, 4), Zeros(4));
}

// Mended copies: the walk's record count in the header, a short font's name
// kept, a one-word palette selection naming its palette in both words.
TEST(Mending, CountWrittenAndShortRecordsWidened) {
  std::string emf =
      EmfFile(EmfRecord(kEmrExtCreateFontIndirectW, Le({1}) + Zeros(28) + Le16({'A', 'b'})));
  pixtest::Put32(emf, 52, 9);
  std::vector<uint8_t> v(emf.begin(), emf.end());
  ASSERT_EQ(WidenEnhancedRecords(v), 1u);
  ASSERT_TRUE(CheckEnhancedMetafile(v.data(), v.size()).valid);
  EXPECT_EQ(U32(v.data() + 52), 3u);
  EXPECT_EQ(std::string(v.begin() + 148, v.begin() + 156), Le16({'A', 'b', 0, 0}));
  std::string wmf = WmfFile(WmfRecord(kMetaSelectPalette, Le16({1})));
  v.assign(wmf.begin(), wmf.end());
  ASSERT_EQ(WidenWindowsRecords(v), 1u);
  EXPECT_EQ(std::string(v.begin() + 18, v.begin() + 28),
            WmfRecord(kMetaSelectPalette, Le16({1, 1})));
}

}  // namespace
}  // namespace pix
