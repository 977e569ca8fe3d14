#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>
#include <set>

#include "cube/cube_state.h"
#include "rotation.h"

namespace {

struct Operation {
  bool cubeTurn;
  Axis axis;
  int slab;
  int sense;
};

std::vector<Operation> AllOperations() {
  std::vector<Operation> ops = {{true, Axis::Y, 0, 90}, {true, Axis::Y, 0, -90}};
  for (Axis a : {Axis::X, Axis::Y, Axis::Z})
    for (int slab = -1; slab <= 1; ++slab)
      for (int sense : {90, -90}) ops.push_back({false, a, slab, sense});
  return ops;
}

void Apply(const Operation& op) {
  if (op.cubeTurn)
    ApplyCubeTurn(op.sense);
  else
    ApplyLayerTurn(op.axis, op.slab, op.sense);
}

std::string Describe(const Operation& op) {
  const char* axis = op.axis == Axis::X ? "X" : op.axis == Axis::Y ? "Y" : "Z";
  return (op.cubeTurn ? std::string("cube ") : std::string("layer ") + axis + " slab " + std::to_string(op.slab)) +
         " sense " + std::to_string(op.sense);
}

Vec3 Home(int i) { return {CubieHome[i][0], CubieHome[i][1], CubieHome[i][2]}; }

bool InSet(const Operation& op, const Vec3& p) {
  if (op.cubeTurn) return true;
  const int c = op.axis == Axis::X ? p.x : op.axis == Axis::Y ? p.y : p.z;
  return c == op.slab;
}

int Label(int cubie, int face) { return 100 + cubie * 6 + face; }

bool Outward(int cubie, int face) {
  const Vec3 p = Home(cubie), n = FaceNormal(face);
  return p.x * n.x + p.y * n.y + p.z * n.z == 1;
}

class CubeStateTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetCubeState(); }
  void TearDown() override { ResetCubeState(); }

  static void LabelEverySticker() {
    for (int i = 0; i < kCubieCount; ++i)
      for (int f = 0; f < 6; ++f) CubeState[i].faceSlot[f] = Label(i, f);
  }
};

TEST_F(CubeStateTest, HomePositionsAreTheTwentySixAroundTheCentre) {
  std::set<std::tuple<int, int, int>> seen;
  for (int i = 0; i < kCubieCount; ++i) {
    const Vec3 p = Home(i);
    EXPECT_FALSE(p.x == 0 && p.y == 0 && p.z == 0);
    EXPECT_TRUE(seen.insert({p.x, p.y, p.z}).second) << "cubie " << i;
    EXPECT_EQ(CubieIndexAt(p.x, p.y, p.z), i);
    // The cubie's geometry is its home box: the front face's corner 0 is the
    // (+x, +y, +z) corner.
    EXPECT_EQ(CubeState[i].vertexX[FaceFront][0], p.x + 0.5f);
    EXPECT_EQ(CubeState[i].vertexY[FaceFront][0], p.y + 0.5f);
    EXPECT_EQ(CubeState[i].vertexZ[FaceFront][0], p.z + 0.5f);
    for (int f = 0; f < 6; ++f) EXPECT_EQ(CubeState[i].faceSlot[f], 8);
  }
  EXPECT_EQ(CubieIndexAt(0, 0, 0), -1);
  EXPECT_EQ(CubieIndexAt(2, 0, 0), -1);
}

// Every sticker carries a unique label; after each operation, every position
// of the turned set must show the labels of the position and face that the
// quarter turn carried there, and everything outside the set is untouched.
TEST_F(CubeStateTest, EachOperationMovesEveryStickerWhereTheRotationTakesIt) {
  for (const Operation& op : AllOperations()) {
    SCOPED_TRACE(Describe(op));
    ResetCubeState();
    LabelEverySticker();
    for (int i = 0; i < kCubieCount; ++i) CubeState[i].angleX = float(i + 1), CubeState[i].angleZ = -2.0f;
    Cubie before[kCubieCount];
    std::copy(CubeState, CubeState + kCubieCount, before);

    Apply(op);

    const Rot3 inverse = QuarterTurn(op.cubeTurn ? Axis::Y : op.axis, op.sense).Transposed();
    int written = 0;
    for (int i = 0; i < kCubieCount; ++i) {
      const Vec3 p = Home(i);
      const Cubie& c = CubeState[i];
      EXPECT_EQ(0, std::memcmp(c.vertexX, before[i].vertexX, sizeof c.vertexX));
      if (!InSet(op, p)) {
        for (int f = 0; f < 6; ++f) EXPECT_EQ(c.faceSlot[f], before[i].faceSlot[f]);
        EXPECT_EQ(c.angleX, before[i].angleX);
        EXPECT_EQ(c.angleZ, before[i].angleZ);
        continue;
      }
      ++written;
      const Vec3 q = inverse * p;
      const int source = CubieIndexAt(q.x, q.y, q.z);
      ASSERT_GE(source, 0);
      for (int f = 0; f < 6; ++f) {
        const int g = FaceWithNormal(inverse * FaceNormal(f));
        EXPECT_EQ(c.faceSlot[f], Label(source, g)) << "cubie " << i << " face " << f;
      }
      EXPECT_EQ(c.angleX, 0.0f);
      EXPECT_EQ(c.angleY, 0.0f);
      EXPECT_EQ(c.angleZ, 0.0f);
    }
    EXPECT_EQ(written, op.cubeTurn ? 26 : op.slab == 0 ? 8 : 9);
  }
}

