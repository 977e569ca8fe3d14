// The loader over the generated corpus: every file's outcome as MANIFEST.tsv
// gives it (decoded size, or exactly one box with that text), and the decoded
// pixels of the plain files against the generator's own picture formulas.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "image/dib_loader.h"
#include "null_platform.h"

namespace {

// The colour the generator gives pixel (x, y): a table entry for indexed
// files (index (3x + 5y + 1) mod 2^bpp), else a formula; red, green, blue.
void GeneratedColour(int bpp, int x, int y, int rgb[3]) {
  if (bpp <= 8) {
    const int i = (3 * x + 5 * y + 1) % (1 << bpp);
    rgb[0] = (255 - i * 37) & 255, rgb[1] = (i * 91 + 7) & 255, rgb[2] = (i * 53 + 20) & 255;
  } else {
    rgb[0] = (x * 40 + y * 7) & 255, rgb[1] = (y * 60 + x * 3) & 255, rgb[2] = ((x ^ y) * 23 + 9) & 255;
  }
}

// Plain files are rgbN-wWxH[-topdown|-packed].bmp and coreN-..., N of 1-8 or 24.
bool PlainFile(const std::string& name, int* bpp, bool* topDown) {
  int w = 0, h = 0, used = 0;
  char rest[32] = "";
  if (std::sscanf(name.c_str(), "%*[a-z]%d-w%dx%d%n%31s", bpp, &w, &h, &used, rest) < 3) return false;
  const std::string kind = name.substr(0, name.find_first_of("0123456789"));
  *topDown = std::string(rest) == "-topdown.bmp";
  return (kind == "rgb" || kind == "core") && (*bpp <= 8 || *bpp == 24) &&
         (*topDown || std::string(rest) == ".bmp" || std::string(rest) == "-packed.bmp");
}

TEST(Loader, EveryCorpusFileHasTheOutcomeOfItsManifestLine) {
  std::ifstream manifest("corpus/MANIFEST.tsv");
  ASSERT_TRUE(manifest) << "corpus/MANIFEST.tsv (the voxra_bmp_corpus target writes it)";
  int files = 0, plain = 0;
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
      // Where the generator drew the picture by its own rules, the pixels'
      // 32-bit FNV-1a digest.
      std::uint32_t fnv = 0x811C9DC5;
      for (int k = 0; k < 3 * w * h; ++k) fnv = (fnv ^ image->pixels[k]) * 0x01000193;
      if (fields == 3) {
        EXPECT_EQ(fnv, digest);
      }
      int bpp = 0;
      bool topDown = false;
      const bool known = PlainFile(name, &bpp, &topDown);
      plain += known;
      for (int y = 0; known && y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          int rgb[3];
          GeneratedColour(bpp, x, topDown ? h - 1 - y : y, rgb);
          const std::uint8_t* p = image->pixels + 3 * (y * w + x);
          ASSERT_EQ(p[0] * 65536 + p[1] * 256 + p[2], rgb[0] * 65536 + rgb[1] * 256 + rgb[2])
              << "pixel " << x << "," << y << " (bottom row 0)";
        }
      }
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
  EXPECT_GT(plain, 20);
}

}  // namespace
