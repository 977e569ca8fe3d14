// What the SDL layer offers its programs (the game and its benchmarks)
// beyond the seam.
#pragma once

// Closes the window if one is open and ends the video subsystem, which
// OpenGlWindow starts once and keeps across reopenings. For the end of the
// program (and of each window test).
void EndSdlVideo();

// The process policy of every program on this layer, set first thing in its
// main, before video starts: the screen saver held off, and (with glibc) a
// heap that keeps kHeapTrimThreshold bytes of freed memory instead of
// handing them back to the system after every frame.
void ApplyProcessPolicy();
constexpr int kHeapTrimThreshold = 64 << 20;
