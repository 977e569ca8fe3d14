// The Win32 entry point: hands over to the portable program body at once.
#include <windows.h>

#include "app/frame_loop.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunVoxra(); }
