// The program's entry point on SDL2: straight into the portable frame loop.
#include "app/frame_loop.h"
#include "platform/sdl/gl_window_sdl.h"

int main() {
  const int exitCode = RunVoxra();
  EndSdlVideo();
  return exitCode;
}
