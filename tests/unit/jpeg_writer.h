// Test fixtures: JPEG files written with libjpeg's compressor at run time, and a
// small decode into plain memory through the program's decoding context.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "pictures/jpeg_core.h"

namespace jpegtest {

enum class Kind { Color, Gray, Cmyk, CmykPlain, Ycck };

struct Recipe {
  int width = 64, height = 48;
  Kind kind = Kind::Color;
  bool progressive = false;
  bool manyScans = false;  // a valid script of about two thousand scans
  int quality = 90;
  bool arithmetic = false;  // arithmetic instead of Huffman coding
  int restartRows = 0;      // a restart marker every so many rows of blocks
  bool fullChroma = false;  // colour sampled at every pixel instead of every other
  std::vector<std::string> app1 = {};  // APP1 segments' bytes, written in this order
};

// Writes the picture's samples for pixel (x, y): 3 bytes R, G, B for colour, 1 for
// gray, 4 (C, M, Y, K as stored in the file) for the four-component kinds.
using Pixel = std::function<void(int x, int y, uint8_t* out)>;

inline int Components(Kind k) {
  return k == Kind::Color ? 3 : k == Kind::Gray ? 1 : 4;
}

// Every coefficient refined bit by bit, each in a scan of its own.
inline std::vector<jpeg_scan_info> ManyScans(int components) {
  std::vector<jpeg_scan_info> s;
  const int top = 10;
  jpeg_scan_info dc{};
  dc.comps_in_scan = components;
  for (int c = 0; c < components; ++c) dc.component_index[c] = c;
  dc.Al = top;
  s.push_back(dc);
  for (int a = top; a > 0; --a) {
    dc.Ah = a;
    dc.Al = a - 1;
    s.push_back(dc);
  }
  for (int c = 0; c < components; ++c)
    for (int k = 1; k < 64; ++k) {
      jpeg_scan_info ac{};
      ac.comps_in_scan = 1;
      ac.component_index[0] = c;
      ac.Ss = ac.Se = k;
      ac.Al = top;
      s.push_back(ac);
      for (int a = top; a > 0; --a) {
        ac.Ah = a;
        ac.Al = a - 1;
        s.push_back(ac);
      }
    }
  return s;
}

inline std::string Encode(const Recipe& recipe, const Pixel& pixel) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&c, &out, &outSize);
  c.image_width = static_cast<JDIMENSION>(recipe.width);
  c.image_height = static_cast<JDIMENSION>(recipe.height);
  int comps = Components(recipe.kind);
  c.input_components = comps;
  c.in_color_space = comps == 3 ? JCS_RGB : comps == 1 ? JCS_GRAYSCALE : JCS_CMYK;
  jpeg_set_defaults(&c);
  if (recipe.kind == Kind::Ycck) jpeg_set_colorspace(&c, JCS_YCCK);
  if (recipe.kind == Kind::CmykPlain) c.write_Adobe_marker = FALSE;
  jpeg_set_quality(&c, recipe.quality, TRUE);
  c.arith_code = recipe.arithmetic ? TRUE : FALSE;
  c.restart_in_rows = recipe.restartRows;
  if (recipe.fullChroma) c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;
  std::vector<jpeg_scan_info> script;
  if (recipe.manyScans) {
    script = ManyScans(c.num_components);
    c.scan_info = script.data();
    c.num_scans = static_cast<int>(script.size());
  } else if (recipe.progressive) {
    jpeg_simple_progression(&c);
  }
  jpeg_start_compress(&c, TRUE);
  for (const std::string& m : recipe.app1)
    jpeg_write_marker(&c, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(m.data()),
                      static_cast<unsigned>(m.size()));
  std::vector<uint8_t> row(static_cast<size_t>(recipe.width) * comps);
  while (c.next_scanline < c.image_height) {
    int y = static_cast<int>(c.next_scanline);
    for (int x = 0; x < recipe.width; ++x) pixel(x, y, &row[static_cast<size_t>(x) * comps]);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::string bytes(reinterpret_cast<char*>(out), outSize);
  jpeg_destroy_compress(&c);
  free(out);
  return bytes;
}

// Horizontal bands of red, green, blue and white (colour), or a left-to-right
// ramp (gray); four-component kinds get pure red in the file's own convention.
inline std::string Bands(const Recipe& recipe) {
  bool inverted = recipe.kind == Kind::Cmyk || recipe.kind == Kind::Ycck;
  return Encode(recipe, [&](int x, int y, uint8_t* p) {
    int band = y * 4 / recipe.height;
    switch (recipe.kind) {
      case Kind::Color:
        p[0] = band == 0 || band == 3 ? 255 : 0;
        p[1] = band == 1 || band == 3 ? 255 : 0;
        p[2] = band == 2 || band == 3 ? 255 : 0;
        break;
      case Kind::Gray:
        p[0] = static_cast<uint8_t>(x * 255 / (recipe.width > 1 ? recipe.width - 1 : 1));
        break;
      default: {
        uint8_t ink[4] = {0, 255, 255, 0};  // red: no cyan, full magenta and yellow
        for (int i = 0; i < 4; ++i) p[i] = inverted ? 255 - ink[i] : ink[i];
      }
    }
  });
}

