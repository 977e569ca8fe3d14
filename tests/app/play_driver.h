// Drives UpdatePlay pass by pass as the frame loop does: each pass first
// stands in for the drawn frame (view speeds into the view angles, rates into
// the cubies' angles), then runs the update, recording every turn started and
// committed and checking that one turn at most is ever in progress.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <ostream>
#include <vector>

#include "app/play.h"
#include "cube/cube_state.h"
#include "platform/platform.h"

struct TurnDef {
  Axis axis;
  int slab;
  int sense;
};

// Turn numbers 0..17 as the keys and the scramble know them.
inline const TurnDef kTurnDefs[kTurnCount] = {
    {Axis::X, 1, -90},  {Axis::X, 1, 90},  {Axis::Y, -1, 90}, {Axis::Y, -1, -90},
    {Axis::X, -1, -90}, {Axis::X, -1, 90}, {Axis::Y, 1, 90},  {Axis::Y, 1, -90},
    {Axis::X, 0, -90},  {Axis::X, 0, 90},  {Axis::Y, 0, 90},  {Axis::Y, 0, -90},
    {Axis::Z, -1, 90},  {Axis::Z, -1, -90}, {Axis::Z, 0, 90}, {Axis::Z, 0, -90},
    {Axis::Z, 1, 90},   {Axis::Z, 1, -90},
};

using FaceSlots = std::array<TextureSlot, kCubieCount * 6>;

inline FaceSlots CurrentSlots() {
  FaceSlots s{};
  for (int i = 0; i < kCubieCount; ++i)
    for (int f = 0; f < 6; ++f) s[i * 6 + f] = CubeState[i].faceSlot[f];
  return s;
}

// A fresh cube with a distinct label on every face, so any misplaced slot shows.
inline void LabelFaces() {
  ResetCubeState();
  for (int i = 0; i < kCubieCount; ++i)
    for (int f = 0; f < 6; ++f) CubeState[i].faceSlot[f] = i * 6 + f;
}

// The labels after the cube model's own operations, from a fresh labelling.
struct ModelOp {
  bool cubeTurn;
  int value;  // sense of a cube turn, else a turn number
};
inline ModelOp Turn(int k) { return {false, k}; }
inline ModelOp CubeTurn(int sense) { return {true, sense}; }

// The cube is left as it was.
inline FaceSlots ModelSlots(const std::vector<ModelOp>& ops) {
  std::array<Cubie, kCubieCount> saved;
  std::copy(std::begin(CubeState), std::end(CubeState), saved.begin());
  LabelFaces();
  for (const ModelOp& op : ops) {
    if (op.cubeTurn) {
      ApplyCubeTurn(op.value);
    } else {
      const TurnDef& t = kTurnDefs[op.value];
      ApplyLayerTurn(t.axis, t.slab, t.sense);
    }
  }
  const FaceSlots s = CurrentSlots();
  std::copy(saved.begin(), saved.end(), CubeState);
  return s;
}

// A turn started or committed on a pass; `drawn` is the largest |angle| on that
// pass's frame (0 for a start).
struct TurnEvent {
  int pass;
  int turn;
  float drawn;
  bool operator==(const TurnEvent& o) const {
    return pass == o.pass && turn == o.turn && drawn == o.drawn;
  }
};
inline void PrintTo(const TurnEvent& e, std::ostream* os) {
  *os << "{pass " << e.pass << ", turn " << e.turn << ", drawn " << e.drawn << "}";
}

class PlayDriver : public ::testing::Test {
 protected:
  using Event = TurnEvent;

  void SetUp() override { Restart(); }
  void TearDown() override {
    ReleaseAll();
    ResetPlay();
    ResetCubeState();
  }

  void Restart() {
    TearDown();
    LabelFaces();
    pass = 0;
    broken = false;
    starts.clear();
    commits.clear();
    drawn.clear();
  }

  static void Keys(std::initializer_list<int> codes) {
    for (int c : codes) KeyState[c] = true;
  }
  static void Digits(std::initializer_list<int> digits) {
    for (int d : digits) KeyState[VkNumpad0 + d] = true;
  }
  static void ReleaseAll() { std::fill(std::begin(KeyState), std::end(KeyState), false); }

  static float LargestAngle() {
    float m = 0.0f;
    for (const Cubie& c : CubeState)
      m = std::max({m, std::fabs(c.angleX), std::fabs(c.angleY), std::fabs(c.angleZ)});
    return m;
  }

  // The one turn requested, or -1 (-2 when more than one is).
  static int PendingTurn() {
    int turn = -1, count = 0;
    for (int k = 0; k < kTurnCount; ++k)
      if (Play.TurnRequest[k]) turn = k, ++count;
    return count > 1 ? -2 : turn;
  }

  // One turn at most, TurnBusy exactly while one is requested, TurnStep 1..15
  // while it runs, and the tilt within [-70, 70]. Reports the first break only.
  void CheckInvariants(int before, int after) {
    const bool ok = before != -2 && after != -2 && Play.TurnBusy == (after >= 0) &&
                    (after < 0 ? Play.TurnStep == 0 : Play.TurnStep >= 1 && Play.TurnStep <= 15) &&
                    View.ViewAngleX >= -70.0f && View.ViewAngleX <= 70.0f;
    if (!ok && !broken)
      ADD_FAILURE() << "pass " << pass << ": turn " << after << " busy " << Play.TurnBusy
                    << " step " << Play.TurnStep << " tilt " << View.ViewAngleX;
    broken = broken || !ok;
  }

  void Step() {
    View.ViewAngleX += View.ViewSpeedX;
    View.ViewAngleY += View.ViewSpeedY;
    for (int i = 0; i < kCubieCount; ++i) {
      CubeState[i].angleX += Play.TurnRateX[i];
      CubeState[i].angleY += Play.TurnRateY[i];
      CubeState[i].angleZ += Play.TurnRateZ[i];
    }
    drawn.push_back(LargestAngle());
    const int before = PendingTurn();
    UpdatePlay();
    const int after = PendingTurn();
    CheckInvariants(before, after);
    if (before >= 0 && before != after) commits.push_back({pass, before, drawn.back()});
    if (Play.TurnStep == 1) starts.push_back({pass, after, 0.0f});
    ++pass;
  }
  void Run(int passes) {
    for (int n = 0; n < passes; ++n) Step();
  }

  int pass = 0;
  bool broken = false;
  std::vector<Event> starts, commits;
  std::vector<float> drawn;
};
