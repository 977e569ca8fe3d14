#include <gtest/gtest.h>

#include "cube/cubie.h"
#include "rotation.h"

namespace {

// Every face lies on its own side of the box, winds counter-clockwise seen
// from outside, and a new cubie is all inner faces with no rotation.
TEST(Cubie, BuildsItsBoxFacingOutward) {
  const Cubie c(2, 3, 4, 0.5f, -1, 2);
  const float half[3] = {1.0f, 1.5f, 2.0f}, centre[3] = {0.5f, -1.0f, 2.0f};
  for (int f = 0; f < 6; ++f) {
    EXPECT_EQ(c.faceSlot[f], 8);
    const Vec3 n = FaceNormal(f);
    const int axis = n.x ? 0 : n.y ? 1 : 2;
    float p[4][3];
    for (int v = 0; v < 4; ++v) {
      p[v][0] = c.vertexX[f][v], p[v][1] = c.vertexY[f][v], p[v][2] = c.vertexZ[f][v];
      EXPECT_EQ(p[v][axis], centre[axis] + (n.x + n.y + n.z) * half[axis]) << f << "/" << v;
    }
    const float u[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const float w[3] = {p[2][0] - p[1][0], p[2][1] - p[1][1], p[2][2] - p[1][2]};
    const float cross[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    EXPECT_GT(cross[0] * n.x + cross[1] * n.y + cross[2] * n.z, 0.0f) << "face " << f;
  }
  EXPECT_EQ(c.angleX + c.angleY + c.angleZ, 0.0f);

  // The corner order a texture is laid on: front corner 0 is (+x, +y, +z),
  // left corner 2 is (-x, -y, -z).
  const Cubie d(1, 1, 1, 1, -1, 1);
  EXPECT_EQ(d.vertexX[FaceFront][0], 1.5f);
  EXPECT_EQ(d.vertexY[FaceFront][0], -0.5f);
  EXPECT_EQ(d.vertexZ[FaceFront][0], 1.5f);
  EXPECT_EQ(d.vertexX[FaceLeft][2], 0.5f);
  EXPECT_EQ(d.vertexY[FaceLeft][2], -1.5f);
  EXPECT_EQ(d.vertexZ[FaceLeft][2], 0.5f);
}

}  // namespace
