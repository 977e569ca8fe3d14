// Caps the frame rate by spinning on the high-resolution counter.
#pragma once

#include <cstdint>

struct FrameTimer {
  using CounterFn = bool (*)(std::int64_t*);

  std::int64_t startCount = 0;
  std::int64_t frequency = 0;   // ticks per second; 0 without a counter
  std::int64_t lastCount = 0;   // counter value at the end of the last wait
  CounterFn readCounter;

  // Reads the platform counter; tests pass a stand-in counter and frequency.
  FrameTimer();
  FrameTimer(CounterFn counter, CounterFn frequencyFn);

  // Waits until the rate since the last wait is no longer above `target`
  // frames per second; returns the rate of the final sample.
  double WaitForFrame(float target);
};

extern FrameTimer FramePacer;
