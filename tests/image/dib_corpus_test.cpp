// LoadDibImage over the whole BMP corpus, with this build's conversion.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>

#include "dib_corpus.h"
#include "image/dib_loader.h"
#include "message_recorder.h"

namespace {

struct LoadOutcome {
  bool loaded = false;
  std::int32_t width = 0;
  std::int32_t height = 0;
  Bytes pixels;
  std::size_t messages = 0;
};

LoadOutcome LoadAndRecord(const std::string& path) {
  RecordedMessages.clear();
  LoadOutcome out;
  DibImage* image = LoadDibImage(path.c_str());
  out.messages = RecordedMessages.size();
  if (image != nullptr) {
    out.loaded = true;
    out.width = image->width;
    out.height = image->height;
    out.pixels.assign(image->pixels, image->pixels + 3 * static_cast<std::size_t>(image->width) *
                                                         static_cast<std::size_t>(image->height));
    FreeDibImage(image);
  }
  return out;
}

TEST(DibCorpus, EveryFileLoadsOrIsRefusedWithOneMessage) {
  const std::vector<CorpusFile> files = CorpusFiles();
  ASSERT_EQ(files.size(), 89u) << "corpus at " << VOXRA_BMPSUITE_DIR;
  int decoded = 0;
  int refused = 0;
  int packedCompared = 0;
  int packedSame = 0;
  std::set<std::string> loaded;
  for (const CorpusFile& file : files) {
    SCOPED_TRACE(file.name);
    const LoadOutcome out = LoadAndRecord(file.path);
    if (!out.loaded) {
      ++refused;
      EXPECT_EQ(out.messages, 1u);
      if (!RecordedMessages.empty()) {
        EXPECT_EQ(RecordedMessages[0].caption, "Error");
        std::printf("refused  %-26s %s\n", file.name.c_str(), RecordedMessages[0].text.c_str());
      }
      continue;
    }
    ++decoded;
    loaded.insert(file.name);
    EXPECT_EQ(out.messages, 0u);
    EXPECT_GT(out.width, 0);
    EXPECT_GT(out.height, 0);

    // Without its file header the same picture comes out.
    const Bytes packed = StripFileHeader(ReadFileBytes(file.path));
    if (packed.empty()) continue;
    const LoadOutcome again = LoadAndRecord(WriteScratch("packed.dib", packed));
    ASSERT_TRUE(again.loaded);
    EXPECT_EQ(again.width, out.width);
    EXPECT_EQ(again.height, out.height);
    EXPECT_TRUE(again.pixels == out.pixels);
    ++packedCompared;
    packedSame += again.pixels == out.pixels ? 1 : 0;
  }
  std::printf("corpus: %d decoded, %d refused; without the file header %d of %d identical\n",
              decoded, refused, packedSame, packedCompared);

  // Good files with a 12- or 40-byte header and a format GDI converts.
  for (const char* good : {"g/pal1.bmp", "g/pal1bg.bmp", "g/pal1wb.bmp", "g/pal4.bmp",
                           "g/pal4gs.bmp", "g/pal4rle.bmp", "g/pal8-0.bmp", "g/pal8.bmp",
                           "g/pal8gs.bmp", "g/pal8nonsquare.bmp", "g/pal8os2.bmp",
                           "g/pal8rle.bmp", "g/pal8topdown.bmp", "g/pal8w124.bmp",
                           "g/pal8w125.bmp", "g/pal8w126.bmp", "g/rgb16-565.bmp",
                           "g/rgb16-565pal.bmp", "g/rgb16.bmp", "g/rgb16bfdef.bmp", "g/rgb24.bmp",
                           "g/rgb24pal.bmp", "g/rgb32.bmp", "g/rgb32bf.bmp", "g/rgb32bfdef.bmp"}) {
    EXPECT_EQ(loaded.count(good), 1u) << good;
  }
  // Files whose sizes, tables or data cannot be right. (An image size that is
  // wrong for uncompressed rows, or many planes, does not stop GDI.)
  for (const char* bad : {"b/badbitcount.bmp", "b/badheadersize.bmp",
                          "b/badpalettesize.bmp", "b/badwidth.bmp",
                          "b/reallybig.bmp", "b/rletopdown.bmp", "b/shortfile.bmp",
                          "x/ba-bm.bmp"}) {
    EXPECT_EQ(loaded.count(bad), 0u) << bad;
  }
}

TEST(DibCorpus, TopDownFileMatchesItsBottomUpTwin) {
  const std::string dir = VOXRA_BMPSUITE_DIR;
  const LoadOutcome up = LoadAndRecord(dir + "/g/pal8.bmp");
  const LoadOutcome down = LoadAndRecord(dir + "/g/pal8topdown.bmp");
  ASSERT_TRUE(up.loaded && down.loaded);
  EXPECT_EQ(down.height, up.height);
  EXPECT_TRUE(down.pixels == up.pixels);
}

TEST(DibCorpus, EncodingsOfOnePictureAgree) {
  // The suite draws the same picture in many encodings; the 8-bit ones with
  // their run-length and core-header twins give the same pixels.
  const std::string dir = VOXRA_BMPSUITE_DIR;
  const LoadOutcome pal8 = LoadAndRecord(dir + "/g/pal8.bmp");
  ASSERT_TRUE(pal8.loaded);
  for (const char* twin : {"/g/pal8rle.bmp", "/g/pal8os2.bmp", "/g/pal8-0.bmp"}) {
    const LoadOutcome other = LoadAndRecord(dir + twin);
    ASSERT_TRUE(other.loaded) << twin;
    EXPECT_TRUE(other.pixels == pal8.pixels) << twin;
  }
  const LoadOutcome rgb24 = LoadAndRecord(dir + "/g/rgb24.bmp");
  const LoadOutcome rgb32 = LoadAndRecord(dir + "/g/rgb32.bmp");
  const LoadOutcome rgb32bf = LoadAndRecord(dir + "/g/rgb32bf.bmp");
  ASSERT_TRUE(rgb24.loaded && rgb32.loaded && rgb32bf.loaded);
  EXPECT_TRUE(rgb32.pixels == rgb24.pixels);
  EXPECT_TRUE(rgb32bf.pixels == rgb24.pixels);
}

}  // namespace
