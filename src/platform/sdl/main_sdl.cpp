// The program's entry point on SDL2: the layer's process policy, then
// straight into the portable frame loop.
#include "platform/sdl/gl_window_sdl.h"
#include "seam/platform.h"

int main() {
  ApplyProcessPolicy();
  const int exitCode = RunVoxra();
  EndSdlVideo();
  return exitCode;
}
