// The Win32 entry point: hands over to the portable program body at once.
#include <windows.h>

#include "seam/platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunVoxra(); }
