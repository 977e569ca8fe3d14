#include "cube/cube_state.h"

#include "cube/recolour.h"

const int kCubieHome[kCubieCount][3] = {
    {+1, -1, +1}, {+1, 0, +1}, {+1, +1, +1},  // column (x, z) = (+1, +1)
    {+1, -1, 0},  {+1, 0, 0},  {+1, +1, 0},   // (+1, 0)
    {+1, -1, -1}, {+1, 0, -1}, {+1, +1, -1},  // (+1, -1)
    {0, -1, -1},  {0, 0, -1},  {0, +1, -1},   // (0, -1)
    {-1, -1, -1}, {-1, 0, -1}, {-1, +1, -1},  // (-1, -1)
    {-1, -1, 0},  {-1, 0, 0},  {-1, +1, 0},   // (-1, 0)
    {-1, -1, +1}, {-1, 0, +1}, {-1, +1, +1},  // (-1, +1)
    {0, -1, +1},  {0, 0, +1},  {0, +1, +1},   // (0, +1)
    {0, +1, 0},   {0, -1, 0},                 // top and bottom centres
};

namespace {

Cubie HomeCubie(int i) {
  return Cubie(1.0f, 1.0f, 1.0f, float(kCubieHome[i][0]), float(kCubieHome[i][1]),
               float(kCubieHome[i][2]));
}

}  // namespace

Cubie CubeState[kCubieCount] = {
    HomeCubie(0),  HomeCubie(1),  HomeCubie(2),  HomeCubie(3),  HomeCubie(4),  HomeCubie(5),
    HomeCubie(6),  HomeCubie(7),  HomeCubie(8),  HomeCubie(9),  HomeCubie(10), HomeCubie(11),
    HomeCubie(12), HomeCubie(13), HomeCubie(14), HomeCubie(15), HomeCubie(16), HomeCubie(17),
    HomeCubie(18), HomeCubie(19), HomeCubie(20), HomeCubie(21), HomeCubie(22), HomeCubie(23),
    HomeCubie(24), HomeCubie(25),
};

void ResetCubeState() {
  for (int i = 0; i < kCubieCount; ++i) CubeState[i] = HomeCubie(i);
}

namespace {

// Cubie index by (x + 1) * 9 + (y + 1) * 3 + (z + 1); -1 at the centre.
struct IndexGrid {
  int at[27];
  IndexGrid() {
    for (int& i : at) i = -1;
    for (int i = 0; i < kCubieCount; ++i)
      at[(kCubieHome[i][0] + 1) * 9 + (kCubieHome[i][1] + 1) * 3 + (kCubieHome[i][2] + 1)] = i;
  }
};
const IndexGrid kGrid;

}  // namespace

int CubieIndexAt(int x, int y, int z) {
  if (x < -1 || x > 1 || y < -1 || y > 1 || z < -1 || z > 1) return -1;
  return kGrid.at[(x + 1) * 9 + (y + 1) * 3 + (z + 1)];
}

void ApplySolvedColouring() {
  // Side slots: front 0, top 1, left 2, bottom 3, back 4, right 5.
  for (int i = 0; i < kCubieCount; ++i) {
    const int x = kCubieHome[i][0], y = kCubieHome[i][1], z = kCubieHome[i][2];
    Cubie& c = CubeState[i];
    if (z == +1) c.faceSlot[FaceFront] = 0;
    if (y == +1) c.faceSlot[FaceTop] = 1;
    if (x == -1) c.faceSlot[FaceLeft] = 2;
    if (y == -1) c.faceSlot[FaceBottom] = 3;
    if (z == -1) c.faceSlot[FaceBack] = 4;
    if (x == +1) c.faceSlot[FaceRight] = 5;
  }
}

namespace {

using RecolourFn = Cubie (*)(Cubie, const Cubie&);

// Destinations of each set, in the order they are written.
constexpr int kAll[26] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                          13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25};
constexpr int kXPos[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
constexpr int kXMid[8] = {9, 10, 11, 24, 23, 22, 21, 25};
constexpr int kXNeg[9] = {12, 13, 14, 15, 16, 17, 18, 19, 20};
constexpr int kYPos[9] = {2, 5, 8, 11, 14, 17, 20, 23, 24};
constexpr int kYMid[8] = {1, 4, 7, 10, 13, 16, 19, 22};
constexpr int kYNeg[9] = {0, 3, 6, 9, 12, 15, 18, 21, 25};
constexpr int kZPos[9] = {0, 1, 2, 21, 22, 23, 18, 19, 20};
constexpr int kZMid[8] = {3, 4, 5, 25, 24, 15, 16, 17};
constexpr int kZNeg[9] = {6, 7, 8, 9, 10, 11, 12, 13, 14};

struct Set {
  const int* index;
  int count;
};

// Source position q from which the quarter turn carries content into p.
void SourceOf(Axis axis, bool plus, const int p[3], int q[3]) {
  const int x = p[0], y = p[1], z = p[2];
  switch (axis) {
    case Axis::X:
      q[0] = x, q[1] = plus ? z : -z, q[2] = plus ? -y : y;
      break;
    case Axis::Y:
      q[0] = plus ? -z : z, q[1] = y, q[2] = plus ? x : -x;
      break;
    case Axis::Z:
      q[0] = plus ? y : -y, q[1] = plus ? -x : x, q[2] = z;
      break;
  }
}

RecolourFn RecolourFor(Axis axis, bool plus) {
  switch (axis) {
    case Axis::X: return plus ? RecolourXPlus : RecolourXMinus;
    case Axis::Y: return plus ? RecolourYPlus : RecolourYMinus;
    case Axis::Z: break;
  }
  return plus ? RecolourZPlus : RecolourZMinus;
}

// Snapshots the set, then rewrites each destination from its source's copy.
void Reassign(Axis axis, bool plus, Set set) {
  Cubie snapshot[kCubieCount];
  for (int n = 0; n < set.count; ++n) snapshot[set.index[n]] = CubeState[set.index[n]];

  const RecolourFn recolour = RecolourFor(axis, plus);
  for (int n = 0; n < set.count; ++n) {
    const int p = set.index[n];
    int q[3] = {0, 0, 0};
    SourceOf(axis, plus, kCubieHome[p], q);
    CubeState[p] = recolour(CubeState[p], snapshot[CubieIndexAt(q[0], q[1], q[2])]);
  }
}

}  // namespace

void ApplyLayerTurn(Axis axis, int slab, int sense) {
  if (slab < -1 || slab > 1 || (sense != 90 && sense != -90)) return;
  static const Set kSets[3][3] = {
      {{kXNeg, 9}, {kXMid, 8}, {kXPos, 9}},
      {{kYNeg, 9}, {kYMid, 8}, {kYPos, 9}},
      {{kZNeg, 9}, {kZMid, 8}, {kZPos, 9}},
  };
  Reassign(axis, sense > 0, kSets[int(axis)][slab + 1]);
}

void ApplyCubeTurn(int sense) {
  if (sense != 90 && sense != -90) return;
  Reassign(Axis::Y, sense > 0, {kAll, kCubieCount});
}

bool EachSideShowsOneSlot() {
  // Face f of the cubies on its side (their coordinate on its normal's axis
  // is the normal's sign) faces outward.
  for (int f = 0; f < 6; ++f) {
    int slot = -1;
    for (int i = 0; i < kCubieCount; ++i) {
      if (kCubieHome[i][kFaceNormals[f].axis] != kFaceNormals[f].sign) continue;
      if (slot < 0) slot = CubeState[i].faceSlot[f];
      if (CubeState[i].faceSlot[f] != slot) return false;
    }
  }
  return true;
}
