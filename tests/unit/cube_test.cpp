// The cube model against rotation matrices: every face of every cubie is
// labelled, long random sequences of layer and cube turns are applied to both,
// and each face must show the label the rotations carried there.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>

#include "cube/cube_state.h"

namespace {

using Vec = std::tuple<int, int, int>;

Vec Turned(Vec v, int axis, int sense) {  // right-hand rule, a quarter turn
  int p[3] = {std::get<0>(v), std::get<1>(v), std::get<2>(v)};
  const int i = (axis + 1) % 3, j = (axis + 2) % 3, a = p[i], b = p[j];
  p[i] = sense > 0 ? -b : b;
  p[j] = sense > 0 ? a : -a;
  return {p[0], p[1], p[2]};
}

// CubieFace order: front, back, top, bottom, right, left.
const Vec kNormals[6] = {{0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}};
Vec Home(int i) { return {kCubieHome[i][0], kCubieHome[i][1], kCubieHome[i][2]}; }

TEST(CubeModel, AgreesWithRotationMatricesOverLongRandomSequences) {
  ResetCubeState();
  ApplySolvedColouring();
  // Solved: each side's slot on its outward faces (right is slot 5), 8 inside.
  const int sideSlot[6] = {0, 4, 1, 3, 5, 2};
  std::map<std::pair<Vec, Vec>, int> model;  // (position, normal) -> label
  for (int i = 0; i < kCubieCount; ++i) {
    for (int f = 0; f < 6; ++f) {
      const Vec p = Home(i), n = kNormals[f];
      const bool outward = std::get<0>(p) * std::get<0>(n) + std::get<1>(p) * std::get<1>(n) +
                               std::get<2>(p) * std::get<2>(n) == 1;
      EXPECT_EQ(CubeState[i].faceSlot[f], outward ? sideSlot[f] : kInnerSlot) << i << "/" << f;
      CubeState[i].faceSlot[f] = model[{p, n}] = 100 + 6 * i + f;
    }
  }
  std::mt19937 random(7);
  for (int step = 0; step < 3000; ++step) {
    const int op = random() % 20, sense = op % 2 ? 90 : -90, axis = op / 6, slab = op / 2 % 3 - 1;
    op >= 18 ? ApplyCubeTurn(sense) : ApplyLayerTurn(static_cast<Axis>(axis), slab, sense);
    std::map<std::pair<Vec, Vec>, int> next;
    for (const auto& [face, label] : model) {
      const int a = op >= 18 ? 1 : axis;
      const int at[3] = {std::get<0>(face.first), std::get<1>(face.first), std::get<2>(face.first)};
      const bool moves = op >= 18 || at[a] == slab;
      next[moves ? std::make_pair(Turned(face.first, a, sense), Turned(face.second, a, sense))
                 : face] = label;
    }
    model.swap(next);
    for (int i = 0; i < kCubieCount; ++i) {
      for (int f = 0; f < 6; ++f) {
        ASSERT_EQ(CubeState[i].faceSlot[f], (model[{Home(i), kNormals[f]}]))
            << "step " << step << " op " << op << ", cubie " << i << " face " << f;
      }
      ASSERT_EQ(CubeState[i].angleX + CubeState[i].angleY + CubeState[i].angleZ, 0.0f);
    }
  }
}

// Solved is each side showing one slot, whichever: the solved colouring
// turned whole (by cube turns about Y, by all three slabs about X) is solved;
// each layer turn is not, and its opposite makes it solved again.
TEST(CubeModel, SolvedWhenEachSideShowsOneSlot) {
  ResetCubeState();
  ApplySolvedColouring();
  EXPECT_TRUE(EachSideShowsOneSlot());
  ApplyCubeTurn(90), ApplyCubeTurn(90), ApplyCubeTurn(-90);
  for (int slab : {-1, 0, 1}) ApplyLayerTurn(Axis::X, slab, 90);
  EXPECT_TRUE(EachSideShowsOneSlot());
  for (int op = 0; op < 18; ++op) {
    const Axis axis = static_cast<Axis>(op / 6);
    const int slab = op / 2 % 3 - 1, sense = op % 2 ? 90 : -90;
    ApplyLayerTurn(axis, slab, sense);
    EXPECT_FALSE(EachSideShowsOneSlot()) << "after op " << op;
    ApplyLayerTurn(axis, slab, -sense);
    EXPECT_TRUE(EachSideShowsOneSlot()) << "after op " << op << " and its opposite";
  }
}

}  // namespace
