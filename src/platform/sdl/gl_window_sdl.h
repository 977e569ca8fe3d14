// What the SDL window layer offers beyond the seam.
#pragma once

// Closes the window if one is open and ends the video subsystem, which
// OpenGlWindow starts once and keeps across reopenings. For the end of the
// program (and of each window test).
void EndSdlVideo();
