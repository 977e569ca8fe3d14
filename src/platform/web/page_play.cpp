// The page layer's side of the page's own play (page_play.js): what a drag
// on the picture turns, the chord that makes a turn, a turn seen after the
// cube has turned under it, whether the puzzle is solved, and a kept list of
// turns replayed. The page presses the chords it is given through the pad's
// path, so the game takes them as it takes any key.
#include <emscripten.h>

#include <cmath>
#include <cstdint>

#include "seam/platform.h"

extern "C" void TellPagePuzzleChanged(int change, int byScramble);  // page_layer.js

void PuzzleChanged(int change, bool byScramble) { TellPagePuzzleChanged(change, byScramble ? 1 : 0); }

namespace {

// The layer turn about `axis` of `slab` by `sense`; -1 when there is none.
int TurnNumber(int axis, int slab, int sense) {
  for (int k = 0; k < kLayerTurnCount; ++k)
    if (kTurnNames[k].axis == axis && kTurnNames[k].slab == slab && kTurnNames[k].sense == sense) return k;
  return -1;
}

// The sign of the permutation (a, b, c) of the axes 0, 1, 2.
int Parity(int a, int b, int c) { return a == b || b == c || a == c ? 0 : (b - a + 3) % 3 == 1 ? 1 : -1; }

}  // namespace

// A drag on the picture from (x, y) by (dx, dy), in the canvas's pixels: the
// layer turn it makes; -1 while it is shorter than a third of a sticker along
// both of the sticker's edges as drawn; -2 when it starts off the puzzle. Of
// the two slabs through the sticker it turns the one the drag runs along,
// the way the finger went.
extern "C" EMSCRIPTEN_KEEPALIVE int VoxraDragTurn(float x, float y, float dx, float dy) {
  StickerPick pick;
  if (!PickSticker(x, y, &pick)) return -2;
  const int normal = pick.normalAxis, outward = pick.outward;
  const int a = (normal + 1) % 3, b = (normal + 2) % 3;
  // The drag in sticker edges: d = alpha * (a on screen) + beta * (b on screen).
  const float* ua = pick.axisOnScreen[a];
  const float* ub = pick.axisOnScreen[b];
  const float det = ua[0] * ub[1] - ua[1] * ub[0];
  if (std::fabs(det) < 1e-6f) return -1;  // the face seen edge-on
  const float alpha = (dx * ub[1] - dy * ub[0]) / det, beta = (ua[0] * dy - ua[1] * dx) / det;
  if (std::fabs(alpha) < 1.0f / 3 && std::fabs(beta) < 1.0f / 3) return -1;
  const bool alongA = std::fabs(alpha) >= std::fabs(beta);
  const int along = alongA ? a : b, axis = alongA ? b : a;
  const float amount = alongA ? alpha : beta;
  // A quarter turn by +90 about `axis` moves the face's points along
  // axis x normal; the finger's way picks the sense.
  const int sign = Parity(axis, normal, along) * outward * (amount > 0 ? 1 : -1);
  const int slab = static_cast<int>(std::lround(std::floor(pick.at[axis] + 1.5f))) - 1;
  return TurnNumber(axis, slab < -1 ? -1 : slab > 1 ? 1 : slab, sign > 0 ? +90 : -90);
}

// The chord of a layer turn as two digits (69 for keypad 6 with 9); -1 for
// any other number.
extern "C" EMSCRIPTEN_KEEPALIVE int VoxraTurnChord(int turn) {
  if (turn < 0 || turn >= kLayerTurnCount) return -1;
  return kTurnNames[turn].chord[0] * 10 + kTurnNames[turn].chord[1];
}

// The layer turn that does now what `turn` did before the cube made
// `quarters` quarter turns by +90 about Y (each carries (x, y, z) to
// (z, y, -x)); -1 for a number that is not a layer turn.
extern "C" EMSCRIPTEN_KEEPALIVE int VoxraTurnAfterCubeTurns(int turn, int quarters) {
  if (turn < 0 || turn >= kLayerTurnCount) return -1;
  int axis = kTurnNames[turn].axis, slab = kTurnNames[turn].slab, sense = kTurnNames[turn].sense;
  for (int q = ((quarters % 4) + 4) % 4; q > 0; --q) {
    if (axis == 0) {  // +X is carried to -Z
      axis = 2, slab = -slab, sense = -sense;
    } else if (axis == 2) {  // +Z to +X
      axis = 0;
    }
  }
  return TurnNumber(axis, slab, sense);
}

extern "C" EMSCRIPTEN_KEEPALIVE int VoxraSolved() { return PuzzleSolved() ? 1 : 0; }

// The kept turns applied at once; 0, and nothing applied, when any is not a
// turn or a turn is running.
extern "C" EMSCRIPTEN_KEEPALIVE int VoxraReplay(const std::uint8_t* turns, int count) {
  return ReplayTurns(turns, count) ? 1 : 0;
}
