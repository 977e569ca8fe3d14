// The program's body: opens the window, runs the frame loop, closes the window.
#pragma once

// Runs Voxra until Escape, the quit message or a failed (re)open, and returns
// the process exit code: the quit message's code, 0 after Escape, 1 after a
// failed open.
int RunVoxra();
