#include "seam/frame_timer.h"

#include <algorithm>
#include <cmath>

#include "seam/platform.h"

FrameTimer FramePacer;

namespace {

// What is left of the interval, less the last stretch that is spun: half a
// millisecond, and as much again as the sleeps have lately woken late. Never
// more than a second at a time.
std::int64_t TicksToSleep(const FrameTimer& timer, std::int64_t elapsed, float target) {
  if (!(target > 0.0f) || !std::isfinite(target)) return 0;
  const long double interval = static_cast<long double>(timer.frequency) / target;
  const long double spin = static_cast<long double>(timer.frequency / 2000 + timer.sleepLate);
  const long double sleep = interval - static_cast<long double>(elapsed) - spin;
  if (!(sleep > 0.0L)) return 0;
  return static_cast<std::int64_t>(std::min(sleep, static_cast<long double>(timer.frequency)));
}

// Keeps a slowly falling maximum of how late the sleeps wake. A sleep more
// than 2 ms late was pre-empted rather than imprecise, which no earlier
// waking would have caught in time: it counts as 2 ms.
void NoteSleepEnd(FrameTimer& timer, std::int64_t late) {
  late = std::clamp<std::int64_t>(late, 0, timer.frequency / 500);
  timer.sleepLate = std::max(late, timer.sleepLate - timer.sleepLate / 16);
}

}  // namespace

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
  // The wait ends at the first counter sample whose rate since the last wait
  // is no longer above the target, as a pure busy-wait would: sleeping only
  // spaces the samples out while the deadline is still far. A frequency of 0
  // gives a rate of 0 (or NaN when the counter has not moved either); both
  // leave the loop after one sample.
  std::int64_t now = 0;
  std::int64_t sleptAt = 0;
  std::int64_t sleptFor = 0;  // the sleep just taken, 0 if none
  long double rate = 0.0L;
  for (;;) {
    // A counter that cannot be read ends the wait unpaced rather than hangs.
    if (!readCounter(&now)) return 0.0;
    if (sleptFor > 0) NoteSleepEnd(*this, now - sleptAt - sleptFor);
    sleptFor = 0;
    const std::int64_t elapsed = now - lastCount;
    rate = static_cast<long double>(frequency) / static_cast<long double>(elapsed);
    if (!(rate > target)) break;
    const std::int64_t sleep = TicksToSleep(*this, elapsed, target);
    if (sleep > 0) {
      SleepForTicks(sleep);
      sleptAt = now;
      sleptFor = sleep;
    }
  }
  lastCount = now;
  return static_cast<double>(rate);
}
