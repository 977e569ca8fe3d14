#include <gtest/gtest.h>

#include <cstring>

#include "cube/recolour.h"
#include "rotation.h"

namespace {

using RecolourFn = Cubie (*)(Cubie, const Cubie&);

struct Case {
  const char* name;
  RecolourFn fn;
  Axis axis;
  int sense;
};

const Case kCases[] = {
    {"XPlus", RecolourXPlus, Axis::X, 90},   {"XMinus", RecolourXMinus, Axis::X, -90},
    {"YPlus", RecolourYPlus, Axis::Y, 90},   {"YMinus", RecolourYMinus, Axis::Y, -90},
    {"ZPlus", RecolourZPlus, Axis::Z, 90},   {"ZMinus", RecolourZMinus, Axis::Z, -90},
};

Cubie Labelled(int base) {
  Cubie c(1, 1, 1, 1, 0, -1);
  for (int f = 0; f < 6; ++f) c.faceSlot[f] = base + f;
  return c;
}

// The slot on the source's face with normal n must land on the result's face
// with normal R n; the geometry is the target's and the angles are reset.
TEST(Recolour, MovesEachSlotToTheFaceTheQuarterTurnPointsItAt) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const Rot3 r = QuarterTurn(c.axis, c.sense);
    Cubie target(1, 1, 1, -1, 1, 0);
    target.angleX = 12.0f, target.angleY = 90.0f, target.angleZ = -3.0f;
    Cubie source = Labelled(10);
    source.angleY = 45.0f;

    const Cubie result = c.fn(target, source);
    for (int g = 0; g < 6; ++g) {
      const int f = FaceWithNormal(r * FaceNormal(g));
      EXPECT_EQ(result.faceSlot[f], source.faceSlot[g]) << "source face " << g;
    }
    EXPECT_EQ(result.angleX, 0.0f);
    EXPECT_EQ(result.angleY, 0.0f);
    EXPECT_EQ(result.angleZ, 0.0f);
    EXPECT_EQ(0, std::memcmp(result.vertexX, target.vertexX, sizeof target.vertexX));
    EXPECT_EQ(0, std::memcmp(result.vertexY, target.vertexY, sizeof target.vertexY));
    EXPECT_EQ(0, std::memcmp(result.vertexZ, target.vertexZ, sizeof target.vertexZ));
  }
}

TEST(Recolour, PlusAndMinusAreInverseAndFourTurnsAreIdentity) {
  for (int i = 0; i < 6; i += 2) {
    const Case& plus = kCases[i];
    const Case& minus = kCases[i + 1];
    SCOPED_TRACE(plus.name);
    const Cubie start = Labelled(0);
    Cubie c = plus.fn(start, minus.fn(start, start));
    for (int f = 0; f < 6; ++f) EXPECT_EQ(c.faceSlot[f], start.faceSlot[f]);
    c = start;
    for (int k = 0; k < 4; ++k) c = plus.fn(c, c);
    for (int f = 0; f < 6; ++f) EXPECT_EQ(c.faceSlot[f], start.faceSlot[f]);
    for (int k = 0; k < 3; ++k) c = plus.fn(c, c);
    const Cubie once = minus.fn(start, start);
    for (int f = 0; f < 6; ++f) EXPECT_EQ(c.faceSlot[f], once.faceSlot[f]);
  }
}

// A cubie recoloured in place takes its slots from its values before the call.
TEST(Recolour, InPlaceReadsTheOldSlots) {
  for (const Case& c : kCases) {
    Cubie cubie = Labelled(20);
    const Cubie expected = c.fn(cubie, Labelled(20));
    cubie = c.fn(cubie, cubie);
    for (int f = 0; f < 6; ++f) EXPECT_EQ(cubie.faceSlot[f], expected.faceSlot[f]) << c.name;
  }
}

}  // namespace
