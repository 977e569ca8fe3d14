// Frame pacing, measured: how far apart RenderFrame's paced frames really end,
// against the same frames drawn unpaced in the same process.
//
//   render_bench [FRAMES]      (run from a folder with Data/, e.g. the build folder)
//
// Prints the unpaced frame time, the paced interval and rate, and their
// ratios to the 60 fps target. Nothing is asserted: pacing depends on the
// machine and its load.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/play.h"
#include "platform/frame_timer.h"
#include "platform/platform.h"
#include "render/gl.h"
#include "render/gl_scene.h"

// Loader messages go to the console here.
MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons, MessageIcon,
                             MessageOwner) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  return MessageAnswer::Ok;
}

namespace {

std::int64_t Frequency = 1;  // the counter's ticks per second

struct Stats {
  double meanMs;
  double minMs;
  double maxMs;
  double p99Ms;
};

Stats Summarise(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  double sum = 0;
  for (double v : ms) sum += v;
  const std::size_t p99 = std::min(ms.size() - 1, ms.size() * 99 / 100);
  return {sum / static_cast<double>(ms.size()), ms.front(), ms.back(), ms[p99]};
}

// Frame intervals in milliseconds: the time between the ends of successive
// frame waits (the timer's own last count), with glFinish standing in for the
// buffer swap that follows each frame, and the view spinning as in play.
std::vector<double> Run(int frames) {
  std::vector<double> ms;
  ms.reserve(static_cast<std::size_t>(frames));
  View.ViewSpeedY = 0.5f;
  QueryCounter(&FramePacer.lastCount);
  std::int64_t last = FramePacer.lastCount;
  for (int i = 0; i < frames; ++i) {
    RenderFrame();
    glFinish();
    ms.push_back(1000.0 * static_cast<double>(FramePacer.lastCount - last) /
                 static_cast<double>(Frequency));
    last = FramePacer.lastCount;
  }
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 180;
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
    return 1;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_Window* window = SDL_CreateWindow("render_bench", 0, 0, 400, 400, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) {
    std::fprintf(stderr, "no GL context: %s\n", SDL_GetError());
    return 1;
  }
  ResizeViewport(400, 400);
  if (!SetupGl()) {
    std::fprintf(stderr, "SetupGl failed: is there a Data/ folder here?\n");
    return 1;
  }

  // Baseline: the same frames without pacing (a timer without a counter
  // frequency returns after one sample).
  const std::int64_t frequency = FramePacer.frequency;
  Frequency = frequency;
  FramePacer.frequency = 0;
  const Stats unpaced = Summarise(Run(frames));

  FramePacer.frequency = frequency;
  const Stats paced = Summarise(Run(frames));

  const double targetMs = 1000.0 / 60.0;
  std::printf("counter frequency: %lld ticks/s, %d frames each\n",
              static_cast<long long>(frequency), frames);
  std::printf("unpaced: %.3f ms/frame (%.0f fps), min %.3f, max %.3f\n", unpaced.meanMs,
              1000.0 / unpaced.meanMs, unpaced.minMs, unpaced.maxMs);
  std::printf("paced:   %.3f ms/frame (%.2f fps), min %.3f, max %.3f, p99 %.3f\n", paced.meanMs,
              1000.0 / paced.meanMs, paced.minMs, paced.maxMs, paced.p99Ms);
  std::printf("ratios:  paced interval / target %.4f; min / target %.4f; "
              "unpaced cost / target %.4f; paced / unpaced %.1f\n",
              paced.meanMs / targetMs, paced.minMs / targetMs, unpaced.meanMs / targetMs,
              paced.meanMs / unpaced.meanMs);

  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
