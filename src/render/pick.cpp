// What lies under a point of the picture: the ray through it, cast from the
// eye with the projection and the camera the frame was drawn with, into the
// puzzle's box.
#include <cmath>

#include "cube/cube_state.h"
#include "render/gl_scene.h"
#include "seam/platform.h"

namespace {

struct Vec {
  float v[3];
};

// p turned by `degrees` about axis 0 (X) or 1 (Y), by the right-hand rule,
// as glRotatef turns it.
Vec Turned(Vec p, int axis, float degrees) {
  const float r = degrees * 3.14159265f / 180.0f, c = std::cos(r), s = std::sin(r);
  const int a = axis == 0 ? 1 : 2, b = axis == 0 ? 2 : 0;  // the plane turned, in its sense
  const float pa = p.v[a], pb = p.v[b];
  p.v[a] = c * pa - s * pb;
  p.v[b] = s * pa + c * pb;
  return p;
}

// From the eye's frame into the puzzle's, and back: the camera turns the
// puzzle by the tilt about X after the spin about Y.
Vec IntoPuzzle(Vec p) { return Turned(Turned(p, 0, -Scene.ViewAngleX), 1, -Scene.ViewAngleY); }
Vec IntoEye(Vec p) { return Turned(Turned(p, 1, Scene.ViewAngleY), 0, Scene.ViewAngleX); }

float HalfHeight() { return static_cast<float>(std::tan(kFieldOfViewDegrees * 3.14159265358979 / 360.0)); }
float Aspect() { return static_cast<float>(Viewport.width) / static_cast<float>(Viewport.height); }

// A point of the puzzle on the picture, in pixels from its top left.
void Project(Vec p, float* x, float* y) {
  Vec e = IntoEye(p);
  for (int i = 0; i < 3; ++i) e.v[i] += kPuzzleCentre[i];
  *x = (1.0f + e.v[0] / -e.v[2] / (Aspect() * HalfHeight())) * 0.5f * Viewport.width;
  *y = (1.0f - e.v[1] / -e.v[2] / HalfHeight()) * 0.5f * Viewport.height;
}

// CubieFace of the outward normal along `axis` with `sign`.
int FaceOf(int axis, int sign) {
  int f = 0;
  while (kFaceNormals[f].axis != axis || kFaceNormals[f].sign != sign) ++f;
  return f;
}

}  // namespace

bool PickSticker(float x, float y, StickerPick* pick) {
  const float h = HalfHeight();
  const Vec eyeRay = {{(2.0f * x / Viewport.width - 1.0f) * Aspect() * h, (1.0f - 2.0f * y / Viewport.height) * h,
                       -1.0f}};
  const Vec d = IntoPuzzle(eyeRay);
  const Vec o = IntoPuzzle({{-kPuzzleCentre[0], -kPuzzleCentre[1], -kPuzzleCentre[2]}});
  // Where the ray enters the box -1.5..1.5 on every axis, and on which side.
  float enter = -1e30f, leave = 1e30f;
  int axis = -1;
  for (int i = 0; i < 3; ++i) {
    if (d.v[i] == 0.0f) {
      if (std::fabs(o.v[i]) > 1.5f) return false;
      continue;
    }
    const float t0 = (-1.5f - o.v[i]) / d.v[i], t1 = (1.5f - o.v[i]) / d.v[i];
    const float lo = std::fmin(t0, t1), hi = std::fmax(t0, t1);
    if (lo > enter) enter = lo, axis = i;
    leave = std::fmin(leave, hi);
  }
  if (axis < 0 || enter > leave || enter <= 0.0f) return false;

  int home[3];
  for (int i = 0; i < 3; ++i) {
    pick->at[i] = o.v[i] + enter * d.v[i];
    const int cell = static_cast<int>(std::floor(pick->at[i] + 1.5f));
    home[i] = (cell < 0 ? 0 : cell > 2 ? 2 : cell) - 1;
  }
  const int sign = d.v[axis] < 0.0f ? +1 : -1;
  home[axis] = sign;
  pick->cubie = CubieIndexAt(home[0], home[1], home[2]);
  pick->face = FaceOf(axis, sign);
  pick->normalAxis = axis;
  pick->outward = sign;
  for (int i = 0; i < 3; ++i) {
    Vec ahead = {{pick->at[0], pick->at[1], pick->at[2]}}, behind = ahead;
    ahead.v[i] += 0.5f, behind.v[i] -= 0.5f;
    float x0, y0, x1, y1;
    Project(behind, &x0, &y0), Project(ahead, &x1, &y1);
    pick->axisOnScreen[i][0] = x1 - x0;
    pick->axisOnScreen[i][1] = y1 - y0;
  }
  return true;
}
