#include <gtest/gtest.h>

#include "../fixtures/icon_tables.h"
#include "pictures/icon_core.h"
#include "ui/errors.h"

namespace pix {
namespace {

using pixtest::IconFile;
using pixtest::Img;

IconDirEntry Entry(uint8_t w, uint8_t h, uint16_t colours = 0) {
  IconDirEntry e;
  e.width = w;
  e.height = h;
  e.colours = colours;
  return e;
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(IconChoice, StandardSizeOnTrueColour) {
  struct Case {
    std::vector<IconDirEntry> entries;
    int chosen;
  } cases[] = {
      {{Entry(16, 16), Entry(32, 32), Entry(48, 48)}, 1},
      {{Entry(48, 48), Entry(16, 16)}, 1},    // smaller beats an equally distant larger
      {{Entry(16, 16), Entry(48, 48)}, 0},    // a larger one never replaces a smaller
      {{Entry(32, 32), Entry(32, 32)}, 1},    // equal sizes: the later one
      {{Entry(48, 48), Entry(40, 40), Entry(64, 64)}, 1},
      {{Entry(32, 16), Entry(16, 32)}, 0},    // each axis must pass on its own
      {{Entry(0, 0), Entry(32, 32)}, 1},      // 0 is 256, far from 32
      {{Entry(0, 0), Entry(48, 48)}, 1},      // ... and farther than 48
      {{Entry(16, 16), Entry(32, 32), Entry(48, 48), Entry(0, 0)}, 1},
      {{Entry(0, 0)}, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseIconEntry(c.entries, 32, 32, 32), c.chosen) << c.entries.size();
}

TEST(IconChoice, ZeroBytesAreTwoHundredFiftySix) {
  EXPECT_EQ(IconEntryWidth(Entry(0, 16)), 256);
  EXPECT_EQ(IconEntryHeight(Entry(16, 0)), 256);
  EXPECT_EQ(IconEntryWidth(Entry(255, 1)), 255);
  // Asked for 256, the 256 image wins over 48.
  EXPECT_EQ(ChooseIconEntry({Entry(48, 48), Entry(0, 0)}, 256, 256, 32), 1);
  EXPECT_EQ(ChooseIconEntry({Entry(0, 0), Entry(48, 48)}, 256, 256, 32), 0);
}

TEST(IconChoice, ColourWeightAgainstTheScreen) {
  struct Case {
    std::vector<IconDirEntry> entries;
    uint16_t depth;
    int chosen;
  } cases[] = {
      // 8-bit screen, 256 colours: the true-colour entry is too rich.
      {{Entry(32, 32, 16), Entry(32, 32, 0)}, 8, 0},
      // ... but entry 0 is never weighed against the screen.
      {{Entry(32, 32, 0), Entry(32, 32, 16)}, 8, 0},
      {{Entry(32, 32, 16), Entry(32, 32, 256)}, 8, 1},
      {{Entry(32, 32, 16), Entry(32, 32, 256)}, 4, 0},  // 16 colours at 4 bits
      {{Entry(32, 32, 16), Entry(32, 32, 0)}, 24, 1},
      {{Entry(32, 32, 256), Entry(32, 32, 16)}, 24, 0},  // fewer colours never win
      {{Entry(16, 16, 2), Entry(32, 32, 2)}, 1, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseIconEntry(c.entries, 32, 32, c.depth), c.chosen) << int(c.depth);
  EXPECT_EQ(IconScreenColours(8), 256u);
  EXPECT_EQ(IconScreenColours(0), 1u);
  EXPECT_EQ(IconScreenColours(9), 2147483647u);
  EXPECT_EQ(IconColourWeight(Entry(1, 1, 0x0110)), 0x0110u);  // the reserved byte counts too
}

TEST(IconChoice, UnusableEntriesTakeNoPart) {
  std::vector<IconDirEntry> e = {Entry(48, 48), Entry(32, 32), Entry(16, 16)};
  EXPECT_EQ(ChooseIconEntry(e, 32, 32, 32, {true, false, true}), 2);
  // The first usable entry is the untested start.
  EXPECT_EQ(ChooseIconEntry({Entry(16, 16, 16), Entry(32, 32, 0)}, 32, 32, 8, {false, true}), 1);
  EXPECT_EQ(ChooseIconEntry(e, 32, 32, 32, {false, false, false}), -1);
}

TEST(IconDirectory, ReadsEntriesAndRefusesBrokenDirectories) {
  std::string ico = IconFile({Img(16, 16, 4, 16), Img(32, 32, 24, 0)});
  auto entries = ReadIconDirectory(Bytes(ico), ico.size());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].width, 16);
  EXPECT_EQ(entries[0].colours, 16);
  EXPECT_EQ(entries[1].offset, 6u + 32 + entries[0].size);

  for (const pixtest::IconRow& c : pixtest::BrokenIconDirectories()) {
    try {
      ReadIconDirectory(Bytes(c.bytes), c.bytes.size());
      ADD_FAILURE() << c.what;
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), "Icon image is not valid") << c.what;
    }
  }
}

TEST(IconImageCheck, LayoutOfAGoodImage) {
  std::string ico = IconFile({Img(20, 10, 4)});
  auto entries = ReadIconDirectory(Bytes(ico), ico.size());
  IconImageLayout l;
  ASSERT_TRUE(CheckIconImage(Bytes(ico), ico.size(), entries[0], l));
  EXPECT_EQ(l.width, 20);
  EXPECT_EQ(l.height, 10);
  EXPECT_EQ(l.colourEntries, 16u);
  EXPECT_EQ(l.colour, 22u + 40 + 64);
  EXPECT_EQ(l.colourSize, 12u * 10);  // 20 pixels of 4 bits: 10 bytes, padded to 12
  EXPECT_EQ(l.mask, l.colour + l.colourSize);
  EXPECT_EQ(l.maskSize, 4u * 10);
  EXPECT_EQ(l.mask + l.maskSize, ico.size());
}

// Each broken image is refused, never read past its data.
TEST(IconImageCheck, BrokenImagesAreRefused) {
  const std::string good = IconFile({Img(32, 32, 8)});
  IconImageLayout l;
  {
    auto entries = ReadIconDirectory(Bytes(good), good.size());
    ASSERT_TRUE(CheckIconImage(Bytes(good), good.size(), entries[0], l));
  }
  for (const pixtest::IconRow& c : pixtest::BrokenIconImages()) {
    auto entries = ReadIconDirectory(Bytes(c.bytes), c.bytes.size());
    EXPECT_FALSE(CheckIconImage(Bytes(c.bytes), c.bytes.size(), entries[0], l)) << c.what;
  }
}

TEST(IconImageCheck, EveryDepthPasses) {
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    std::string ico = IconFile({Img(17, 5, bits)});
    auto entries = ReadIconDirectory(Bytes(ico), ico.size());
    IconImageLayout l;
    ASSERT_TRUE(CheckIconImage(Bytes(ico), ico.size(), entries[0], l)) << bits;
    EXPECT_EQ(l.mask + l.maskSize, ico.size()) << bits;
  }
}

