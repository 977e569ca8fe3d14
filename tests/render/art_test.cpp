// The data files the build draws into Data/ beside the tests' working folder:
// what the loader makes of them, and the solved cube drawn with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

#include "app/play.h"
#include "cube/cube_state.h"
#include "gl_test_context.h"
#include "image/dib_loader.h"
#include "render/gl.h"
#include "render/gl_scene.h"
#include "render_support.h"

namespace {

std::string DataPath(int n) { return "Data/Data" + std::to_string(n) + ".dll"; }

// The conventional sticker colours; a pixel is named after the nearest one.
enum Side { Green, White, Orange, Yellow, Blue, Red };
const Rgb kScheme[6] = {{0, 155, 72},  {255, 255, 255}, {255, 88, 0},
                        {255, 213, 0}, {0, 70, 173},    {183, 18, 52}};
const char* const kSideName[6] = {"green", "white", "orange", "yellow", "blue", "red"};

int Nearest(const Rgb& c) {
  int best = 0;
  long bestDistance = -1;
  for (int s = 0; s < 6; ++s) {
    long d = 0;
    for (int i = 0; i < 3; ++i) d += static_cast<long>(c[i] - kScheme[s][i]) * (c[i] - kScheme[s][i]);
    if (bestDistance < 0 || d < bestDistance) {
      best = s;
      bestDistance = d;
    }
  }
  return best;
}

// The sticker colour of each side, by the slot it fills (0 front .. 5 right).
const Side kSlotSide[6] = {Green, White, Orange, Yellow, Blue, Red};
const int kSlotFile[6] = {1, 2, 3, 4, 5, 7};

Rgb PixelOf(const DibImage& image, int x, int y) {
  const std::uint8_t* p = image.pixels + (static_cast<std::size_t>(y) * image.width + x) * 3;
  return {p[0], p[1], p[2]};
}

bool PowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

struct ImageDeleter {
  void operator()(DibImage* image) const { FreeDibImage(image); }
};
using ImagePtr = std::unique_ptr<DibImage, ImageDeleter>;

ImagePtr Load(int n) {
  RecordedMessages.clear();
  ImagePtr image(LoadDibImage(DataPath(n).c_str()));
  EXPECT_TRUE(RecordedMessages.empty()) << DataPath(n) << ": " << RecordedMessages[0].text;
  return image;
}

TEST(ArtTest, StickersAreRoundedSquaresOfTheConventionalColoursOnBlack) {
  for (int slot = 0; slot < 6; ++slot) {
    SCOPED_TRACE(DataPath(kSlotFile[slot]));
    ImagePtr image = Load(kSlotFile[slot]);
    ASSERT_TRUE(image);
    const int w = image->width, h = image->height;
    EXPECT_TRUE(PowerOfTwo(w) && PowerOfTwo(h)) << w << "x" << h;
    ASSERT_GE(w, 16);
    ASSERT_EQ(w, h);

    EXPECT_EQ(Nearest(PixelOf(*image, w / 2, h / 2)), kSlotSide[slot])
        << kSideName[kSlotSide[slot]] << " expected, centre is "
        << ToString(PixelOf(*image, w / 2, h / 2));
    // A black border all round.
    for (const auto& at : {std::array<int, 2>{0, 0}, {w / 2, 0}, {w - 1, h / 2}, {w / 2, h - 1}}) {
      const Rgb c = PixelOf(*image, at[0], at[1]);
      EXPECT_LT(std::max({c[0], c[1], c[2]}), 40) << at[0] << "," << at[1] << " " << ToString(c);
    }
    // Rounded corners: walking in along the diagonal, the sticker starts later
    // than it does walking in along the middle row.
    auto firstLit = [&](bool diagonal) {
      for (int i = 0; i < w / 2; ++i) {
        const Rgb c = PixelOf(*image, i, diagonal ? i : h / 2);
        if (std::max({c[0], c[1], c[2]}) > 100) return i;
      }
      return w;
    };
    const int edge = firstLit(false);
    EXPECT_GE(edge, 2);
    EXPECT_GT(firstLit(true), edge + 1);
    EXPECT_EQ(Nearest(PixelOf(*image, w / 2, edge + 1)), kSlotSide[slot]);

    // The same under a quarter turn and a mirror, so a face shows the same
    // sticker however its texture happens to be oriented.
    int asymmetric = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const Rgb c = PixelOf(*image, x, y);
        if (!Near(c, PixelOf(*image, y, x), 2) || !Near(c, PixelOf(*image, w - 1 - x, y), 2)) {
          ++asymmetric;
        }
      }
    }
    EXPECT_EQ(asymmetric, 0);
  }
}

