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
    if (least <= 8 || type == 14) continue;
    ++checked;
    EXPECT_FALSE(EmfValid(EmfFile(EmfRecord(type, Zeros(least - 12))))) << "type " << type;
  }
  EXPECT_GT(checked, 100);
  EXPECT_EQ(EnhancedRecordMinimum(82), 104u);  // a whole LOGFONTW
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
  EXPECT_EQ(WindowsRecordMinimum(0x02FB), 56u);  // a font with its 32-byte face name
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

TEST(WindowsRecords, CommentCarryingAnEnhancedMetafileLosesItsMark) {
  std::string s = WmfFile(WmfRecord(0x0626, Le16({15, 8}) + Le({0x43464D57, 1})));
  RecordWalk w = CheckWindowsMetafile(reinterpret_cast<uint8_t*>(s.data()), s.size());
  ASSERT_TRUE(w.valid);
  EXPECT_EQ(w.neutralised, 1u);
  EXPECT_EQ(s.substr(18 + 10, 4), Zeros(4));
}

// The players are told the count the walk found, whatever the writer put.
TEST(EnhancedWalk, HeaderRecordCountIsTheWalks) {
  std::string s = EmfFile(pixtest::EmfRectangle());
  pixtest::Put32(s, 52, 9);
  auto* d = reinterpret_cast<uint8_t*>(s.data());
  RecordWalk w = CheckEnhancedMetafile(d, s.size());
  ASSERT_TRUE(w.valid);
  EXPECT_EQ(U32(d + 52), 3u);
  EXPECT_EQ(w.mended, 1u);
}

// Short fonts and one-word palette selections become full-size records: what
// they hold kept, the rest zero, the header's sizes and the next record intact.
TEST(Widening, ShortRecordsBecomeFullSizeWithTheRestZeroed) {
  std::string name = Le16({'A', 'b', 'c', 0});
  std::string emf = EmfFile(EmfRecord(82, Le({1}) + Le({12}) + Zeros(24) + name) + pixtest::EmfRectangle());
  std::vector<uint8_t> v(emf.begin(), emf.end());
  ASSERT_EQ(WidenEnhancedRecords(v), 1u);
  const uint8_t* font = v.data() + 108;
  EXPECT_EQ(U32(font + 4), 104u);
  EXPECT_EQ(U32(font + 12), 12u);
  EXPECT_EQ(std::string(font + 40, font + 48), name);
  EXPECT_EQ(std::string(font + 48, font + 104), Zeros(56));
  EXPECT_EQ(U32(font + 104), 43u);  // the rectangle after it
  EXPECT_EQ(U32(v.data() + 48), v.size());
  EXPECT_TRUE(CheckEnhancedMetafile(v.data(), v.size()).valid);
  EXPECT_EQ(WidenEnhancedRecords(v), 0u);

  std::string wmf = WmfFile(WmfRecord(0x02FB, Le16({12}) + Zeros(16) + "Ab") + WmfRecord(0x0234, Le16({1})));
  v.assign(wmf.begin(), wmf.end());
  ASSERT_EQ(WidenWindowsRecords(v), 2u);
  EXPECT_EQ(U32(v.data() + 18), 28u);  // the font, in words
  EXPECT_EQ(std::string(v.begin() + 42, v.begin() + 44), "Ab");
  EXPECT_EQ(std::string(v.begin() + 44, v.begin() + 74), Zeros(30));
  EXPECT_EQ(U32(v.data() + 74), 5u);  // the palette selection: its index twice
  EXPECT_EQ(U16(v.data() + 80), 1u);
  EXPECT_EQ(U16(v.data() + 82), 1u);
  EXPECT_EQ(2u * U32(v.data() + 6), v.size());
  EXPECT_EQ(U32(v.data() + 12), 28u);  // the largest record
  EXPECT_TRUE(CheckWindowsMetafile(v.data(), v.size()).valid);
}

// A DIB stretch without a bitmap becomes the pattern fill it stands for, or a
// comment when its raster operation reads the missing source.
TEST(WindowsWalk, BareDibStretchBecomesAFillOrAComment) {
  std::string coords = Le16({1, 2, 3, 4, 0, 50, 60, 70, 80});  // source, reserved, destination
  std::string fill = WmfFile(WmfRecord(0x0B41, Le({0xF00021}) + coords));
  RecordWalk w = CheckWindowsMetafile(reinterpret_cast<uint8_t*>(fill.data()), fill.size());
  ASSERT_TRUE(w.valid);
  EXPECT_EQ(w.mended, 1u);
  EXPECT_EQ(fill.substr(18, 28), WmfRecord(0x061D, Le({0xF00021}) + Le16({50, 60, 70, 80}) + Zeros(10)));
  std::string copy = WmfFile(WmfRecord(0x0B41, Le({0xCC0020}) + coords));
  ASSERT_TRUE(CheckWindowsMetafile(reinterpret_cast<uint8_t*>(copy.data()), copy.size()).valid);
  EXPECT_EQ(copy.substr(18, 28), WmfRecord(0x0626, Le16({15, 18}) + Zeros(18)));
}

}  // namespace
}  // namespace pix
