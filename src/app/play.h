// The play update: keypad chords, the turn animation, the view motion, cube
// turns and the scramble. Called once per idle pass of the frame loop.
#pragma once

#include <cstdint>

constexpr int kTurnCount = 18;
// ScrambleCount between scrambles: a scramble counts it down past 0, one
// turn per step, so it makes kScrambleCountAtRest + 2 turns.
constexpr int kScrambleCountAtRest = 20;

// The turn machine and the scramble. (The turn rates and the view it moves
// are the drawing's: render/gl_scene.h.)
struct PlayState {
  bool TurnRequest[kTurnCount] = {};
  bool TurnBusy = false;
  std::int32_t TurnStep = 0;
  bool Scrambling = false;
  std::int32_t ScrambleCount = kScrambleCountAtRest;
  // A cube turn fell due while a layer turn was running and has not run yet
  // (or the spin is still past the mark after running it late).
  bool cubeTurnLate = false;
  // The turn requested last came from the scramble, not from a chord.
  bool turnByScramble = false;
};

extern PlayState Play;

// One pass of the play update: takes a chord or a scramble step while no turn
// is busy, applies a cube turn when the view spin has reached +-46.5 degrees,
// moves the view, and advances or commits the turn in progress.
void UpdatePlay();

// Requests one random turn and counts the scramble down; the step that finds
// the count below 0 ends the scramble. Called by UpdatePlay while TurnBusy is
// clear and a scramble is running or S is held.
void ScrambleStep();

// Puts Play and the scene's view and rates back to their start values.
void ResetPlay();