TEST(ArtTest, InnerFacesAndBackdropAreDarkAndQuiet) {
  ImagePtr inner = Load(8);
  ASSERT_TRUE(inner);
  EXPECT_TRUE(PowerOfTwo(inner->width) && PowerOfTwo(inner->height));
  for (int y = 0; y < inner->height; ++y) {
    for (int x = 0; x < inner->width; ++x) {
      const Rgb c = PixelOf(*inner, x, y);
      ASSERT_LT(std::max({c[0], c[1], c[2]}), 64) << x << "," << y;
    }
  }

  ImagePtr backdrop = Load(6);
  ASSERT_TRUE(backdrop);
  const int w = backdrop->width, h = backdrop->height;
  EXPECT_TRUE(PowerOfTwo(w) && PowerOfTwo(h));
  int brightest = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Rgb c = PixelOf(*backdrop, x, y);
      brightest = std::max({brightest, c[0], c[1], c[2]});
    }
  }
  EXPECT_LT(brightest, 110);  // nothing to compete with the stickers
  const Rgb centre = PixelOf(*backdrop, w / 2, h / 2);
  const Rgb corner = PixelOf(*backdrop, 0, 0);
  EXPECT_GT(centre[2], corner[2] + 20);  // a glow behind the cube
}

// The loader's encodings are all in use: plain 24-bit, 8-bit and 4-bit colour
// tables, run-length coding, the old core header, and files without the
// 14-byte file header.
TEST(ArtTest, FilesUseSeveralEncodings) {
  std::set<std::tuple<int, int, int>> kinds;  // header size, bits, compression
  int packed = 0;
  for (int n = 1; n <= 8; ++n) {
    std::FILE* f = std::fopen(DataPath(n).c_str(), "rb");
    ASSERT_NE(f, nullptr) << DataPath(n);
    unsigned char b[64] = {};
    const std::size_t got = std::fread(b, 1, sizeof b, f);
    std::fclose(f);
    ASSERT_EQ(got, sizeof b);
    const unsigned char* h = b;
    if (b[0] == 'B' && b[1] == 'M') {
      h += 14;
    } else {
      ++packed;
    }
    const int size = h[0] | h[1] << 8;
    const int bits = size == 12 ? (h[10] | h[11] << 8) : (h[14] | h[15] << 8);
    const int compression = size == 12 ? 0 : h[16];
    kinds.insert({size, bits, compression});
  }
  EXPECT_GE(packed, 1);
  EXPECT_TRUE(kinds.count({40, 24, 0}));
  EXPECT_TRUE(kinds.count({40, 8, 0}));
  EXPECT_TRUE(kinds.count({40, 8, 1}));
  EXPECT_TRUE(kinds.count({40, 4, 0}));
  EXPECT_TRUE(kinds.count({12, 8, 0}));
}

TEST(ArtTest, SolvedCubeShowsItsSidesInTheirColours) {
  constexpr int kSize = 400;
  ResetCubeState();
  Play = PlayState{};
  View = ViewState{};
  GlTestContext gl(kSize, kSize);
  ASSERT_TRUE(gl.ok());
  ResizeViewport(kSize, kSize);
  RecordedMessages.clear();
  ASSERT_TRUE(SetupGl());
  EXPECT_TRUE(RecordedMessages.empty());

  View.ViewAngleX = 25.0f;
  View.ViewAngleY = 30.0f;
  ASSERT_TRUE(RenderFrame());
  double camera[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, camera);
  const Frame frame = Frame::Read(kSize, kSize);

  // Sticker centres of the front (+Z), top (+Y) and left (-X) sides.
  for (int u = -1; u <= 1; ++u) {
    for (int v = -1; v <= 1; ++v) {
      const struct {
        double x, y, z;
        Side side;
      } faces[] = {{1.0 * u, 1.0 * v, 1.5, Green}, {1.0 * u, 1.5, 1.0 * v, White},
                   {-1.5, 1.0 * u, 1.0 * v, Orange}};
      for (const auto& f : faces) {
        const WindowPoint p = Project(camera, f.x, f.y, f.z);
        EXPECT_EQ(Nearest(frame.At(p.x, p.y)), f.side)
            << kSideName[f.side] << " expected at " << f.x << "," << f.y << "," << f.z << ": "
            << ToString(frame.At(p.x, p.y));
      }
    }
  }
  // The corner of the window lies outside the backdrop.
  EXPECT_PRED3(Near, frame.At(2, 2), (Rgb{0, 0, 0}), 2);
  ResetCubeState();
  View = ViewState{};
}

}  // namespace
