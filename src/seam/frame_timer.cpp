#include "seam/frame_timer.h"

#include "seam/platform.h"

FrameTimer FramePacer;

FrameTimer::FrameTimer() : FrameTimer(QueryCounter, QueryCounterFrequency) {}

FrameTimer::FrameTimer(CounterFn counter, CounterFn frequencyFn) : readCounter(counter) {
  if (frequencyFn(&frequency)) {
    readCounter(&startCount);
  } else {
    frequency = 0;
  }
  lastCount = startCount;
}

double FrameTimer::WaitForFrame(float target) {
  // Pure busy-wait: no sleep or yield between samples, so the pacing has the
  // counter's resolution. A frequency of 0 gives a rate of 0 (or NaN when the
  // counter has not moved either); both leave the loop after one sample.
  std::int64_t now = 0;
  long double rate = 0.0L;
  do {
    // A counter that cannot be read ends the wait unpaced rather than hangs.
    if (!readCounter(&now)) return 0.0;
    const std::int64_t elapsed = now - lastCount;
    rate = static_cast<long double>(frequency) / static_cast<long double>(elapsed);
  } while (rate > target);
  lastCount = now;
  return static_cast<double>(rate);
}
