// Windows only: the portable converter against GDI (the Win32 layer's
// ConvertDibToRgb, under Wine here) on every file of the generated corpus.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/dib_rows.h"

// Run-length streams that stop before their last row: Wine's GDI and the
// converter leave the unreached pixels differently, and neither is a picture
// a file should rely on. Both still accept or refuse them alike.
const char* const kUnreachedPixels[] = {"rle4-w5x2-no-end-of-bitmap.bmp",
                                        "rle8-w8x3-no-end-of-bitmap.bmp",
                                        "rle8-w5x2-cut-absolute.bmp"};

bool PixelsUnreached(const std::string& name) {
  for (const char* n : kUnreachedPixels)
    if (name == n) return true;
  return false;
}

TEST(Converter, MatchesGdiOnTheCorpus) {
  std::ifstream manifest("corpus/MANIFEST.tsv");
  ASSERT_TRUE(manifest);
  int compared = 0;
  for (std::string line; std::getline(manifest, line);) {
    const std::string name = line.substr(0, line.find('\t'));
    std::ifstream in("corpus/" + name, std::ios::binary);
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    DibDescription dib;
    if (file.empty() || DescribeDibFile(file.data(), file.size(), &dib) != DibLayoutResult::Ok) continue;
    SCOPED_TRACE(name);
    const std::size_t bytes = 3 * std::size_t(dib.width) * dib.Rows();
    std::vector<std::uint8_t> portable(bytes, 1), gdi(bytes, 2);
    const bool portableOk = ConvertDibRows(dib, portable.data()) != 0;
    const bool gdiOk = ConvertDibToRgb(dib, gdi.data()) == DibConvertResult::Ok;
    EXPECT_EQ(portableOk, gdiOk);
    if (portableOk && gdiOk && !PixelsUnreached(name)) {
      EXPECT_TRUE(portable == gdi);
    }
    ++compared;
  }
  EXPECT_GT(compared, 80);
}