TEST_F(CubeStateTest, InversePairsAndFourFoldTurnsRestoreTheState) {
  for (const Operation& op : AllOperations()) {
    SCOPED_TRACE(Describe(op));
    ResetCubeState();
    LabelEverySticker();
    Operation inverse = op;
    inverse.sense = -op.sense;
    Apply(op);
    Apply(inverse);
    for (int i = 0; i < kCubieCount; ++i)
      for (int f = 0; f < 6; ++f) ASSERT_EQ(CubeState[i].faceSlot[f], Label(i, f));
    for (int k = 0; k < 4; ++k) Apply(op);
    for (int i = 0; i < kCubieCount; ++i)
      for (int f = 0; f < 6; ++f) ASSERT_EQ(CubeState[i].faceSlot[f], Label(i, f));
  }
}

TEST_F(CubeStateTest, SolvedColouringPaintsOnlyOutwardFaces) {
  for (int i = 0; i < kCubieCount; ++i) CubeState[i].angleY = 7.5f;
  ApplySolvedColouring();
  const Cubie& corner = CubeState[CubieIndexAt(1, 1, 1)];
  const int cornerSlots[6] = {0, 8, 1, 8, 5, 8};
  for (int f = 0; f < 6; ++f) EXPECT_EQ(corner.faceSlot[f], cornerSlots[f]);
  const Cubie& bottom = CubeState[CubieIndexAt(0, -1, 0)];
  for (int f = 0; f < 6; ++f) EXPECT_EQ(bottom.faceSlot[f], f == FaceBottom ? 3 : 8);
  int inner = 0;
  for (const Cubie& c : CubeState) {
    EXPECT_EQ(c.angleY, 7.5f);
    for (int f = 0; f < 6; ++f) inner += c.faceSlot[f] == 8;
  }
  EXPECT_EQ(inner, 102);
}

// After any sequence of operations each colour stands on exactly nine
// outward faces, every inner face is still inner, and re-solving works.
TEST_F(CubeStateTest, LongRandomSequencesKeepTheColourCounts) {
  const std::vector<Operation> ops = AllOperations();
  ApplySolvedColouring();
  std::srand(12345);
  for (int round = 0; round < 40; ++round) {
    for (int n = 0; n < 50; ++n) Apply(ops[std::rand() % ops.size()]);
    int count[9] = {};
    for (int i = 0; i < kCubieCount; ++i) {
      for (int f = 0; f < 6; ++f) {
        const int slot = CubeState[i].faceSlot[f];
        ASSERT_TRUE(slot >= 0 && slot <= 8);
        if (Outward(i, f)) {
          ASSERT_LE(slot, 5) << "cubie " << i << " face " << f;
        } else {
          ASSERT_EQ(slot, 8) << "cubie " << i << " face " << f;
        }
        ++count[slot];
      }
    }
    for (int s = 0; s < 6; ++s) ASSERT_EQ(count[s], 9) << "slot " << s;
  }
  ApplySolvedColouring();
  for (int i = 0; i < kCubieCount; ++i) {
    const Vec3 p = Home(i);
    const Cubie& c = CubeState[i];
    if (p.z == 1) { EXPECT_EQ(c.faceSlot[FaceFront], 0); }
    if (p.y == 1) { EXPECT_EQ(c.faceSlot[FaceTop], 1); }
    if (p.x == -1) { EXPECT_EQ(c.faceSlot[FaceLeft], 2); }
  }
}

TEST_F(CubeStateTest, InvalidArgumentsChangeNothing) {
  ApplySolvedColouring();
  Cubie before[kCubieCount];
  std::copy(CubeState, CubeState + kCubieCount, before);
  ApplyLayerTurn(Axis::X, 2, 90);
  ApplyLayerTurn(Axis::Y, 0, 45);
  ApplyCubeTurn(0);
  for (int i = 0; i < kCubieCount; ++i)
    EXPECT_EQ(0, std::memcmp(&CubeState[i], &before[i], sizeof(Cubie))) << i;
}

}  // namespace
