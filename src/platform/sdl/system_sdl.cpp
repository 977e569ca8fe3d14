// The SDL layer's clocks. Its files are the POSIX ones (platform/posix), its
// DIB conversion the portable converter.
#include <SDL.h>

#include <ctime>

#include "seam/platform.h"

// SDL initialises its clock on first use, so these work before SDL_Init (the
// frame timer reads them during static construction).
bool QueryCounterFrequency(std::int64_t* frequency) {
  const Uint64 value = SDL_GetPerformanceFrequency();
  *frequency = static_cast<std::int64_t>(value);
  return value != 0;
}

bool QueryCounter(std::int64_t* count) {
  *count = static_cast<std::int64_t>(SDL_GetPerformanceCounter());
  return true;
}

// Milliseconds since system start, like GetTickCount, rather than since SDL
// started: the scramble's seed then differs from run to run.
std::uint32_t TickCountMs() {
  timespec now;
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return SDL_GetTicks();
  const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}
