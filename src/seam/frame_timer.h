// Caps the frame rate on the high-resolution counter: sleeps through most of
// each wait and spins on the counter for the last stretch.
#pragma once

#include <cstdint>

struct FrameTimer {
  using CounterFn = bool (*)(std::int64_t*);

  std::int64_t startCount = 0;
  std::int64_t frequency = 0;   // ticks per second; 0 without a counter
  std::int64_t lastCount = 0;   // counter value at the end of the last wait
  std::int64_t sleepLate = 0;   // how late the layer's sleeps have woken lately, in ticks
  CounterFn readCounter;

  // Reads the platform counter; tests pass a stand-in counter and frequency.
  FrameTimer();
  FrameTimer(CounterFn counter, CounterFn frequencyFn);

  // Waits until the rate since the last wait is no longer above `target`
  // frames per second; returns the rate of the final sample.
  double WaitForFrame(float target);
};

extern FrameTimer FramePacer;
