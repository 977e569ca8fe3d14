// The reference presenter: the same platform layer and window as the game,
// with the least possible frame (a clear) presented at exact 60 Hz deadlines.
// Observed from outside the same way as the game, it gives the suite's
// baselines for pacing, key-to-picture latency and start-up.
//
// Each frame is cleared to one of two colours; any key pressed switches the
// colour from the next frame drawn. Escape or the close box ends it.
#include <cstdint>

#include "seam/platform.h"
#include "render/gl.h"
#ifndef _WIN32
#include "platform/sdl/gl_window_sdl.h"
#endif

namespace {

bool AnyKeyNewlyDown(bool* before) {
  bool any = false;
  for (int k = 0; k < 256; ++k) {
    if (KeyState[k] && !before[k]) any = true;
    before[k] = KeyState[k];
  }
  return any;
}

}  // namespace

int main() {
#ifndef _WIN32
  ApplyProcessPolicy();  // the game's own process policy, so that only the frame differs
#endif
  std::int64_t frequency = 0;
  if (!QueryCounterFrequency(&frequency) || frequency <= 0) return 1;
  if (!OpenGlWindow("Voxra perf reference", 400, 400, 16, false)) return 1;
  const std::int64_t period = frequency / 60;
  const std::int64_t remainder = frequency % 60;  // spread, so 60 periods are 1 s
  std::int64_t deadline = 0;
  QueryCounter(&deadline);
  int phase = 0;
  bool held[256] = {};
  bool light = false;
  for (;;) {
    std::intptr_t param = 0;
    const PumpResult pumped = PumpOneMessage(&param);
    if (pumped == PumpResult::Quit) break;
    if (pumped == PumpResult::Handled) continue;
    if (KeyState[VkEscape]) break;
    if (AnyKeyNewlyDown(held)) light = !light;
    const float v = light ? 0.8f : 0.3f;
    glClearColor(v, 0.5f, 1.0f - v, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // Absolute deadlines: a late frame does not move the ones after it.
    deadline += period + (phase++ % 60 < remainder ? 1 : 0);
    std::int64_t now = 0;
    do {
      QueryCounter(&now);
    } while (now < deadline);
    if (now - deadline > frequency / 10) deadline = now;  // far behind: start again
    SwapGlBuffers();
  }
  CloseGlWindow();
  return 0;
}
