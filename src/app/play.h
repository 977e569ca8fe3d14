// The play update: keypad chords, the turn animation, the view motion, cube
// turns and the scramble. Called once per idle pass of the frame loop.
#pragma once

#include <cstdint>

constexpr int kTurnCount = 18;
constexpr int kScrambleTurns = 20;  // ScrambleCount at rest

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
  std::int32_t ScrambleCount = kScrambleTurns;
};

// The view tilt (X) and spin (Y) in degrees, and their speeds per drawn frame.
struct ViewState {
  float ViewAngleX = 0.0f;
  float ViewAngleY = 0.0f;
  float ViewSpeedX = 0.0f;
  float ViewSpeedY = 0.0f;
};

extern PlayState Play;
extern ViewState View;

void UpdatePlay();
