// Windows only: GDI's conversion (under Wine here) and the portable converter
// side by side on every corpus file, pixel for pixel.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "dib_corpus.h"
#include "image/dib_convert.h"
#include "platform/platform.h"

namespace {

// Why a file is left out of the comparison: cases where Wine is known to
// depart from Windows, or Windows' result is undefined. Empty: compare it.
std::string DepartureReason(const DibConversionInput& in) {
  const std::uint8_t* info = in.info;
  const std::uint32_t compression = DibRead32(info + 16);
  if (compression == DibBitfields) {
    // Contiguous, separate channels of 5 to 8 bits are widened alike; any
    // mask 0 is refused by both, which is compared too.
    std::uint32_t seen = 0;
    bool alike = true;
    bool zero = false;
    for (int i = 0; i < 3; ++i) {
      const std::uint32_t mask = DibRead32(info + 40 + 4 * i);
      zero = zero || mask == 0;
      if (mask == 0) continue;
      const std::uint32_t low = mask & (0u - mask);
      const bool contiguous = ((mask + low) & mask) == 0;
      const int length = __builtin_popcount(mask);
      alike = alike && contiguous && length >= 5 && length <= 8 && (seen & mask) == 0;
      seen |= mask;
    }
    if (!alike && !zero) {
      return "channels of 1-4 or over 8 bits, or split or overlapping masks: Windows "
             "widens these differently from Wine";
    }
  }
  if (compression != DibRle8 && compression != DibRle4) return "";
  const std::int32_t height = static_cast<std::int32_t>(DibRead32(info + 8));
  const std::uint32_t imageSize = DibRead32(info + 20);
  if (height <= 0 || imageSize == 0) return "";  // refused by both
  // Walk the stream as the converter does, looking for what is undefined.
  const bool rle4 = compression == DibRle4;
  const std::size_t width = static_cast<std::size_t>(DibRead32(info + 4));
  const std::size_t rows = static_cast<std::size_t>(height);
  const std::size_t limit = imageSize < in.bitsLength ? imageSize : in.bitsLength;
  std::size_t x = 0;
  std::size_t y = 0;
  std::size_t p = 0;
  while (p + 2 <= limit) {
    const unsigned count = in.bits[p];
    const unsigned code = in.bits[p + 1];
    p += 2;
    if (count != 0) {
      x += count;
    } else if (code == 0) {
      x = 0;
      ++y;
    } else if (code == 1) {
      return y < rows ? "" : "rows past the top before the end of the bitmap";
    } else if (code == 2) {
      if (p + 2 > limit) break;
      x += in.bits[p];
      y += in.bits[p + 1];
      p += 2;
      if (x > width || y >= rows) return "a delta past the right edge or the top row";
    } else {
      const std::size_t bytes = rle4 ? (code + 1) / 2 : code;
      if (p + bytes > limit) break;
      if (x + code > width) return "an absolute run past the right edge";
      x += code;
      p += (bytes + 1) & ~static_cast<std::size_t>(1);
    }
  }
  return "a run-length stream without its end-of-bitmap code: Wine drops the last pixels";
}

TEST(DibGdiCompare, PortableConverterMatchesGdiOnTheCorpus) {
  const std::vector<CorpusFile> files = CorpusFiles();
  ASSERT_EQ(files.size(), 89u) << "corpus at " << VOXRA_BMPSUITE_DIR;
  int laidOut = 0;
  int compared = 0;
  int identical = 0;
  int leftOut = 0;
  for (const CorpusFile& file : files) {
    SCOPED_TRACE(file.name);
    const Bytes bytes = ReadFileBytes(file.path);
    DibConversionInput in;
    if (LayOutDibFile(bytes.data(), bytes.size(), &in) != DibLayoutResult::Ok) continue;
    ++laidOut;

    std::size_t sectionBytes = 0;
    ASSERT_TRUE(Dib24SectionBytes(in.width, in.height, &sectionBytes));
    Bytes portable(sectionBytes, 0);
    const std::int32_t rows =
        ConvertDibRows(in.info, in.infoLength, in.bits, in.bitsLength, portable.data());
    DibSection* section = nullptr;
    const DibConvertResult gdi =
        ConvertDibTo24(in.info, in.infoLength, in.bits, in.bitsLength, &section);

    bool same = (rows != 0) == (gdi == DibConvertResult::Ok);
    std::size_t firstDifferentRow = 0;
    if (same && rows != 0) {
      // Pixel bytes only; the fill bytes of a row are not compared.
      const std::size_t stride = Dib24Stride(in.width);
      const std::size_t rowBytes = 3 * static_cast<std::size_t>(in.width);
      const std::uint8_t* g = DibSectionBits(section);
      for (std::size_t y = 0; y < sectionBytes / stride && same; ++y) {
        same = std::memcmp(portable.data() + y * stride, g + y * stride, rowBytes) == 0;
        firstDifferentRow = y;
      }
    }
    const std::string reason = DepartureReason(in);
    if (!reason.empty()) {
      ++leftOut;
      std::printf("left out  %-24s %s (here %s)\n", file.name.c_str(), reason.c_str(),
                  same ? "the same" : "different");
    } else {
      ++compared;
      identical += same ? 1 : 0;
      EXPECT_TRUE(same) << "portable " << rows << " rows, GDI "
                        << (gdi == DibConvertResult::Ok ? "converted" : "refused")
                        << "; first different row " << firstDifferentRow;
    }
    ReleaseDibSection(section);
  }
  std::printf("gdi: %d laid out, %d compared, %d identical, %d left out\n", laidOut, compared,
              identical, leftOut);
  EXPECT_EQ(identical, compared);
  EXPECT_GE(compared, 40);
}

}  // namespace
