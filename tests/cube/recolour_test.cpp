#include <gtest/gtest.h>

#include <cstring>

#include "cube/recolour.h"
#include "rotation.h"

namespace {

// The slot on the source's face with normal n must land on the result's face
// with normal R n; the geometry is the target's and the angles are reset. A
// cubie recoloured in place reads its slots as they were before the call.
TEST(Recolour, MovesEachSlotToTheFaceTheQuarterTurnPointsItAt) {
  const struct {
    Cubie (*fn)(Cubie, const Cubie&);
    Axis axis;
    int sense;
  } kCases[] = {
      {RecolourXPlus, Axis::X, 90}, {RecolourXMinus, Axis::X, -90}, {RecolourYPlus, Axis::Y, 90},
      {RecolourYMinus, Axis::Y, -90}, {RecolourZPlus, Axis::Z, 90}, {RecolourZMinus, Axis::Z, -90},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "axis " << int(c.axis) << " sense " << c.sense);
    const Rot3 r = QuarterTurn(c.axis, c.sense);
    Cubie target(1, 1, 1, -1, 1, 0);
    target.angleX = 12.0f, target.angleY = 90.0f, target.angleZ = -3.0f;
    Cubie source(1, 1, 1, 1, 0, -1);
    for (int f = 0; f < 6; ++f) source.faceSlot[f] = 10 + f;
    source.angleY = 45.0f;

    const Cubie result = c.fn(target, source);
    Cubie inPlace = source;
    inPlace = c.fn(inPlace, inPlace);
    for (int g = 0; g < 6; ++g) {
      const int f = FaceWithNormal(r * FaceNormal(g));
      EXPECT_EQ(result.faceSlot[f], source.faceSlot[g]) << "source face " << g;
      EXPECT_EQ(inPlace.faceSlot[f], source.faceSlot[g]) << "in place, source face " << g;
    }
    EXPECT_EQ(result.angleX, 0.0f);
    EXPECT_EQ(result.angleY, 0.0f);
    EXPECT_EQ(result.angleZ, 0.0f);
    EXPECT_EQ(0, std::memcmp(result.vertexX, target.vertexX, sizeof target.vertexX));
    EXPECT_EQ(0, std::memcmp(result.vertexY, target.vertexY, sizeof target.vertexY));
    EXPECT_EQ(0, std::memcmp(result.vertexZ, target.vertexZ, sizeof target.vertexZ));
  }
}

}  // namespace
