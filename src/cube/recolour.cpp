#include "cube/recolour.h"

namespace {

// For each result face (front, back, top, bottom, right, left), the source
// face whose slot it takes.
using FaceMap = CubieFace[6];

constexpr FaceMap kXPlus = {FaceTop, FaceBottom, FaceBack, FaceFront, FaceRight, FaceLeft};
constexpr FaceMap kXMinus = {FaceBottom, FaceTop, FaceFront, FaceBack, FaceRight, FaceLeft};
constexpr FaceMap kYPlus = {FaceLeft, FaceRight, FaceTop, FaceBottom, FaceFront, FaceBack};
constexpr FaceMap kYMinus = {FaceRight, FaceLeft, FaceTop, FaceBottom, FaceBack, FaceFront};
constexpr FaceMap kZPlus = {FaceFront, FaceBack, FaceRight, FaceLeft, FaceBottom, FaceTop};
constexpr FaceMap kZMinus = {FaceFront, FaceBack, FaceLeft, FaceRight, FaceTop, FaceBottom};

Cubie Recolour(Cubie result, const Cubie& source, const FaceMap& from) {
  result.angleY = 0.0f;
  result.angleX = 0.0f;
  result.angleZ = 0.0f;
  // `source` may alias the caller's target, but `result` is our own copy.
  for (int f = 0; f < 6; ++f) result.faceSlot[f] = source.faceSlot[from[f]];
  return result;
}

}  // namespace

Cubie RecolourXPlus(Cubie target, const Cubie& source) { return Recolour(target, source, kXPlus); }
Cubie RecolourXMinus(Cubie target, const Cubie& source) { return Recolour(target, source, kXMinus); }
Cubie RecolourYPlus(Cubie target, const Cubie& source) { return Recolour(target, source, kYPlus); }
Cubie RecolourYMinus(Cubie target, const Cubie& source) { return Recolour(target, source, kYMinus); }
Cubie RecolourZPlus(Cubie target, const Cubie& source) { return Recolour(target, source, kZPlus); }
Cubie RecolourZMinus(Cubie target, const Cubie& source) { return Recolour(target, source, kZMinus); }
