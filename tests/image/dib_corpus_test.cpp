// LoadDibImage over the public BMP corpus with this build's conversion.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "dib_test_support.h"
#include "image/dib_convert.h"

namespace {

// The packed DIB of a decoded file: its header and table, then its pixels.
Bytes StripFileHeader(const Bytes& file) {
  if (file[0] != 'B' || file[1] != 'M') return {};
  const std::uint8_t* header = &file[14];
  const std::size_t n = DibHeaderColorCount(header);
  const bool core = DibRead32(header) == 12, fields = !core && DibRead32(header + 16) == DibBitfields;
  const std::size_t headEnd = 14 + (core ? 12 + 3 * n : 40 + 4 * n + (fields ? 12 : 0));
  const std::size_t offset = DibRead32(&file[10]);
  if (offset < headEnd) return {};  // pixels overlapping the table
  Bytes packed(file.begin() + 14, file.begin() + std::ptrdiff_t(headEnd));
  packed.insert(packed.end(), file.begin() + std::ptrdiff_t(offset), file.end());
  return packed;
}

TEST(DibCorpus, EveryFileDecodesOrIsRefusedWithOneMessage) {
  const auto files = CorpusFiles();
  ASSERT_EQ(files.size(), 89u) << "corpus at " << VOXRA_BMPSUITE_DIR;
  const std::set<std::string> refusals = {"Out of memory.", "Unknown DIB file format.",
                                          "Image file conversion error."};
  std::map<std::string, Loaded> decoded;
  int refused = 0, packedSame = 0, packedCompared = 0;
  for (const auto& [name, path] : files) {
    SCOPED_TRACE(name);
    const Bytes bytes = ReadFileBytes(path);
    DibConversionInput in;  // the portable converter checks itself on every file it takes
    if (LayOutDibFile(bytes.data(), bytes.size(), &in) == DibLayoutResult::Ok) {
      ConvertBoth({in.info, in.info + in.infoLength}, {in.bits, in.bits + in.bitsLength});
    }
    const Loaded out = Load(path);
    if (!out.ok) {
      ++refused;
      ASSERT_EQ(Messages.size(), 1u);
      EXPECT_EQ(refusals.count(Messages[0]), 1u) << Messages[0];
      std::printf("refused  %-26s %s\n", name.c_str(), Messages[0].c_str());
      continue;
    }
    EXPECT_TRUE(Messages.empty());
    EXPECT_TRUE(out.width > 0 && out.height > 0);
    decoded[name] = out;
    // Without its file header the same picture comes out.
    const Bytes packed = StripFileHeader(bytes);
    if (packed.empty()) continue;
    const Loaded again = Load(WriteScratch("packed.dib", packed));
    ++packedCompared;
    packedSame += again.ok && again.width == out.width && again.height == out.height &&
                  again.pixels == out.pixels;
  }
  std::printf("corpus: %d decoded, %d refused; without the file header %d of %d identical\n",
              int(decoded.size()), refused, packedSame, packedCompared);
  EXPECT_EQ(packedSame, packedCompared);
  EXPECT_GE(packedCompared, 50);

  // Good files with 12- or 40-byte headers in every format GDI converts...
  for (const char* good : {"pal1", "pal1bg", "pal1wb", "pal4", "pal4gs", "pal4rle", "pal8-0", "pal8",
                           "pal8gs", "pal8nonsquare", "pal8os2", "pal8rle", "pal8topdown", "pal8w124",
                           "pal8w125", "pal8w126", "rgb16-565", "rgb16-565pal", "rgb16", "rgb16bfdef",
                           "rgb24", "rgb24pal", "rgb32", "rgb32bf", "rgb32bfdef"}) {
    EXPECT_EQ(decoded.count("g/" + std::string(good) + ".bmp"), 1u) << good;
  }
  // ...and files whose sizes, tables or data cannot be right.
  for (const char* bad : {"b/badbitcount", "b/badheadersize", "b/badpalettesize", "b/badwidth",
                          "b/reallybig", "b/rletopdown", "b/shortfile", "x/ba-bm"}) {
    EXPECT_EQ(decoded.count(bad + std::string(".bmp")), 0u) << bad;
  }
  // A top-down file comes back as its bottom-up twin.
  EXPECT_TRUE(decoded["g/pal8topdown.bmp"].pixels == decoded["g/pal8.bmp"].pixels);
}

}  // namespace
