// The play update: keypad chords, the turn animation, the view motion and the
// cube turns about Y.
#include "app/play.h"

#include "cube/cube_state.h"
#include "render/gl_scene.h"
#include "seam/platform.h"

PlayState Play;

namespace {

static_assert(kTurnCount == kLayerTurnCount, "the play update makes the layer turns of kTurnNames");

// Chords: the first held anchor (in table order) picks the turn of its first
// held partner; an anchor without a held partner ends the search.
struct Partner {
  int digit;
  int turn;
};
struct Anchor {
  int digit;
  int partnerCount;
  Partner partners[6];
};

constexpr Anchor kAnchors[] = {
    {0, 6, {{7, 12}, {9, 13}, {4, 14}, {6, 15}, {1, 16}, {3, 17}}},
    {5, 4, {{8, 8}, {6, 10}, {4, 11}, {2, 9}}},
    {6, 2, {{9, 0}, {3, 1}}},
    {2, 2, {{1, 3}, {3, 2}}},
    {4, 2, {{1, 5}, {7, 4}}},
    {8, 2, {{7, 7}, {9, 6}}},
};

// Order in which the animation visits the requests on every pass.
constexpr int kVisitOrder[kTurnCount] = {1, 0, 2, 3, 4, 5, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14, 17, 16};

constexpr float kTurnRate = 6.0f;    // degrees per drawn frame
constexpr std::int32_t kTurnSteps = 15;  // 15 x 6 = a quarter turn
constexpr float kViewKeyStep = 1.5f;
constexpr float kViewDecay = 0.75f;
// The view speeds stop growing at 45 degrees per frame: what one second
// (60 frames) of holding an arrow reaches, a multiple of the decay, and far
// enough under 90 that the picture never stands still or strobes.
constexpr float kViewSpeedLimit = 45.0f;
constexpr float kCubeTurnAt = 46.5f;
constexpr float kCubeTurnTo = 43.5f;

bool DigitHeld(int digit) { return KeyState[VkNumpad0 + digit]; }

// The turn number of the held chord, or -1 when none is held.
int HeldChord() {
  for (const Anchor& anchor : kAnchors) {
    if (!DigitHeld(anchor.digit)) continue;
    for (int n = 0; n < anchor.partnerCount; ++n)
      if (DigitHeld(anchor.partners[n].digit)) return anchor.partners[n].turn;
    return -1;
  }
  return -1;
}

// Writes `rate` into the turn's rate table for the cubies of its slab only.
void SetSlabRate(const TurnName& turn, float rate) {
  float* const tables[3] = {Scene.TurnRateX, Scene.TurnRateY, Scene.TurnRateZ};
  for (int i = 0; i < kCubieCount; ++i)
    if (kCubieHome[i][turn.axis] == turn.slab) tables[turn.axis][i] = rate;
}

// Speeds are multiples of 0.75, so this brings them to rest at exactly 0.
void DecaySpeed(float& speed) {
  if (speed > 0.0f) speed -= kViewDecay;
  if (speed < 0.0f) speed += kViewDecay;
}

void ApplyViewKey(int key, float& speed, float delta) {
  if (KeyState[key]) speed += delta;
}

void LimitSpeed(float& speed) {
  if (speed > kViewSpeedLimit) speed = kViewSpeedLimit;
  if (speed < -kViewSpeedLimit) speed = -kViewSpeedLimit;
}

// Turns the cube's contents about Y once the spin has reached 46.5 degrees
// either way. A cube turn never runs while a slab is drawn turned (TurnStep
// past 0): it would move the turning slab's contents under it. One that falls
// due then waits for the commit and shifts the spin by exactly the quarter
// turn it makes, so the picture does not jump however far the view has spun.
void CubeTurnIfDue() {
  const int sense = Scene.ViewAngleY >= kCubeTurnAt ? +90 : Scene.ViewAngleY <= -kCubeTurnAt ? -90 : 0;
  if (sense == 0) {
    Play.cubeTurnLate = false;
    return;
  }
  if (Play.TurnStep > 0) {
    Play.cubeTurnLate = true;
    return;
  }
  ApplyCubeTurn(sense);
  PuzzleChanged(sense > 0 ? kCubeTurnPlus : kCubeTurnMinus, false);
  if (Play.cubeTurnLate) {
    Scene.ViewAngleY -= static_cast<float>(sense);
  } else {
    Scene.ViewAngleY = sense > 0 ? -kCubeTurnTo : kCubeTurnTo;
  }
}

}  // namespace

void ResetPlay() {
  Play = PlayState{};
  Scene = SceneState{};
}

void UpdatePlay() {
  // Requests: a running scramble or S takes the place of the chords. Nothing
  // is taken while a turn is busy, so one turn runs at a time.
  if (Play.Scrambling || KeyState[VkS]) {
    if (!Play.TurnBusy) ScrambleStep();
  } else if (!Play.TurnBusy) {
    const int turn = HeldChord();
    if (turn >= 0) {
      Play.TurnRequest[turn] = true;
      Play.TurnBusy = true;
      Play.turnByScramble = false;
    }
  }

  CubeTurnIfDue();  // at most one per pass

  ApplyViewKey(VkUp, Scene.ViewSpeedX, -kViewKeyStep);
  ApplyViewKey(VkDown, Scene.ViewSpeedX, +kViewKeyStep);
  ApplyViewKey(VkLeft, Scene.ViewSpeedY, -kViewKeyStep);
  ApplyViewKey(VkRight, Scene.ViewSpeedY, +kViewKeyStep);
  DecaySpeed(Scene.ViewSpeedX);
  DecaySpeed(Scene.ViewSpeedY);
  LimitSpeed(Scene.ViewSpeedX);
  LimitSpeed(Scene.ViewSpeedY);

  // Turn animation: one shared step counter; after 15 rotated frames the slab
  // stands at exactly the quarter turn and the turn is committed.
  for (const int k : kVisitOrder) {
    if (!Play.TurnRequest[k]) continue;
    const TurnName& turn = kTurnNames[k];
    if (Play.TurnStep < kTurnSteps) {
      ++Play.TurnStep;
      SetSlabRate(turn, turn.sense > 0 ? kTurnRate : -kTurnRate);
    } else {
      SetSlabRate(turn, 0.0f);
      ApplyLayerTurn(static_cast<Axis>(turn.axis), turn.slab, turn.sense);
      Play.TurnRequest[k] = false;
      Play.TurnBusy = false;
      Play.TurnStep = 0;
      PuzzleChanged(k, Play.turnByScramble);
    }
  }
}

bool PuzzleSolved() { return EachSideShowsOneSlot(); }

bool ReplayTurns(const std::uint8_t* turns, int count) {
  if (Play.TurnBusy || count < 0) return false;
  for (int n = 0; n < count; ++n)
    if (turns[n] >= kTurnNameCount) return false;
  for (int n = 0; n < count; ++n) {
    const TurnName& turn = kTurnNames[turns[n]];
    if (turns[n] >= kLayerTurnCount) {
      ApplyCubeTurn(turn.sense);
    } else {
      ApplyLayerTurn(static_cast<Axis>(turn.axis), turn.slab, turn.sense);
    }
  }
  return true;
}