TEST(IconImageCheck, PngEntryIsSkippedInTheChoice) {
  std::string ico = IconFile({Img(32, 32, 32), Img(16, 16, 24)});
  auto entries = ReadIconDirectory(Bytes(ico), ico.size());
  ico.replace(entries[0].offset, 8, "\x89PNG\r\n\x1a\n");
  auto usable = UsableIconEntries(Bytes(ico), ico.size(), entries);
  EXPECT_EQ(usable, (std::vector<bool>{false, true}));
  EXPECT_EQ(ChooseIconEntry(entries, 32, 32, 32, usable), 1);
}

// The image's own header decides, as it does for the platform.
TEST(IconImageCheck, DirectoryDisagreeingWithAWholeImage) {
  for (const pixtest::DisagreeingRow& c : pixtest::DisagreeingIconImages()) {
    auto entries = ReadIconDirectory(Bytes(c.bytes), c.bytes.size());
    IconImageLayout l;
    ASSERT_TRUE(CheckIconImage(Bytes(c.bytes), c.bytes.size(), entries[0], l)) << c.what;
    EXPECT_EQ(l.width, c.width) << c.what;
    EXPECT_EQ(l.height, c.height) << c.what;
    EXPECT_LE(l.mask + l.maskSize, c.bytes.size()) << c.what;
  }
}

