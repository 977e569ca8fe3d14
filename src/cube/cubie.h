// One of the 26 unit cubes of the puzzle. A cubie never moves: its corners are
// fixed in puzzle coordinates at construction; a turn in progress is drawn by
// accumulating rotation angles about the puzzle's origin, and a finished turn
// is recorded by recolouring (recolour.h), which moves face slots only.
#pragma once

#include <cstdint>

// Face index into faceSlot and the vertex tables.
enum CubieFace : int {
  FaceFront = 0,   // +Z
  FaceBack = 1,    // -Z
  FaceTop = 2,     // +Y
  FaceBottom = 3,  // -Y
  FaceRight = 4,   // +X
  FaceLeft = 5,    // -X
};

// Each face's outward normal, by face index: its axis (0 X, 1 Y, 2 Z) and sign.
struct FaceNormal {
  int axis;
  int sign;
};
constexpr FaceNormal kFaceNormals[6] = {{2, +1}, {2, -1}, {1, +1}, {1, -1}, {0, +1}, {0, -1}};

// Index into the texture table (render/textures.h): 0..5 the side colours,
// 6 the backdrop, 8 an inner face; 7 is never filled.
using TextureSlot = std::int32_t;
constexpr TextureSlot kInnerSlot = 8;

struct Cubie {
  // Accumulated rotation in degrees. Stored Y, X, Z; applied X, Y, Z.
  float angleY = 0.0f;
  float angleX = 0.0f;
  float angleZ = 0.0f;
  // Corner v of face f is (vertexX[f][v], vertexY[f][v], vertexZ[f][v]).
  float vertexY[6][4] = {};
  float vertexX[6][4] = {};
  float vertexZ[6][4] = {};
  TextureSlot faceSlot[6] = {};

  Cubie() = default;
  // A box of the given edge lengths around the given centre, every face on the
  // inner slot, each face wound counter-clockwise seen from outside.
  Cubie(float sizeX, float sizeY, float sizeZ, float centreX, float centreY, float centreZ);
};
