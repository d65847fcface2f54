// Icon file structure: header, directory, the choice of image and the layout of
// one image's data. Pure: no platform headers, so it is tested natively.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix {

struct IconHeader {
  uint16_t type = 0;   // 1 icon, 0 the system's standard application icon
  uint16_t count = 0;  // directory entries
};

struct IconDirEntry {
  uint8_t width = 0, height = 0;  // as stored: 0 stands for 256
  uint16_t colours = 0;           // colour-count byte and the reserved byte after it
  uint32_t size = 0, offset = 0;  // image data, offset from the file's start
};

// The 6-byte header; false when the data is shorter.
bool ReadIconHeader(const uint8_t* data, size_t n, IconHeader& header);

// The directory. Raises "Icon image is not valid" when the count is 0 or the
// directory runs past the data.
std::vector<IconDirEntry> ReadIconDirectory(const uint8_t* data, size_t n);

// An entry's width and height in pixels: a stored 0 is 256.
int IconEntryWidth(const IconDirEntry& e);
int IconEntryHeight(const IconDirEntry& e);

// Colours the screen shows for a depth of bits per pixel times planes.
uint32_t IconScreenColours(uint16_t depth);
// An entry's colour weight: its colours value, 0 counting as the most.
uint32_t IconColourWeight(const IconDirEntry& e);
// Whether `e` is nearer the desired size than `best` on both axes, a smaller
// image winning over an equally distant larger one.
bool IconBetterSize(const IconDirEntry& e, const IconDirEntry& best, int desiredW, int desiredH);

// The image to use for a desired size on a screen of `depth`. Only entries
// marked usable take part (all when `usable` is empty); the first usable one is
// the starting choice and is not weighed against the screen. -1 when none is usable.
int ChooseIconEntry(const std::vector<IconDirEntry>& entries, int desiredW, int desiredH,
                    uint16_t depth, const std::vector<bool>& usable = {});

// A PNG file's header chunk.
struct PngHeader {
  uint32_t width = 0, height = 0;
  uint8_t bitDepth = 0, colourType = 0, interlace = 0;
};
bool IsPng(const uint8_t* data, size_t n);
// The signature and a sound IHDR chunk first: sizes of 1 to 2^31 - 1, a bit
// depth the colour type allows, the one compression and filter method.
bool ReadPngHeader(const uint8_t* data, size_t n, PngHeader& out);

// Where the parts of one image lie in the file. Offsets are from the file's start.
struct IconImageLayout {
  bool png = false;  // a PNG file at `header`, `pngSize` bytes; none of the parts below
  size_t pngSize = 0;
  int32_t width = 0;   // from the image's info header or PNG header
  int32_t height = 0;  // the info header's height halved: the image's own
  uint16_t bitCount = 0;
  size_t header = 0;                  // 40-byte info header
  size_t colourTable = 0;             // colour table entries of 4 bytes
  uint32_t colourEntries = 0;         // 2, 16, 256 or 0 by bit count
  size_t colour = 0, colourSize = 0;  // XOR pixels, rows padded to 4 bytes
  size_t mask = 0, maskSize = 0;      // AND pixels, 1 bit, rows padded to 4 bytes
};

// Row bytes of a bitmap: whole 32-bit words per row.
uint64_t BitmapRowBytes(uint64_t width, uint32_t bitCount);

// Checks that an entry's image can be handed to the platform: data inside the
// file without wrapping, and either a PNG whose header is sound and whose
// pixels stay within the bitmaps' store limit, or an uncompressed info header
// of a known bit count, positive width and doubled height, whose colour table,
// colour and mask parts lie inside the entry's data. The image's own header
// gives its size; the directory's may disagree.
bool CheckIconImage(const uint8_t* data, size_t n, const IconDirEntry& e, IconImageLayout& out,
                    bool wideAddressSpace = sizeof(void*) > 4);

// The usable flags of every entry (CheckIconImage).
std::vector<bool> UsableIconEntries(const uint8_t* data, size_t n,
                                    const std::vector<IconDirEntry>& entries);

}  // namespace pix
