// The play update: keypad chords, the turn animation, the view motion, cube
// turns and the scramble. Called once per idle pass of the frame loop.
#pragma once

#include <cstdint>

constexpr int kTurnCount = 18;
// ScrambleCount between scrambles: a scramble counts it down past 0, one
// turn per step, so it makes kScrambleCountAtRest + 2 turns.
constexpr int kScrambleCountAtRest = 20;

// Turn machine and scramble state, shared with the drawing of a frame.
struct PlayState {
  bool TurnRequest[kTurnCount] = {};
  bool TurnBusy = false;
  std::int32_t TurnStep = 0;
  // Degrees per drawn frame, by cubie index, handed to Cubie::Draw.
  float TurnRateX[26] = {};
  float TurnRateY[26] = {};
  float TurnRateZ[26] = {};
  bool Scrambling = false;
  std::int32_t ScrambleCount = kScrambleCountAtRest;
};

// The view tilt (X) and spin (Y) in degrees, and their speeds per drawn frame.
struct ViewState {
  float ViewAngleX = 0.0f;
  float ViewAngleY = 0.0f;
  float ViewSpeedX = 0.0f;
  float ViewSpeedY = 0.0f;
  // A cube turn fell due while a layer turn was running and has not run yet
  // (or the spin is still past the mark after running it late).
  bool CubeTurnLate = false;
};

extern PlayState Play;
extern ViewState View;

// One pass of the play update: takes a chord or a scramble step while no turn
// is busy, applies a cube turn when the view spin has reached +-46.5 degrees,
// moves the view, and advances or commits the turn in progress.
void UpdatePlay();

// Requests one random turn and counts the scramble down; the step that finds
// the count below 0 ends the scramble. Called by UpdatePlay while TurnBusy is
// clear and a scramble is running or S is held.
void ScrambleStep();

// Puts Play and View back to their start values.
void ResetPlay();