// A photograph-like picture: smooth gradients with texture, for sizes that matter.
inline std::string Photo(const Recipe& recipe) {
  return Encode(recipe, [&](int x, int y, uint8_t* p) {
    unsigned h = static_cast<unsigned>(x * 73856093u ^ y * 19349663u);
    h ^= h >> 13;
    int noise = static_cast<int>(h % 24) - 12;
    auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    int r = x * 255 / recipe.width, g = y * 255 / recipe.height, b = ((x + y) / 7) % 256;
    if (Components(recipe.kind) == 1) {
      p[0] = clamp((r + g + b) / 3 + noise);
    } else {
      p[0] = clamp(r + noise);
      p[1] = clamp(g + noise);
      p[2] = clamp(b + noise);
    }
  });
}

// An Exif segment whose first directory holds a camera make and the orientation
// tag; `type`, `count`, the directory's offset and its entry count may be spoiled.
struct Exif {
  int orientation = 6;
  bool little = true;
  uint16_t type = 3, entries = 2;
  uint32_t count = 1, ifd = 8;
};
inline std::string ExifSegment(const Exif& e) {
  std::string s("Exif\0\0", 6);
  auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
      s += static_cast<char>(v >> 8 * (e.little ? i : n - 1 - i) & 0xFF);
  };
  s += e.little ? "II" : "MM";
  put(42, 2);
  put(e.ifd, 4);
  put(e.entries, 2);
  put(0x010F, 2), put(2, 2), put(4, 4), put(0, 4);  // the camera's make, held in the entry
  put(0x0112, 2), put(e.type, 2), put(e.count, 4);
  put(static_cast<uint32_t>(e.orientation), 2), put(0, 2);
  put(0, 4);  // no next directory
  return s;
}

// Quadrants red | green over blue | yellow.
inline std::string Quadrants(Recipe r) {
  r.fullChroma = true;
  r.quality = 95;
  return Encode(r, [&](int x, int y, uint8_t* p) {
    bool right = x >= r.width / 2, bottom = y >= r.height / 2;
    p[0] = bottom == right ? 255 : 0;
    p[1] = right ? 255 : 0;
    p[2] = bottom && !right ? 255 : 0;
  });
}

// Rewrites the frame header's height and width (the first SOFn marker).
inline void PatchSize(std::string& bytes, int width, int height) {
  for (size_t i = 2; i + 9 < bytes.size(); ++i) {
    auto m = static_cast<uint8_t>(bytes[i + 1]);
    if (static_cast<uint8_t>(bytes[i]) == 0xFF && m >= 0xC0 && m <= 0xC2) {
      bytes[i + 5] = static_cast<char>(height >> 8);
      bytes[i + 6] = static_cast<char>(height & 0xFF);
      bytes[i + 7] = static_cast<char>(width >> 8);
      bytes[i + 8] = static_cast<char>(width & 0xFF);
      return;
    }
  }
  throw std::runtime_error("no frame header");
}

// A decoded picture in memory, rows laid out bottom-up like a Windows DIB.
struct Decoded {
  int width = 0, height = 0, bits = 0, rowBytes = 0;
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> palette;  // r, g, b per entry
  const uint8_t* Row(int y) const {
    return &pixels[static_cast<size_t>(height - 1 - y) * rowBytes];
  }
};

inline Decoded Decode(const std::string& bytes, bool eightBit = false,
                      std::function<void(size_t)> consumed = {}) {
  Decoded d;
  pix::TJPEGDecoder dec(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  dec.Consumed = std::move(consumed);
  dec.ReadHeader();
  dec.SetParameters(eightBit);
  d.bits = dec.OutputBits();
  dec.Start();
  d.width = dec.OutputWidth();
  d.height = dec.OutputHeight();
  d.rowBytes = ((d.width * d.bits + 31) & ~31) / 8;
  d.pixels.assign(static_cast<size_t>(d.rowBytes) * d.height, 0xFF);
  for (int i = 0; i < dec.ColorCount(); ++i) {
    uint8_t r, g, b;
    dec.ColorAt(i, r, g, b);
    d.palette.insert(d.palette.end(), {r, g, b});
  }
  ptrdiff_t step = -static_cast<ptrdiff_t>(d.rowBytes);
  while (dec.OutputScanline() < d.height) {
    int y = dec.OutputScanline();
    uint8_t* row = &d.pixels[static_cast<size_t>(d.height - 1 - y) * d.rowBytes];
    if (dec.ReadRows(row, step, pix::JPEGRowsPerCall(step, dec.RecOutbufHeight())) == 0) break;
  }
  dec.Finish();
  return d;
}

}  // namespace jpegtest
