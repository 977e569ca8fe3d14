// The performance counter and the tick count on Win32.
#include <windows.h>

#include "platform/platform.h"

bool QueryCounterFrequency(std::int64_t* frequency) {
  LARGE_INTEGER value;
  if (!QueryPerformanceFrequency(&value)) {
    *frequency = 0;
    return false;
  }
  *frequency = value.QuadPart;
  return true;
}

bool QueryCounter(std::int64_t* count) {
  LARGE_INTEGER value;
  if (!QueryPerformanceCounter(&value)) return false;
  *count = value.QuadPart;
  return true;
}

std::uint32_t TickCountMs() { return GetTickCount(); }
