// The SDL layer's clocks, its sleep and the process policy of the programs
// built on it. Its files are the POSIX ones (platform/posix), its DIB
// conversion the portable converter.
#include <SDL.h>

#include <ctime>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "platform/sdl/gl_window_sdl.h"

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

// On the monotonic clock, for the time asked: SDL_Delay would round to whole
// milliseconds. An interrupted sleep ends early, which the caller allows for.
void SleepForTicks(std::int64_t ticks) {
  const auto frequency = static_cast<std::int64_t>(SDL_GetPerformanceFrequency());
  if (ticks <= 0 || frequency <= 0) return;
  timespec wait;
  wait.tv_sec = static_cast<time_t>(ticks / frequency);
  wait.tv_nsec = static_cast<long>(static_cast<long double>(ticks % frequency) * 1e9L /
                                   static_cast<long double>(frequency));
  clock_nanosleep(CLOCK_MONOTONIC, 0, &wait, nullptr);
}

void ApplyProcessPolicy() {
  // The screen saver and monitor power-down stay off while the game runs.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
#ifdef __GLIBC__
  // Mesa's software rasterizer records its rasterizer state into the frame
  // for every texture change, about a hundred a frame here, at about one
  // 64 KiB block each, and frees the blocks when the frame is done. With
  // glibc's default trim threshold the freed top of the heap goes back to the
  // system after each frame, so every frame faults in and zeroes megabytes
  // anew: that doubled the cost of a frame. The heap keeps up to 64 MiB of
  // freed memory for the next frame.
  mallopt(M_TRIM_THRESHOLD, kHeapTrimThreshold);
#endif
}