TEST(IconImageCheck, PngImagesTakeTheirSizeFromTheHeader) {
  const std::string png = pixtest::RgbaPng(20, 12, [](int, int) { return 0xFF00FF00u; });
  std::string ico = pixtest::IconFileOf({pixtest::RawPng(0, 0, png)});
  auto entries = ReadIconDirectory(Bytes(ico), ico.size());
  IconImageLayout l;
  ASSERT_TRUE(CheckIconImage(Bytes(ico), ico.size(), entries[0], l));
  EXPECT_TRUE(l.png);
  EXPECT_EQ(l.width, 20);
  EXPECT_EQ(l.height, 12);
  EXPECT_EQ(l.header, 22u);
  EXPECT_EQ(l.pngSize, png.size());
  // The bitmaps' store limit, 1 GiB of 32-bit pixels, on a 64-bit address
  // space; 128 MiB, what a 32-bit process can still decode, on a 32-bit one.
  for (bool wide : {false, true}) {
    int w = wide ? 16384 : 8192, h = wide ? 16384 : 4096;
    std::string at = pixtest::IconFileOf({pixtest::RawPng(0, 0, pixtest::PngSized(w, h))});
    std::string past = pixtest::IconFileOf({pixtest::RawPng(0, 0, pixtest::PngSized(w + 1, h))});
    auto e = ReadIconDirectory(Bytes(at), at.size());
    EXPECT_TRUE(CheckIconImage(Bytes(at), at.size(), e[0], l, wide)) << wide;
    EXPECT_FALSE(CheckIconImage(Bytes(past), past.size(), e[0], l, wide)) << wide;
  }
}

TEST(IconImageCheck, PngHeaderRules) {
  struct Case {
    uint8_t colourType, depth;
    bool ok;
  } cases[] = {{0, 1, true}, {0, 16, true}, {0, 3, false}, {2, 8, true}, {2, 4, false},
               {3, 8, true}, {3, 16, false}, {4, 16, true}, {6, 8, true}, {6, 1, false},
               {5, 8, false}, {7, 8, false}};
  PngHeader h;
  for (const Case& c : cases)
    EXPECT_EQ(ReadPngHeader(Bytes(pixtest::PngOf(3, 2, c.colourType, c.depth, "")), 57, h), c.ok)
        << int(c.colourType) << "/" << int(c.depth);
  std::string png = pixtest::PngSized(3, 2);
  ASSERT_TRUE(ReadPngHeader(Bytes(png), png.size(), h));
  EXPECT_EQ(h.width, 3u);
  EXPECT_EQ(h.height, 2u);
  EXPECT_FALSE(ReadPngHeader(Bytes(png), 32, h));  // cut inside the IHDR's CRC
  std::string interlaced = png, filtered = png, notFirst = png;
  interlaced[28] = 2;
  filtered[27] = 1;
  notFirst[12] = 'i';
  for (const std::string* s : {&interlaced, &filtered, &notFirst})
    EXPECT_FALSE(ReadPngHeader(Bytes(*s), s->size(), h));
}

// What the platform decides on must reach it: none of these is refused first.
TEST(IconImageCheck, SoundPngHeadersAreLeftToThePlatform) {
  for (const pixtest::IconRow& c : pixtest::PlatformPngIcons()) {
    auto entries = ReadIconDirectory(Bytes(c.bytes), c.bytes.size());
    IconImageLayout l;
    EXPECT_TRUE(CheckIconImage(Bytes(c.bytes), c.bytes.size(), entries[0], l)) << c.what;
    EXPECT_TRUE(l.png) << c.what;
  }
}

TEST(IconChoice, BitmapsBesideA256Png) {
  std::string ico = pixtest::IconFileOf(
      {pixtest::RawOf(Img(16, 16, 24)), pixtest::RawOf(Img(32, 32, 24)),
       pixtest::RawOf(Img(48, 48, 24)),
       pixtest::RawPng(256, 256, pixtest::RgbaPng(256, 256, [](int, int) { return 0u; }))});
  auto entries = ReadIconDirectory(Bytes(ico), ico.size());
  auto usable = UsableIconEntries(Bytes(ico), ico.size(), entries);
  EXPECT_EQ(usable, (std::vector<bool>{true, true, true, true}));
  EXPECT_EQ(ChooseIconEntry(entries, 32, 32, 32, usable), 1);
  EXPECT_EQ(ChooseIconEntry(entries, 256, 256, 32, usable), 3);
}

}  // namespace
}  // namespace pix
