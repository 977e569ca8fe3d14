// FrameTimer arithmetic on a scripted stand-in counter; real pacing is left to
// a benchmark.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/frame_timer.h"
#include "platform/platform.h"

namespace {

// One script value per read, the last repeated; an empty script cannot be read.
std::vector<std::int64_t> Script;
std::size_t Reads = 0;
std::int64_t Frequency = 0;  // 0: no counter

bool ScriptedCounter(std::int64_t* count) {
  if (Script.empty()) return false;
  *count = Script[std::min(Reads++, Script.size() - 1)];
  return true;
}
bool ScriptedFrequency(std::int64_t* frequency) {
  *frequency = Frequency;
  return Frequency != 0;
}

TEST(FrameTimerTest, WaitsSpinUntilTheRateIsAtMostTheTarget) {
  struct Wait {
    float target;
    std::vector<std::int64_t> reads;
    double rate;  // returned, followed by the reads taken and lastCount after
    std::size_t used, last;
  };
  const struct {
    const char* name;
    std::int64_t frequency, start;
    std::vector<Wait> waits;
  } cases[] = {
      // 600 ticks a second: 60 fps is 10 ticks, measured from the end of the last wait.
      {"paced", 600, 100, {{60, {104, 109, 110, 111}, 60, 3, 110}, {60, {115, 121}, 600.0 / 11, 2, 121},
                           {30, {130, 140, 141}, 30, 3, 141}}},
      // A long frame returns at once, and the next still waits its full interval.
      {"no catch-up", 600, 0, {{60, {20}, 30, 1, 20}, {60, {21, 29, 30}, 60, 3, 30}}},
      {"unmoved counter is an infinite rate", 600, 50, {{60, {50, 50, 60}, 60, 3, 60}}},
      // Without a frequency: 0 / 0 is NaN and a moved counter gives 0; neither waits.
      {"no frequency", 0, 0, {{60, {0, 0}, std::nan(""), 1, 0}, {60, {500}, 0, 1, 500}}},
      {"unreadable counter", 600, 10, {{60, {}, 0, 0, 10}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Frequency = c.frequency;
    Script = {c.start};
    FrameTimer timer(ScriptedCounter, ScriptedFrequency);
    for (const Wait& w : c.waits) {
      Script = w.reads;
      Reads = 0;
      const double rate = timer.WaitForFrame(w.target);
      EXPECT_TRUE(std::isnan(w.rate) ? std::isnan(rate) : std::fabs(rate - w.rate) < 1e-9) << rate;
      EXPECT_EQ(Reads, w.used);
      EXPECT_EQ(timer.lastCount, static_cast<std::int64_t>(w.last));
    }
  }
}

TEST(PlatformClockTest, CounterHasAFrequencyAndNeverRunsBackwards) {
  std::int64_t frequency = 0, previous = 0, now = 0;
  ASSERT_TRUE(QueryCounterFrequency(&frequency));
  EXPECT_GT(frequency, 0);
  ASSERT_TRUE(QueryCounter(&previous));
  for (int i = 0; i < 1000; ++i, previous = now) {
    ASSERT_TRUE(QueryCounter(&now));
    ASSERT_GE(now, previous);
  }
  EXPECT_EQ(FramePacer.frequency, frequency);  // the program's timer uses the same counter
  EXPECT_LE(FramePacer.startCount, previous);
}

}  // namespace
