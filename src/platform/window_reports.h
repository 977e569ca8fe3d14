// The messages both window layers show while opening and closing the window.
#pragma once

// An "ERROR" box for a step of opening that failed.
void ReportOpenError(const char* text);

// A "SHUTDOWN ERROR" box for a release that failed; closing goes on.
void ReportCloseError(const char* text);

// Tears down what was built so far, then reports the failed step. Always false.
bool FailOpen(const char* text);

// The fullscreen mode was refused: asks whether to go on windowed. Yes clears
// FullscreenMode and returns true; otherwise tells the user the program
// closes and returns false.
bool AcceptWindowedFallback();
