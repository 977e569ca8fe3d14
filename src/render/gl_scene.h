// The drawing of one frame, and what each drawn frame advances. (The
// viewport and the GL state of a context, ResizeViewport, SetupGl and
// RestoreGl, are called by the window layers: seam/platform.h.)
#pragma once

#include "cube/cube_state.h"

// What each drawn frame adds: the view speeds to the view angles, each
// cubie's turn rates to its angles. Written by the play update.
struct SceneState {
  float ViewAngleX = 0.0f;  // tilt, degrees; drawn within +-70
  float ViewAngleY = 0.0f;  // spin, degrees
  float ViewSpeedX = 0.0f;  // degrees per drawn frame
  float ViewSpeedY = 0.0f;
  // Degrees per drawn frame, by cubie index, handed to DrawCubie.
  float TurnRateX[kCubieCount] = {};
  float TurnRateY[kCubieCount] = {};
  float TurnRateZ[kCubieCount] = {};
};

extern SceneState Scene;

// The tilt is held within this many degrees either way.
constexpr float kTiltLimit = 70.0f;

// Draws one frame (backdrop, view rotation, the 26 cubies with their turn
// rates) and waits for the frame pacing. Always true.
bool RenderFrame();

// Adds the increments (in X, Y, Z order) to the cubie's angles and draws it
// under the current modelview matrix, which it leaves as it found it.
void DrawCubie(Cubie& cubie, float dX, float dY, float dZ);
