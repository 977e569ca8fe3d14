// The portable converter on hand-made pictures: GDI's refusals, channel
// widening, palettes and run-length streams.
#include <gtest/gtest.h>

#include "dib_test_files.h"
#include "image/dib_convert.h"

namespace {

struct Converted {
  std::int32_t rows = 0;
  Bytes section;
};

Converted Convert(const Bytes& info, const Bytes& bits) {
  Converted out;
  const bool core = DibRead32(info.data()) == 12;
  const std::int32_t width = core ? DibRead16(info.data() + 4)
                                  : static_cast<std::int32_t>(DibRead32(info.data() + 4));
  const std::int32_t height = core ? DibRead16(info.data() + 6)
                                   : static_cast<std::int32_t>(DibRead32(info.data() + 8));
  std::size_t bytes = 0;
  if (Dib24SectionBytes(width, height, &bytes)) out.section.assign(bytes, 0);
  out.rows = ConvertDibRows(info.data(), info.size(), bits.data(), bits.size(), out.section.data());
  return out;
}

Bytes Masks(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  Bytes m;
  Put32(&m, r);
  Put32(&m, g);
  Put32(&m, b);
  return m;
}

TEST(DibConvert, RefusesWhatGdiRefuses) {
  const Bytes px(64, 0);
  const Bytes masks = Masks(0xF800, 0x07E0, 0x001F);
  Bytes shortHeader = InfoHeader(1, 1, 24);
  shortHeader[0] = 20;
  Bytes noPlanes = InfoHeader(1, 1, 24);
  noPlanes[12] = 0;
  EXPECT_EQ(Convert(shortHeader, px).rows, 0);
  EXPECT_EQ(Convert(noPlanes, px).rows, 0);
  EXPECT_EQ(Convert(InfoHeader(1, 1, 2), px).rows, 0);
  EXPECT_EQ(Convert(Concat({InfoHeader(1, 1, 8, 1, 0), Bytes(1024, 0)}), px).rows, 0);   // RLE, image size 0
  EXPECT_EQ(Convert(Concat({InfoHeader(1, -1, 8, 1, 8), Bytes(1024, 0)}), px).rows, 0);  // RLE top-down
  EXPECT_EQ(Convert(Concat({InfoHeader(1, 1, 4, 1, 8), Bytes(64, 0)}), px).rows, 0);     // RLE8 at 4 bpp
  EXPECT_EQ(Convert(InfoHeader(1, 1, 24, 3), px).rows, 0);  // bit fields at 24 bpp
  EXPECT_EQ(Convert(Concat({InfoHeader(1, 1, 16, 3), Masks(0xF800, 0, 0x1F)}), px).rows, 0);
  EXPECT_EQ(Convert(Concat({InfoHeader(1, 1, 16, 4), masks}), px).rows, 0);  // JPEG
  // Pixel data shorter than rows x stride (4 x 3 at 24 bpp needs 12 x 3).
  EXPECT_EQ(Convert(InfoHeader(4, 3, 24), Bytes(35, 0)).rows, 0);
  EXPECT_EQ(Convert(InfoHeader(4, 3, 24), Bytes(36, 0)).rows, 3);
  // A table shorter than the palette the header asks for.
  EXPECT_EQ(Convert(Concat({InfoHeader(1, 1, 8, 0, 0, 16), Bytes(60, 0)}), px).rows, 0);
}

TEST(DibConvert, WidensFiveSixAndShortChannels) {
  // A 5-5-5 grey ramp k = 0..31, bit 15 set to show it is ignored.
  Bytes ramp;
  for (std::uint32_t k = 0; k < 32; ++k) Put16(&ramp, 0x8000 | k << 10 | k << 5 | k);
  Converted grey = Convert(InfoHeader(32, 1, 16), ramp);
  ASSERT_EQ(grey.rows, 1);
  const std::uint8_t expected[] = {0x00, 0x08, 0x10, 0x18, 0x21, 0x29};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(grey.section[3 * k], expected[k]) << k;
  EXPECT_EQ(grey.section[3 * 31], 0xFF);
  EXPECT_EQ(grey.section[3 * 31 + 2], 0xFF);

  // 5-6-5 green 6-bit 0x21 -> (0x21 << 2) | (0x21 >> 4) = 0x86; 4-bit, 1-bit
  // and 10-bit channels in a 32-bit pixel.
  Bytes px;
  Put16(&px, 0x21 << 5);
  Put16(&px, 0);
  Converted g6 = Convert(Concat({InfoHeader(1, 1, 16, 3), Masks(0xF800, 0x07E0, 0x001F)}), px);
  ASSERT_EQ(g6.rows, 1);
  EXPECT_EQ(g6.section[1], 0x86);
  Bytes wide;
  Put32(&wide, 0xAu << 12 | 1u << 11 | 0x2C5u);
  Converted odd = Convert(Concat({InfoHeader(1, 1, 32, 3), Masks(0xF000, 0x0800, 0x03FF)}), wide);
  ASSERT_EQ(odd.rows, 1);
  EXPECT_EQ(odd.section[2], 0xAA);  // red, 4 bits: v * 0x11
  EXPECT_EQ(odd.section[1], 0xC0);  // green, 1 bit set
  EXPECT_EQ(odd.section[0], 0xB1);  // blue, 10 bits: the top 8
}

TEST(DibConvert, IndexedPixelsAndShortPalettes) {
  // 1 bit, colours used 1: index 1 has no entry and is black.
  Converted one = Convert(Concat({InfoHeader(3, 1, 1, 0, 0, 1), {9, 8, 7, 0}}), {0xA0, 0, 0, 0});
  ASSERT_EQ(one.rows, 1);
  EXPECT_EQ(one.section, (Bytes{0, 0, 0, 9, 8, 7, 0, 0, 0, 0, 0, 0}));
  // 4 bits: high nibble first; an odd width reads only its high nibble.
  Bytes table(64, 0);
  for (int i = 0; i < 16; ++i) table[4 * i] = static_cast<std::uint8_t>(i);
  Converted four = Convert(Concat({InfoHeader(3, 1, 4), table}), {0x12, 0x3F, 0, 0});
  ASSERT_EQ(four.rows, 1);
  EXPECT_EQ(four.section[0], 1);
  EXPECT_EQ(four.section[3], 2);
  EXPECT_EQ(four.section[6], 3);
  // A core header with 3-byte entries.
  Converted core = Convert(Concat({CoreHeader(2, 1, 1), {1, 2, 3, 4, 5, 6}}), {0x40, 0, 0, 0});
  ASSERT_EQ(core.rows, 1);
  EXPECT_EQ(core.section, (Bytes{1, 2, 3, 4, 5, 6, 0, 0}));
}

TEST(DibConvert, TopDownRowsStayInSourceOrder) {
  Converted c = Convert(InfoHeader(1, -2, 24), {1, 2, 3, 0, 4, 5, 6, 0});
  ASSERT_EQ(c.rows, 2);
  EXPECT_EQ(c.section, (Bytes{1, 2, 3, 0, 4, 5, 6, 0}));
}

Bytes RlePalette() {
  Bytes t(64, 0);
  for (int i = 0; i < 16; ++i) t[4 * i] = static_cast<std::uint8_t>(0x10 * i + 1);
  return t;
}

TEST(DibConvert, Rle8RunsEscapesAndClipping) {
  const Bytes stream = {
      3, 2,              // run of three 2s on the bottom row (width 4)
      6, 5,              // clipped at the edge: one 5, no wrap
      0, 0,              // end of line
      0, 3, 1, 2, 3, 0,  // absolute run of three, padded to four bytes
      0, 2, 0, 1,        // delta: one row up
      0, 0,              // end of line: the fourth row starts at x = 0
      1, 4,
      0, 1,              // end of bitmap
      9, 9};             // never read
  const Bytes info = Concat({InfoHeader(4, 4, 8, 1, static_cast<std::uint32_t>(stream.size()), 16), RlePalette()});
  Converted c = Convert(info, stream);
  ASSERT_EQ(c.rows, 4);
  auto at = [&](int x, int y) { return c.section[static_cast<std::size_t>(y) * 12 + 3 * x]; };
  EXPECT_EQ(at(0, 0), 0x21);
  EXPECT_EQ(at(2, 0), 0x21);
  EXPECT_EQ(at(3, 0), 0x51);
  EXPECT_EQ(at(0, 1), 0x11);
  EXPECT_EQ(at(1, 1), 0x21);
  EXPECT_EQ(at(2, 1), 0x31);
  EXPECT_EQ(at(3, 1), 0);  // the rest of an ended line is left as it was
  EXPECT_EQ(at(0, 2), 0);  // row 2 only skipped by the delta
  EXPECT_EQ(at(0, 3), 0x41);
}

TEST(DibConvert, Rle4AlternatesNibblesAndStopsAtTheImageSize) {
  const Bytes stream = {3, 0x12, 0, 0, 0, 3, 0x45, 0x60, 0, 1};
  const Bytes info = Concat({InfoHeader(3, 2, 4, 2, static_cast<std::uint32_t>(stream.size())), RlePalette()});
  Converted c = Convert(info, stream);
  ASSERT_EQ(c.rows, 2);
  EXPECT_EQ((Bytes{c.section[0], c.section[3], c.section[6]}), (Bytes{0x11, 0x21, 0x11}));
  EXPECT_EQ((Bytes{c.section[12], c.section[15], c.section[18]}), (Bytes{0x41, 0x51, 0x61}));
  // The same stream with an image size of 4 ends after the first line.
  const Bytes cut = Concat({InfoHeader(3, 2, 4, 2, 4), RlePalette()});
  Converted d = Convert(cut, stream);
  ASSERT_EQ(d.rows, 2);
  EXPECT_EQ(d.section[0], 0x11);
  EXPECT_EQ(d.section[12], 0);
}

}  // namespace
