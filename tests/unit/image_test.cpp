// The loader over the generated corpus: every file's outcome as MANIFEST.tsv
// gives it (decoded size, or the text of its one message) and, where the
// generator drew the picture by its own rules, a digest of the pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/dib_loader.h"

namespace {

TEST(Loader, EveryCorpusFileHasTheOutcomeOfItsManifestLine) {
  std::ifstream manifest("corpus/MANIFEST.tsv");
  ASSERT_TRUE(manifest) << "corpus/MANIFEST.tsv (the voxra_bmp_corpus target writes it)";
  int files = 0, drawn = 0;
  for (std::string line; std::getline(manifest, line); ++files) {
    const std::string name = line.substr(0, line.find('\t')), outcome = line.substr(name.size() + 1);
    SCOPED_TRACE(name + ": " + outcome);
    std::ifstream in("corpus/" + name, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.empty()) {  // a file of length 0 cannot be mapped: the open fails
      EXPECT_EQ(outcome, "Failed to open DIB file");
      continue;
    }
    const char* failure = nullptr;
    DibImage* image = DecodeDibImage(bytes.data(), bytes.size(), &failure);
    int w = 0, h = 0;
    unsigned digest = 0;
    const int fields = std::sscanf(outcome.c_str(), "decoded %dx%d %x", &w, &h, &digest);
    if (fields >= 2) {
      ASSERT_NE(image, nullptr) << failure;
      EXPECT_EQ(failure, nullptr);
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
      ASSERT_NE(failure, nullptr);
      EXPECT_EQ(failure, outcome);
    }
  }
  EXPECT_GT(files, 100);
  EXPECT_GT(drawn, 60);
}

}  // namespace
