// Quarter turns as integer rotation matrices, built from cos/sin of the angle
// by the right-hand rule, independent of the model's own tables.
#pragma once

#include <cmath>

#include "cube/cube_state.h"

struct Vec3 {
  int x, y, z;
  bool operator==(const Vec3& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct Rot3 {
  int m[3][3];
  Vec3 operator*(const Vec3& v) const {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
            m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
  }
  Rot3 Transposed() const {
    Rot3 t{};
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) t.m[r][c] = m[c][r];
    return t;
  }
};

inline Rot3 QuarterTurn(Axis axis, int degrees) {
  const double a = degrees * std::acos(-1.0) / 180.0;
  const int c = int(std::lround(std::cos(a))), s = int(std::lround(std::sin(a)));
  switch (axis) {
    case Axis::X: return {{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
    case Axis::Y: return {{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
    case Axis::Z: break;
  }
  return {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}

// Outward normal of each CubieFace.
inline Vec3 FaceNormal(int face) {
  static const Vec3 kNormals[6] = {{0, 0, 1}, {0, 0, -1}, {0, 1, 0}, {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}};
  return kNormals[face];
}

inline int FaceWithNormal(const Vec3& n) {
  for (int f = 0; f < 6; ++f)
    if (FaceNormal(f) == n) return f;
  return -1;
}
