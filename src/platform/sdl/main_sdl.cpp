// The program's entry point on SDL2: the build's start-up policy, then
// straight into the portable frame loop.
#include <SDL.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "platform/sdl/gl_window_sdl.h"
#include "seam/platform.h"

int main() {
  // The screen saver and monitor power-down stay off while the game runs.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
#ifdef __GLIBC__
  // Mesa's software rasterizer allocates and frees about a hundred 64 KiB
  // blocks per frame. With glibc's default trim threshold the freed top of
  // the heap goes back to the system after each batch, so every frame
  // faults in and zeroes megabytes anew: that doubled the cost of a frame.
  // The heap keeps up to 64 MiB of freed memory for the next frame.
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
  const int exitCode = RunVoxra();
  EndSdlVideo();
  return exitCode;
}
