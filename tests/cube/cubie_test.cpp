#include <gtest/gtest.h>

#include "cube/cubie.h"
#include "rotation.h"

namespace {

struct Corner {
  float x, y, z;
};

Corner CornerOf(const Cubie& c, int face, int v) {
  return {c.vertexX[face][v], c.vertexY[face][v], c.vertexZ[face][v]};
}

TEST(Cubie, ConstructsItsBoxAroundTheCentre) {
  const Cubie c(1, 1, 1, 1, -1, 1);
  for (int f = 0; f < 6; ++f) {
    EXPECT_EQ(c.faceSlot[f], 8);
    for (int v = 0; v < 4; ++v) {
      const Corner p = CornerOf(c, f, v);
      EXPECT_TRUE(p.x == 0.5f || p.x == 1.5f);
      EXPECT_TRUE(p.y == -1.5f || p.y == -0.5f);
      EXPECT_TRUE(p.z == 0.5f || p.z == 1.5f);
    }
  }
  EXPECT_EQ(c.angleX, 0.0f);
  EXPECT_EQ(c.angleY, 0.0f);
  EXPECT_EQ(c.angleZ, 0.0f);

  const Corner front0 = CornerOf(c, FaceFront, 0);
  EXPECT_EQ(front0.x, 1.5f);
  EXPECT_EQ(front0.y, -0.5f);
  EXPECT_EQ(front0.z, 1.5f);
  const Corner left2 = CornerOf(c, FaceLeft, 2);
  EXPECT_EQ(left2.x, 0.5f);
  EXPECT_EQ(left2.y, -1.5f);
  EXPECT_EQ(left2.z, 0.5f);
}

// Every face lies on its own side of the box and winds counter-clockwise
// seen from outside: the winding's normal points along the outward normal.
TEST(Cubie, FacesLieOnTheirSideAndWindOutward) {
  const Cubie c(2, 3, 4, 0.5f, -1, 2);
  const float half[3] = {1.0f, 1.5f, 2.0f};
  const float centre[3] = {0.5f, -1.0f, 2.0f};
  for (int f = 0; f < 6; ++f) {
    const Vec3 n = FaceNormal(f);
    const int axis = n.x ? 0 : n.y ? 1 : 2;
    const int sign = n.x + n.y + n.z;
    for (int v = 0; v < 4; ++v) {
      const Corner p = CornerOf(c, f, v);
      const float coord[3] = {p.x, p.y, p.z};
      EXPECT_EQ(coord[axis], centre[axis] + sign * half[axis]) << "face " << f << " corner " << v;
    }
    const Corner a = CornerOf(c, f, 0), b = CornerOf(c, f, 1), d = CornerOf(c, f, 2);
    const float u[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
    const float w[3] = {d.x - b.x, d.y - b.y, d.z - b.z};
    const float cross[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    EXPECT_GT(cross[0] * n.x + cross[1] * n.y + cross[2] * n.z, 0.0f) << "face " << f;
  }
}

}  // namespace
