// The converter's red, green, blue rows (what the SDL layer hands the loader)
// against its section rows: the same pixels, swapped to red first, bottom row
// first, nothing written outside the rows.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "dib_corpus.h"
#include "dib_test_files.h"
#include "image/dib_convert.h"

namespace {

constexpr std::uint8_t kGuard = 0xA5;
constexpr std::size_t kGuardBytes = 16;

// Converts both ways and compares; a failure names what differs.
::testing::AssertionResult SameAsSection(const std::uint8_t* info, std::size_t infoLength,
                                         const std::uint8_t* bits, std::size_t bitsLength,
                                         std::int32_t width, std::int32_t height) {
  std::size_t sectionBytes = 0;
  if (!Dib24SectionBytes(width, height, &sectionBytes)) {
    return ::testing::AssertionFailure() << "no section for " << width << " x " << height;
  }
  Bytes section(sectionBytes, 0);
  const std::int32_t rows = ConvertDibRows(info, infoLength, bits, bitsLength, section.data());

  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t h = static_cast<std::size_t>(height < 0 ? -height : height);
  const std::size_t rowBytes = 3 * w;
  // Guards before and after; the rows start filled with a colour that is not
  // black, so unwritten run-length pixels show.
  Bytes rgb(kGuardBytes + rowBytes * h + kGuardBytes, kGuard);
  std::uint8_t* out = rgb.data() + kGuardBytes;
  const std::int32_t rgbRows = ConvertDibRowsRgb(info, infoLength, bits, bitsLength, out);
  if (rgbRows != rows) {
    return ::testing::AssertionFailure() << "rows: section " << rows << ", rgb " << rgbRows;
  }
  for (std::size_t i = 0; i < kGuardBytes; ++i) {
    if (rgb[i] != kGuard || rgb[rgb.size() - 1 - i] != kGuard) {
      return ::testing::AssertionFailure() << "a byte outside the rows was written";
    }
  }
  if (rows == 0) return ::testing::AssertionSuccess();
  const std::size_t stride = Dib24Stride(width);
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint8_t* s = section.data() + y * stride;
    const std::uint8_t* d = out + (height < 0 ? h - 1 - y : y) * rowBytes;
    for (std::size_t x = 0; x < w; ++x, s += 3, d += 3) {
      if (d[0] != s[2] || d[1] != s[1] || d[2] != s[0]) {
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") of " << width << " x " << height << ": rgb "
               << int(d[0]) << " " << int(d[1]) << " " << int(d[2]) << ", section bgr "
               << int(s[0]) << " " << int(s[1]) << " " << int(s[2]);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameAsSection(const Bytes& info, const Bytes& bits, std::int32_t width,
                                         std::int32_t height) {
  return SameAsSection(info.data(), info.size(), bits.data(), bits.size(), width, height);
}

Bytes RandomBytes(std::mt19937* random, std::size_t n) {
  Bytes b(n);
  for (auto& v : b) v = static_cast<std::uint8_t>((*random)());
  return b;
}

std::size_t Stride(std::int32_t width, int bpp) {
  return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bpp) + 31) / 32 * 4;
}

TEST(DibRgbRows, EveryUncompressedDepthWidthAndRowOrder) {
  // Widths 1..13 cover every remainder of the four-pixel groups; both row
  // orders; random tables and pixels, including indices past a short table.
  std::mt19937 random(7);
  int compared = 0;
  for (const int bpp : {1, 4, 8, 16, 24, 32}) {
    for (std::int32_t width = 1; width <= 13; ++width) {
      for (const std::int32_t height : {1, 3, -1, -4}) {
        SCOPED_TRACE(std::to_string(bpp) + " bpp, " + std::to_string(width) + " x " +
                     std::to_string(height));
        const std::uint32_t colours = bpp <= 8 ? (1u << bpp) - (bpp == 8 ? 56u : 0u) : 0u;
        const Bytes info = Concat({InfoHeader(width, height, static_cast<std::uint16_t>(bpp), 0,
                                              0, bpp == 8 ? colours : 0),
                                   RandomBytes(&random, 4 * colours)});
        const Bytes bits = RandomBytes(&random, Stride(width, bpp) * (height < 0 ? -height : height));
        EXPECT_TRUE(SameAsSection(info, bits, width, height));
        ++compared;
      }
    }
  }
  // Bit fields: 5-6-5, and 32-bit fields that are not byte aligned.
  for (const int bpp : {16, 32}) {
    for (std::int32_t width = 1; width <= 9; ++width) {
      Bytes info = InfoHeader(width, -2, static_cast<std::uint16_t>(bpp), 3);
      if (bpp == 16) {
        for (const std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) Put32(&info, m);
      } else {
        for (const std::uint32_t m : {0x3FF00000u, 0x000FFC00u, 0x000003FFu}) Put32(&info, m);
      }
      const Bytes bits = RandomBytes(&random, Stride(width, bpp) * 2);
      EXPECT_TRUE(SameAsSection(info, bits, width, -2)) << bpp << " bpp fields, width " << width;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 6 * 13 * 4 + 2 * 9);
}

TEST(DibRgbRows, RunLengthStreamsLeaveUnreachedPixelsBlack) {
  // Random streams hit every code: runs, absolute runs, deltas past the
  // edges, early ends. The section starts black, the rgb rows do not.
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    const bool rle4 = (round & 1) != 0;
    const std::int32_t width = 1 + static_cast<std::int32_t>(random() % 19);
    const std::int32_t height = 1 + static_cast<std::int32_t>(random() % 7);
    const Bytes stream = RandomBytes(&random, 8 + random() % 120);
    const std::uint32_t colours = rle4 ? 16 : 256;
    const Bytes info =
        Concat({InfoHeader(width, height, rle4 ? 4 : 8, rle4 ? 2 : 1,
                           static_cast<std::uint32_t>(stream.size())),
                RandomBytes(&random, 4 * colours)});
    EXPECT_TRUE(SameAsSection(info, stream, width, height)) << "round " << round;
  }
}

TEST(DibRgbRows, RefusalsAreTheSectionsRefusals) {
  const Bytes px(64, 0);
  EXPECT_EQ(ConvertDibRowsRgb(InfoHeader(1, 1, 2).data(), 40, px.data(), px.size(), Bytes(3).data()),
            0);
  EXPECT_TRUE(SameAsSection(InfoHeader(4, 3, 24), Bytes(35, 0), 4, 3));  // short data: refused
  Bytes out(3);
  EXPECT_EQ(ConvertDibRowsRgb(nullptr, 40, px.data(), px.size(), out.data()), 0);
  EXPECT_EQ(ConvertDibRowsRgb(InfoHeader(1, 1, 24).data(), 40, px.data(), px.size(), nullptr), 0);
}

TEST(DibRgbRows, WholeCorpusAsLaidOut) {
  int compared = 0;
  for (const CorpusFile& file : CorpusFiles()) {
    const Bytes content = ReadFileBytes(file.path);
    DibConversionInput input;
    if (LayOutDibFile(content.data(), content.size(), &input) != DibLayoutResult::Ok) continue;
    std::size_t bytes = 0;
    if (!Dib24SectionBytes(input.width, input.height, &bytes) || bytes > (64u << 20)) continue;
    EXPECT_TRUE(SameAsSection(input.info, input.infoLength, input.bits, input.bitsLength,
                              input.width, input.height))
        << file.name;
    ++compared;
  }
  EXPECT_GT(compared, 40);
}

}  // namespace
