// Projection, GL setup and frame drawing, read back from a real GL context.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "app/play.h"
#include "cube/cube_state.h"
#include "gl_test_context.h"
#include "render/gl.h"
#include "render/gl_scene.h"
#include "render_support.h"

namespace {

constexpr int kSize = 400;
constexpr double kPi = 3.14159265358979323846;

// Test pictures: one plain colour per slot.
const Rgb kSideColour[6] = {
    {20, 200, 40},   // 0 front
    {230, 230, 230}, // 1 top
    {250, 120, 10},  // 2 left
    {240, 220, 0},   // 3 bottom
    {10, 60, 200},   // 4 back
    {200, 20, 30},   // 5 right
};
const Rgb kBackdrop = {90, 40, 140};
const Rgb kInner = {60, 60, 60};
const Rgb kBlack = {0, 0, 0};

// Puts the cube, the play state and the view back to their start values.
void ResetWorld() {
  ResetCubeState();
  Play = PlayState{};
  View = ViewState{};
}

void GetModelview(double m[16]) { glGetDoublev(GL_MODELVIEW_MATRIX, m); }

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWorld();
    RecordedMessages.clear();
    ASSERT_TRUE(gl.ok());
    // Data1..5 and Data7 carry the six sides, Data6 the backdrop.
    const int sideFile[6] = {1, 2, 3, 4, 5, 7};
    for (int s = 0; s < 6; ++s) WriteSolidBmp(dir.DataFile(sideFile[s]), kSideColour[s]);
    WriteSolidBmp(dir.DataFile(6), kBackdrop);
    WriteSolidBmp(dir.DataFile(8), kInner);
    ResizeViewport(kSize, kSize);
    ASSERT_TRUE(SetupGl());
  }
  void TearDown() override { ResetWorld(); }

  // Draws one frame and keeps the camera matrix it left behind.
  Frame Render() {
    EXPECT_TRUE(RenderFrame());
    GetModelview(camera);
    return Frame::Read(kSize, kSize);
  }

  TempWorkDir dir;
  GlTestContext gl{kSize, kSize};
  double camera[16] = {};
};

TEST_F(SceneTest, StartViewShowsTheFrontStickersOnTheBackdrop) {
  const Frame frame = Render();

  // The puzzle's centre 1.5 right, 1.5 up and 15 ahead, unrotated.
  const double expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1.5, 1.5, -15, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(camera[i], expected[i], 1e-6) << i;

  for (int y = -1; y <= 1; ++y) {
    for (int x = -1; x <= 1; ++x) {
      const WindowPoint p = Project(camera, x, y, 1.5);
      EXPECT_PRED3(Near, frame.At(p.x, p.y), kSideColour[0], 6)
          << "sticker (" << x << ", " << y << ") at " << p.x << "," << p.y << " is "
          << ToString(frame.At(p.x, p.y));
    }
  }

  // The backdrop square, with the clear colour around it. Its edges are
  // found from the same matrices the frame used.
  double backdrop[16];
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -30.0f);
  GetModelview(backdrop);
  const WindowPoint lowerLeft = Project(backdrop, -10, -10, 3);
  const WindowPoint upperRight = Project(backdrop, 10, 10, 3);
  ASSERT_GT(lowerLeft.x, 8);  // a square client area leaves a border
  ASSERT_LT(upperRight.x, kSize - 8);
  const int mid = kSize / 2;
  const struct {
    int inX, inY, outX, outY;
  } edges[] = {
      {lowerLeft.x + 3, mid, lowerLeft.x - 3, mid},    // left
      {upperRight.x - 3, mid, upperRight.x + 3, mid},  // right
      {mid, lowerLeft.y + 3, mid, lowerLeft.y - 3},    // bottom
      {mid, upperRight.y - 3, mid, upperRight.y + 3},  // top
  };
  for (const auto& e : edges) {
    EXPECT_PRED3(Near, frame.At(e.inX, e.inY), kBackdrop, 6) << e.inX << "," << e.inY;
    EXPECT_PRED3(Near, frame.At(e.outX, e.outY), kBlack, 2) << e.outX << "," << e.outY;
  }
  EXPECT_PRED3(Near, frame.At(0, 0), kBlack, 2);
  EXPECT_PRED3(Near, frame.At(kSize - 1, kSize - 1), kBlack, 2);

  // Nothing moves while every speed and rate is zero.
  const Frame again = Render();
  EXPECT_TRUE(again.rgb == frame.rgb);
}

TEST_F(SceneTest, SlabHalfWayThroughATurnShowsInnerFaces) {
  for (int k = 0; k < kCubieCount; ++k) {
    if (CubieHome[k][2] == 1) Play.TurnRateZ[k] = 45.0f;
  }
  const Frame frame = Render();

  // The front slab stands at 45 degrees; past its corners the middle slab's
  // front faces show, and they are inner faces.
  for (int sx : {-1, 1}) {
    for (int sy : {-1, 1}) {
      const WindowPoint p = Project(camera, 1.3 * sx, 1.3 * sy, 0.5);
      EXPECT_PRED3(Near, frame.At(p.x, p.y), kInner, 6)
          << "corner (" << sx << ", " << sy << ") is " << ToString(frame.At(p.x, p.y));
    }
  }
  // The turned stickers themselves, at their turned centres.
  const double c = std::cos(kPi / 4), s = std::sin(kPi / 4);
  for (const auto& home : {std::array<double, 2>{0, 0}, {1, 0}, {1, 1}, {-1, 0}}) {
    const double x = home[0] * c - home[1] * s;
    const double y = home[0] * s + home[1] * c;
    const WindowPoint p = Project(camera, x, y, 1.5);
    EXPECT_PRED3(Near, frame.At(p.x, p.y), kSideColour[0], 6) << home[0] << "," << home[1];
  }
}

