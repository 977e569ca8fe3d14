// GL projection, one-time GL state and the drawing of one frame.
#pragma once

// Sets the viewport and a 45-degree perspective for a client area of the
// given size (a height of 0 counts as 1).
void ResizeViewport(int width, int height);

// Loads the textures and sets the GL state of a new context; seeds the
// scramble's random generator and applies the solved colouring. False when the
// required texture could not be loaded.
bool SetupGl();

// Draws one frame (backdrop, view rotation, the 26 cubies with their turn
// rates) and waits for the frame pacing. Always true.
bool RenderFrame();
