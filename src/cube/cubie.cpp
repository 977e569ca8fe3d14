#include "cube/cubie.h"

Cubie::Cubie(float sizeX, float sizeY, float sizeZ, float centreX, float centreY, float centreZ) {
  for (TextureSlot& slot : faceSlot) slot = kInnerSlot;

  const float x0 = centreX - sizeX * 0.5f, x1 = centreX + sizeX * 0.5f;
  const float y0 = centreY - sizeY * 0.5f, y1 = centreY + sizeY * 0.5f;
  const float z0 = centreZ - sizeZ * 0.5f, z1 = centreZ + sizeZ * 0.5f;

  // Corners per face, each triple (x, y, z), counter-clockwise from outside.
  const float corners[6][4][3] = {
      {{x1, y1, z1}, {x0, y1, z1}, {x0, y0, z1}, {x1, y0, z1}},  // front
      {{x1, y0, z0}, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}},  // back
      {{x1, y1, z0}, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}},  // top
      {{x1, y0, z1}, {x0, y0, z1}, {x0, y0, z0}, {x1, y0, z0}},  // bottom
      {{x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}, {x1, y0, z0}},  // right
      {{x0, y1, z1}, {x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}},  // left
  };
  for (int f = 0; f < 6; ++f) {
    for (int v = 0; v < 4; ++v) {
      vertexX[f][v] = corners[f][v][0];
      vertexY[f][v] = corners[f][v][1];
      vertexZ[f][v] = corners[f][v][2];
    }
  }
}