TEST_F(SceneTest, TurnedViewShowsOtherSidesInTheirColours) {
  View.ViewSpeedX = 25.0f;
  View.ViewSpeedY = 30.0f;
  const Frame frame = Render();
  EXPECT_FLOAT_EQ(View.ViewAngleX, 25.0f);
  EXPECT_FLOAT_EQ(View.ViewAngleY, 30.0f);
  // Tilt about X applied after spin about Y: the camera maps the puzzle's
  // +Y axis to (0, cos 25, sin 25) and its +X axis to (cos 30, 0, -sin 30)
  // rotated by the tilt.
  const double ax = 25 * kPi / 180, ay = 30 * kPi / 180;
  EXPECT_NEAR(camera[4], 0.0, 1e-6);
  EXPECT_NEAR(camera[5], std::cos(ax), 1e-6);
  EXPECT_NEAR(camera[6], std::sin(ax), 1e-6);
  EXPECT_NEAR(camera[0], std::cos(ay), 1e-6);
  EXPECT_NEAR(camera[1], std::sin(ax) * std::sin(ay), 1e-6);
  EXPECT_NEAR(camera[2], -std::cos(ax) * std::sin(ay), 1e-6);

  // Every outward face turned towards the eye is unhidden on a convex cube;
  // its centre must show its side's colour.
  const int normals[6][3] = {{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}, {1, 0, 0}};
  std::set<int> seen;
  for (int side = 0; side < 6; ++side) {
    const int* n = normals[side];
    for (int u = -1; u <= 1; ++u) {
      for (int v = -1; v <= 1; ++v) {
        // Face centre: 1.5 along the normal, u and v along the other two axes.
        double p[3];
        int free = 0;
        for (int a = 0; a < 3; ++a) {
          p[a] = n[a] != 0 ? 1.5 * n[a] : (free++ == 0 ? u : v);
        }
        // Eye-space position and normal (the camera has no scaling).
        double pe[3], ne[3];
        for (int r = 0; r < 3; ++r) {
          pe[r] = camera[12 + r];
          ne[r] = 0;
          for (int a = 0; a < 3; ++a) {
            pe[r] += camera[a * 4 + r] * p[a];
            ne[r] += camera[a * 4 + r] * n[a];
          }
        }
        const double len = std::sqrt(pe[0] * pe[0] + pe[1] * pe[1] + pe[2] * pe[2]);
        const double facing = -(ne[0] * pe[0] + ne[1] * pe[1] + ne[2] * pe[2]) / len;
        if (facing < 0.2) continue;
        const WindowPoint w = Project(camera, p[0], p[1], p[2]);
        EXPECT_PRED3(Near, frame.At(w.x, w.y), kSideColour[side], 6)
            << "side " << side << " face (" << u << ", " << v << ")";
        seen.insert(side);
      }
    }
  }
  EXPECT_EQ(seen, (std::set<int>{0, 1, 2}));  // front, top and left
}

TEST(ResizeViewportTest, ZeroHeightCountsAsOne) {
  GlTestContext gl(64, 64);
  ASSERT_TRUE(gl.ok());
  const double f = 1.0 / std::tan(22.5 * kPi / 180.0);
  for (const auto& size : {std::array<int, 3>{640, 0, 1}, {400, 300, 300}, {400, 400, 400}}) {
    glMatrixMode(GL_PROJECTION);
    glRotatef(10.0f, 1.0f, 0.0f, 0.0f);  // something for the reset to undo
    ResizeViewport(size[0], size[1]);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], size[0]);
    EXPECT_EQ(viewport[3], size[2]);

    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const double aspect = static_cast<double>(size[0]) / size[2];
    EXPECT_NEAR(projection[0], f / aspect, 1e-5) << size[0] << "x" << size[1];
    EXPECT_NEAR(projection[5], f, 1e-5);
    EXPECT_NEAR(projection[10], -100.1 / 99.9, 1e-5);  // near 0.1, far 100
    EXPECT_NEAR(projection[4], 0.0, 1e-9);

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
  }
}

TEST(SetupGlTest, SetsStateAndColoursTheCubeOnlyWhenTexturesLoad) {
  ResetWorld();
  TempWorkDir dir;
  for (int n = 1; n <= 7; ++n) WriteSolidBmp(dir.DataFile(n), kInner);
  {
    GlTestContext gl(64, 64);
    ASSERT_TRUE(gl.ok());
    EXPECT_FALSE(SetupGl());  // no Data8
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_EQ(CubeState[CubieIndexAt(1, 1, 1)].faceSlot[FaceFront], kInnerSlot);
  }

  WriteSolidBmp(dir.DataFile(8), kInner);
  GlTestContext gl(64, 64);
  ASSERT_TRUE(gl.ok());
  CubeState[0].angleX = 12.0f;
  ASSERT_TRUE(SetupGl());
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));  // the faces stay unshaded
  GLint depthFunc = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  EXPECT_EQ(depthFunc, GL_LEQUAL);

  const Cubie& corner = CubeState[CubieIndexAt(1, 1, 1)];
  EXPECT_EQ(corner.faceSlot[FaceFront], 0);
  EXPECT_EQ(corner.faceSlot[FaceTop], 1);
  EXPECT_EQ(corner.faceSlot[FaceRight], 5);
  EXPECT_EQ(corner.faceSlot[FaceBack], kInnerSlot);
  EXPECT_EQ(CubeState[0].angleX, 12.0f);  // angles are left alone
  ResetWorld();
}

}  // namespace
