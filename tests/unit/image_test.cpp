// The loader over the generated corpus: every file's outcome as MANIFEST.tsv
// gives it (decoded size, or exactly one box with that text) and, where the
// generator drew the picture by its own rules, a digest of the pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "image/dib_loader.h"
#include "null_platform.h"

namespace {

TEST(Loader, EveryCorpusFileHasTheOutcomeOfItsManifestLine) {
  std::ifstream manifest("corpus/MANIFEST.tsv");
  ASSERT_TRUE(manifest) << "corpus/MANIFEST.tsv (the voxra_bmp_corpus target writes it)";
  int files = 0, drawn = 0;
  for (std::string line; std::getline(manifest, line); ++files) {
    const std::string name = line.substr(0, line.find('\t')), outcome = line.substr(name.size() + 1);
    SCOPED_TRACE(name + ": " + outcome);
    ResetNullPlatform();
    DibImage* image = LoadDibImage(("corpus/" + name).c_str());
    int w = 0, h = 0;
    unsigned digest = 0;
    const int fields = std::sscanf(outcome.c_str(), "decoded %dx%d %x", &w, &h, &digest);
    if (fields >= 2) {
      ASSERT_NE(image, nullptr) << (NullPlatform.boxes.empty() ? "" : NullPlatform.boxes[0].text);
      EXPECT_TRUE(NullPlatform.boxes.empty());
      EXPECT_EQ(image->width * 100000 + image->height, w * 100000 + h);
      std::uint32_t fnv = 0x811C9DC5;  // 32-bit FNV-1a
      for (int k = 0; k < 3 * w * h; ++k) fnv = (fnv ^ image->pixels[k]) * 0x01000193;
      if (fields == 3) {
        EXPECT_EQ(fnv, digest);
      }
      drawn += fields == 3;
      FreeDibImage(image);
    } else {
      EXPECT_EQ(image, nullptr);
      ASSERT_EQ(NullPlatform.boxes.size(), 1u);
      const std::string& text = NullPlatform.boxes[0].text;
      EXPECT_EQ(text.substr(0, outcome.size()), outcome);
      if (outcome != "Failed to open DIB file") {
        EXPECT_EQ(text, outcome);
      }
      EXPECT_EQ(NullPlatform.boxes[0].caption, "Error");
    }
  }
  EXPECT_GT(files, 100);
  EXPECT_GT(drawn, 60);
}

}  // namespace
