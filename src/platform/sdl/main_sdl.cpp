// The program's entry point on SDL2: straight into the portable frame loop.
#include "app/frame_loop.h"

int main() { return RunVoxra(); }
