// The portable converter: channel widening, palettes, nibble order, run-length
// codes, what GDI refuses; rgb rows against section rows at every depth and width.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "dib_test_support.h"

namespace {

using B = std::uint8_t;

Bytes Palette16() {  // entry i: blue 0x10 * i + 1
  Bytes t(64, 0);
  for (int i = 0; i < 16; ++i) t[4 * i] = B(0x10 * i + 1);
  return t;
}

TEST(DibConvert, PixelsAndRefusals) {
  const Bytes px(64, 0);
  const Bytes rle8 = {3, 2,  6, 5,  0, 0,  0, 3, 1, 2, 3, 0,  0, 2, 0, 1,  0, 0,  1, 4,  0, 1,  9, 9};
  const Bytes rle4 = {3, 0x12,  0, 0,  0, 3, 0x45, 0x60,  0, 1};
  const auto grey555 = [](std::uint32_t k) { return 0x8000 | k << 10 | k << 5 | k; };  // bit 15 ignored
  const struct {
    const char* what;
    Bytes info, bits;
    std::vector<std::uint32_t> rgb;  // bottom row first; empty: refused
  } cases[] = {
      {"5-5-5 widened", InfoHeader(3, 1, 16), Le({grey555(1), grey555(4), grey555(31), 0}, 2),
       {0x080808, 0x212121, 0xFFFFFF}},
      {"6-bit green", Concat({InfoHeader(1, 1, 16, 3), Le({0xF800, 0x07E0, 0x001F})}), Le({0x21 << 5}),
       {0x008600}},
      {"4-, 1- and 10-bit fields", Concat({InfoHeader(1, 1, 32, 3), Le({0xF000, 0x0800, 0x03FF})}),
       Le({0xA << 12 | 1 << 11 | 0x2C5}), {0xAAC0B1}},
      {"1 bit, index past a one-entry table is black", Concat({InfoHeader(3, 1, 1, 0, 0, 1), {9, 8, 7, 0}}),
       {0xA0, 0, 0, 0}, {0, 0x070809, 0}},
      {"4 bits, high nibble first", Concat({InfoHeader(3, 1, 4), Palette16()}), {0x12, 0x3F, 0, 0},
       {0x11, 0x21, 0x31}},
      // A run, a run clipped at the edge, end of line, an absolute run padded to
      // a word, a delta one row up, end of line, end of bitmap; then never read.
      {"RLE8 codes", Concat({InfoHeader(4, 4, 8, 1, B(rle8.size()), 16), Palette16()}), rle8,
       {0x21, 0x21, 0x21, 0x51, 0x11, 0x21, 0x31, 0, 0, 0, 0, 0, 0x41, 0, 0, 0}},
      {"RLE4 nibbles", Concat({InfoHeader(3, 2, 4, 2, B(rle4.size())), Palette16()}), rle4,
       {0x11, 0x21, 0x11, 0x41, 0x51, 0x61}},
      {"RLE4 stops at the image size", Concat({InfoHeader(3, 2, 4, 2, 4), Palette16()}), rle4,
       {0x11, 0x21, 0x11, 0, 0, 0}},
      {"RLE without image size", Concat({InfoHeader(1, 1, 8, 1, 0), Bytes(1024, 0)}), px, {}},
      {"RLE top-down", Concat({InfoHeader(1, -1, 8, 1, 8), Bytes(1024, 0)}), px, {}},
      {"a mask 0", Concat({InfoHeader(1, 1, 16, 3), Le({0xF800, 0, 0x1F})}), px, {}},
      {"pixels short of rows x stride", InfoHeader(4, 3, 24), Bytes(35, 0), {}},
      {"table short of colours used", Concat({InfoHeader(1, 1, 8, 0, 0, 16), Bytes(60, 0)}), px, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ConvertBoth(c.info, c.bits), c.rgb);
  }
}

TEST(DibConvert, RgbRowsMatchSectionAtEveryDepthWidthAndOrder) {
  // Widths 1..13 meet every remainder of the four-pixel word stores. Random
  // tables (a short one at 8 bits, so indices pass its end) and pixels.
  std::mt19937 random(7);
  const auto noise = [&](std::size_t n) {
    Bytes b(n);
    for (B& v : b) v = B(random());
    return b;
  };
  for (const int bpp : {1, 4, 8, 16, 24, 32}) {
    for (const bool fields : {false, true}) {
      if (fields && bpp != 16 && bpp != 32) continue;
      const Bytes masks = bpp == 16 ? Le({0xF800, 0x07E0, 0x001F}) : Le({0x3FF00000, 0xFFC00, 0x3FF});
      const std::uint32_t colours = bpp == 8 ? 200 : bpp < 8 ? 1u << bpp : 0;
      for (std::int32_t width = 1; width <= 13; ++width) {
        for (const std::int32_t height : {1, 3, -1, -4}) {
          SCOPED_TRACE(std::to_string(bpp) + (fields ? " bpp fields, " : " bpp, ") +
                       std::to_string(width) + " x " + std::to_string(height));
          const Bytes info = Concat({InfoHeader(width, height, B(bpp), fields ? 3 : 0, 0, bpp == 8 ? colours : 0),
                                     fields ? masks : noise(4 * colours)});
          const Bytes bits = noise(std::size_t((width * bpp + 31) / 32 * 4 * std::abs(height)));
          EXPECT_FALSE(ConvertBoth(info, bits).empty());
        }
      }
    }
  }
  // Random run-length streams: every code, deltas past the edges, early ends;
  // unreached pixels must be black in both.
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    const bool rle4 = (round & 1) != 0;
    const std::int32_t width = 1 + std::int32_t(random() % 19), height = 1 + std::int32_t(random() % 7);
    const Bytes stream = noise(8 + random() % 120);
    const Bytes info = Concat({InfoHeader(width, height, rle4 ? 4 : 8, rle4 ? 2 : 1, std::uint32_t(stream.size())),
                               noise(rle4 ? 64 : 1024)});
    EXPECT_FALSE(ConvertBoth(info, stream).empty());
  }
}

}  // namespace
