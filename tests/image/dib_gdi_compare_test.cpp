// Windows only: GDI's conversion (under Wine here) and the portable converter
// side by side on every corpus file, pixel for pixel.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "dib_test_support.h"
#include "image/dib_convert.h"
#include "platform/platform.h"

namespace {

// Files where Wine's result is known to depart from Windows', or Windows'
// result is undefined: converted and shown, not required to match.
const char kRunPastEdge[] = "an absolute run past the right edge: Windows' result is undefined";
const char kDeltaPastEdge[] = "a delta past the right edge or the top row: Windows' result is undefined";
const char kOddMasks[] = "channels of 1-4 or over 8 bits, or split or overlapping masks: "
                         "Windows widens these differently from Wine";
const std::map<std::string, const char*> kLeftOut = {
    {"b/badrle.bmp", kRunPastEdge},        {"b/badrle4.bmp", kRunPastEdge},
    {"b/badrle4bis.bmp", kDeltaPastEdge},  {"b/badrle4ter.bmp", kDeltaPastEdge},
    {"b/badrlebis.bmp", kDeltaPastEdge},   {"b/badrleter.bmp", kDeltaPastEdge},
    {"q/rgb16-231.bmp", kOddMasks},        {"q/rgb16-3103.bmp", kOddMasks},
    {"q/rgb32-111110.bmp", kOddMasks},     {"q/rgb32-7187.bmp", kOddMasks},
};

TEST(DibGdiCompare, PortableConverterMatchesGdiOnTheCorpus) {
  const auto files = CorpusFiles();
  ASSERT_EQ(files.size(), 89u) << "corpus at " << VOXRA_BMPSUITE_DIR;
  int laidOut = 0, compared = 0, identical = 0;
  for (const auto& [name, path] : files) {
    SCOPED_TRACE(name);
    const Bytes bytes = ReadFileBytes(path);
    DibConversionInput in;
    if (LayOutDibFile(bytes.data(), bytes.size(), &in) != DibLayoutResult::Ok) continue;
    ++laidOut;
    std::size_t sectionBytes = 0;
    ASSERT_TRUE(Dib24SectionBytes(in.width, in.height, &sectionBytes));
    Bytes portable(sectionBytes, 0);
    const std::int32_t rows = ConvertDibRows(in.info, in.infoLength, in.bits, in.bitsLength, portable.data());
    DibSection* section = nullptr;
    const bool gdi = ConvertDibTo24(in.info, in.infoLength, in.bits, in.bitsLength, &section) ==
                     DibConvertResult::Ok;
    // Both refuse, or both convert to the same pixel bytes (fill bytes aside).
    bool same = (rows != 0) == gdi;
    const std::size_t stride = Dib24Stride(in.width), rowBytes = 3 * std::size_t(in.width);
    for (std::size_t y = 0; same && gdi && y < std::size_t(rows); ++y) {
      same = std::memcmp(&portable[y * stride], DibSectionBits(section) + y * stride, rowBytes) == 0;
    }
    ReleaseDibSection(section);
    const auto left = kLeftOut.find(name);
    if (left != kLeftOut.end()) {
      std::printf("left out  %-22s %s (here %s)\n", name.c_str(), left->second,
                  same ? "the same" : "different");
      continue;
    }
    ++compared;
    identical += same;
    EXPECT_TRUE(same) << "portable " << rows << " rows, GDI " << (gdi ? "converted" : "refused");
  }
  std::printf("gdi: %d laid out, %d compared, %d identical, %d left out\n", laidOut, compared,
              identical, laidOut - compared);
  EXPECT_GE(compared, 50);
}

}  // namespace
