// The frame loop: one message per pass; a pass that finds the queue empty
// draws, presents and updates the play.
#include <cstdint>

#include "app/play.h"
#include "render/gl_scene.h"
#include "render/textures.h"
#include "seam/platform.h"

namespace {

// The colour request is deliberately 16 bits in both windows.
constexpr int kColourBits = 16;
// A game that could not open its window ends with this, so a launcher can
// tell it from one the user closed (0).
constexpr int kExitOpenFailed = 1;

// Deletes the textures while their context is still current, then closes
// the window.
void CloseWindow() {
  ReleaseTextures();
  CloseGlWindow();
}

// Closes the window and gives the exit code for the way the loop ended.
int LeaveLoop(int exitCode) {
  CloseWindow();
  return exitCode;
}

}  // namespace

int RunVoxra() {
  if (!OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, kColourBits, FullscreenMode)) {
    return kExitOpenFailed;
  }

  for (;;) {
    std::intptr_t lastParam = 0;
    const PumpResult pumped = PumpOneMessage(&lastParam);
    if (pumped == PumpResult::Quit) {
      return LeaveLoop(static_cast<int>(lastParam));
    }
    if (pumped == PumpResult::Handled) {
      continue;  // messages come first: no frame on a pass that took one
    }

    if (WindowActive && !RenderFrame()) {
      return LeaveLoop(0);
    }
    // Escape is checked before the swap, so the frame just drawn is never shown.
    if (KeyState[VkEscape]) {
      return LeaveLoop(0);
    }
    SwapGlBuffers();
    UpdatePlay();

    if (KeyState[VkF1]) {
      ConsumeKey(VkF1);  // only a new key-down toggles again
      CloseWindow();
      FullscreenMode = !FullscreenMode;
      // The reopened window is titled v1.1 on purpose; it never goes back to v1.2.
      if (!OpenGlWindow("Voxra - By Orvane v1.1", 640, 480, kColourBits, FullscreenMode)) {
        return kExitOpenFailed;  // the old window is already closed
      }
    }
  }
}
