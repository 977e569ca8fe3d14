// ResizeViewport, SetupGl and RenderFrame, read back from a real GL context.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "app/play.h"
#include "cube/cube_state.h"
#include "gl_test_context.h"
#include "render/gl.h"
#include "render/gl_scene.h"
#include "render_support.h"

namespace {

constexpr int kSize = 400;
constexpr double kPi = 3.14159265358979323846;

// One plain colour per side (front, top, left, bottom, back, right).
const Rgb kSide[6] = {{20, 200, 40}, {230, 230, 230}, {250, 120, 10},
                      {240, 220, 0}, {10, 60, 200},   {200, 20, 30}};
const Rgb kBackdrop = {90, 40, 140}, kInner = {60, 60, 60}, kBlack = {0, 0, 0};

struct Point {
  int x, y;
};

// Window coordinates of a point under `modelview` and the current projection.
Point Project(const double modelview[16], double x, double y, double z) {
  GLdouble projection[16], wx = 0, wy = 0, wz = 0;
  GLint viewport[4];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
  return {static_cast<int>(wx), static_cast<int>(wy)};
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TearDown();
    ASSERT_TRUE(gl.ok());
    const int sideFile[6] = {1, 2, 3, 4, 5, 7};
    for (int s = 0; s < 6; ++s) WriteSolidBmp(dir.DataFile(sideFile[s]), kSide[s]);
    WriteSolidBmp(dir.DataFile(6), kBackdrop);
    WriteSolidBmp(dir.DataFile(8), kInner);
    ResizeViewport(kSize, kSize);
    ASSERT_TRUE(SetupGl());
  }
  void TearDown() override {
    ResetCubeState();
    ResetPlay();
  }

  // Draws a frame, keeps the camera matrix it left and reads the pixels back.
  void Render() {
    EXPECT_TRUE(RenderFrame());
    glGetDoublev(GL_MODELVIEW_MATRIX, camera);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  }
  Rgb At(Point p) const {
    if (p.x < 0 || p.y < 0 || p.x >= kSize || p.y >= kSize) return {-1, -1, -1};
    const std::size_t i = static_cast<std::size_t>(p.y * kSize + p.x) * 3;
    return {pixels[i], pixels[i + 1], pixels[i + 2]};
  }
  Rgb At(double x, double y, double z) const { return At(Project(camera, x, y, z)); }

  TempWorkDir dir;
  GlTestContext gl{kSize, kSize};
  double camera[16] = {};
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(kSize * kSize * 3);
};

TEST_F(SceneTest, StartViewShowsTheFrontStickersOnTheBackdrop) {
  Render();
  // The puzzle's centre 1.5 right, 1.5 up and 15 ahead, unrotated.
  const double expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1.5, 1.5, -15, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(camera[i], expected[i], 1e-6) << i;
  for (int y = -1; y <= 1; ++y)
    for (int x = -1; x <= 1; ++x) EXPECT_TRUE(ColourNear(At(x, y, 1.5), kSide[0])) << x << "," << y;

  // The backdrop square (20 wide, 27 ahead under a 45-degree view) spans
  // pixels 21..378 either way, with the black clear colour around it.
  const Point inside[] = {{25, 200}, {374, 200}, {200, 25}, {200, 374}};
  const Point outside[] = {{17, 200}, {383, 200}, {200, 17}, {200, 383}, {0, 0}, {399, 399}};
  for (Point p : inside) EXPECT_TRUE(ColourNear(At(p), kBackdrop)) << p.x << "," << p.y;
  for (Point p : outside) EXPECT_TRUE(ColourNear(At(p), kBlack, 2)) << p.x << "," << p.y;
}

TEST_F(SceneTest, SlabHalfWayThroughATurnShowsInnerFaces) {
  for (int k = 0; k < kCubieCount; ++k)
    if (CubieHome[k][2] == 1) Play.TurnRateZ[k] = 45.0f;
  Render();
  // Past the turned front slab's corners the middle slab's front faces show.
  for (int sx : {-1, 1})
    for (int sy : {-1, 1}) EXPECT_TRUE(ColourNear(At(1.3 * sx, 1.3 * sy, 0.5), kInner)) << sx << "," << sy;
  // The front stickers at their turned centres.
  const double c = std::cos(kPi / 4), s = std::sin(kPi / 4);
  for (const auto& h : {std::array<double, 2>{0, 0}, {1, 0}, {1, 1}, {-1, 0}})
    EXPECT_TRUE(ColourNear(At(h[0] * c - h[1] * s, h[0] * s + h[1] * c, 1.5), kSide[0]));
}

TEST_F(SceneTest, TurnedViewShowsOtherSidesInTheirColours) {
  View.ViewSpeedX = 25.0f;
  View.ViewSpeedY = 30.0f;
  Render();
  EXPECT_EQ(View.ViewAngleX, 25.0f);
  EXPECT_EQ(View.ViewAngleY, 30.0f);
  // Tilt about X applied after the spin about Y.
  const double ax = 25 * kPi / 180, ay = 30 * kPi / 180;
  const double column[6] = {std::cos(ay), std::sin(ax) * std::sin(ay), -std::cos(ax) * std::sin(ay),
                            0, 0, std::cos(ax)};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(camera[i], column[i], 1e-6) << i;
  // The sticker centres of the front (+z), top (+y) and left (-x) sides.
  for (int u = -1; u <= 1; ++u)
    for (int v = -1; v <= 1; ++v) {
      EXPECT_TRUE(ColourNear(At(u, v, 1.5), kSide[0])) << u << "," << v;
      EXPECT_TRUE(ColourNear(At(u, 1.5, v), kSide[1])) << u << "," << v;
      EXPECT_TRUE(ColourNear(At(-1.5, u, v), kSide[2])) << u << "," << v;
    }
}

TEST(ResizeViewportTest, ZeroHeightCountsAsOne) {
  GlTestContext gl(64, 64);
  ASSERT_TRUE(gl.ok());
  ResizeViewport(640, 0);
  GLint viewport[4];
  GLdouble projection[16];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  EXPECT_EQ(viewport[3], 1);
  EXPECT_NEAR(projection[0], 1.0 / std::tan(22.5 * kPi / 180.0) / 640, 1e-7);
}

}  // namespace
