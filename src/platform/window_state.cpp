// The window state shared between the platform layer and the portable code.
#include "platform/platform.h"

bool KeyState[256] = {};
bool WindowActive = true;
bool FullscreenMode = false;
