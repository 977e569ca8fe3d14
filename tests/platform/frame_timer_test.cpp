// FrameTimer arithmetic on a scripted stand-in counter. Real pacing is left to
// a benchmark; nothing here depends on the clock.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/frame_timer.h"
#include "platform/platform.h"

namespace {

// The stand-in counter hands out its script one value per read and repeats the
// last value once the script is used up.
std::vector<std::int64_t> Script;
std::size_t Reads = 0;
std::int64_t Frequency = 0;
bool HasFrequency = true;

bool ScriptedCounter(std::int64_t* count) {
  if (Script.empty()) return false;
  *count = Script[Reads < Script.size() ? Reads : Script.size() - 1];
  ++Reads;
  return true;
}

bool ScriptedFrequency(std::int64_t* frequency) {
  *frequency = HasFrequency ? Frequency : 0;
  return HasFrequency;
}

// A timer at counter value `start` with the given frequency; the script is
// then replaced by `reads` and the read count cleared.
FrameTimer MakeTimer(std::int64_t frequency, std::int64_t start, std::vector<std::int64_t> reads) {
  Frequency = frequency;
  HasFrequency = true;
  Script = {start};
  Reads = 0;
  FrameTimer timer(ScriptedCounter, ScriptedFrequency);
  Script = std::move(reads);
  Reads = 0;
  return timer;
}

TEST(FrameTimerTest, ConstructionSamplesFrequencyAndStart) {
  Frequency = 3000;
  HasFrequency = true;
  Script = {777};
  Reads = 0;
  FrameTimer timer(ScriptedCounter, ScriptedFrequency);
  EXPECT_EQ(timer.frequency, 3000);
  EXPECT_EQ(timer.startCount, 777);
  EXPECT_EQ(timer.lastCount, 777);
  EXPECT_EQ(Reads, 1u);

  // Without a frequency the counter is not read at all.
  HasFrequency = false;
  Reads = 0;
  FrameTimer none(ScriptedCounter, ScriptedFrequency);
  EXPECT_EQ(none.frequency, 0);
  EXPECT_EQ(none.startCount, 0);
  EXPECT_EQ(none.lastCount, 0);
  EXPECT_EQ(Reads, 0u);
}

TEST(FrameTimerTest, WaitsUntilTheRateFallsToTheTarget) {
  // 600 ticks a second: 60 fps is 10 ticks. Reads 4 and 9 are too early.
  FrameTimer timer = MakeTimer(600, 100, {104, 109, 110, 111});
  EXPECT_DOUBLE_EQ(timer.WaitForFrame(60.0f), 60.0);
  EXPECT_EQ(Reads, 3u);
  EXPECT_EQ(timer.lastCount, 110);

  // The next frame is measured from the end of this wait, not from the start.
  Script = {115, 121};
  Reads = 0;
  EXPECT_NEAR(timer.WaitForFrame(60.0f), 600.0 / 11.0, 1e-9);
  EXPECT_EQ(Reads, 2u);
  EXPECT_EQ(timer.lastCount, 121);

  // Another target, another interval: 30 fps is 20 ticks.
  Script = {130, 140, 141};
  Reads = 0;
  EXPECT_DOUBLE_EQ(timer.WaitForFrame(30.0f), 30.0);
  EXPECT_EQ(timer.lastCount, 141);
}

TEST(FrameTimerTest, LongFrameReturnsAtOnceWithoutCatchingUp) {
  FrameTimer timer = MakeTimer(600, 0, {20});  // two sixtieths of a second
  EXPECT_DOUBLE_EQ(timer.WaitForFrame(60.0f), 30.0);
  EXPECT_EQ(Reads, 1u);
  EXPECT_EQ(timer.lastCount, 20);

  // The following frame still waits its full sixtieth after the long one.
  Script = {21, 29, 30};
  Reads = 0;
  EXPECT_DOUBLE_EQ(timer.WaitForFrame(60.0f), 60.0);
  EXPECT_EQ(Reads, 3u);
}

TEST(FrameTimerTest, UnmovedCounterIsAnInfiniteRateAndKeepsWaiting) {
  FrameTimer timer = MakeTimer(600, 50, {50, 50, 60});
  EXPECT_DOUBLE_EQ(timer.WaitForFrame(60.0f), 60.0);
  EXPECT_EQ(Reads, 3u);
}

TEST(FrameTimerTest, WithoutACounterFramesAreNotPaced) {
  Frequency = 0;
  HasFrequency = false;
  Script = {};
  FrameTimer timer(ScriptedCounter, ScriptedFrequency);

  // Counter at 0 as well: 0 / 0 is not a number, which ends the wait.
  Script = {0, 0};
  Reads = 0;
  EXPECT_TRUE(std::isnan(timer.WaitForFrame(60.0f)));
  EXPECT_EQ(Reads, 1u);

  // A counter that moves gives a rate of 0.
  Script = {500};
  Reads = 0;
  EXPECT_EQ(timer.WaitForFrame(60.0f), 0.0);
  EXPECT_EQ(Reads, 1u);
  EXPECT_EQ(timer.lastCount, 500);
}

TEST(FrameTimerTest, UnreadableCounterEndsTheWait) {
  FrameTimer timer = MakeTimer(600, 10, {});
  EXPECT_EQ(timer.WaitForFrame(60.0f), 0.0);
  EXPECT_EQ(timer.lastCount, 10);
}

TEST(PlatformClockTest, CounterHasAFrequencyAndNeverRunsBackwards) {
  std::int64_t frequency = 0;
  ASSERT_TRUE(QueryCounterFrequency(&frequency));
  EXPECT_GT(frequency, 0);
  std::int64_t previous = 0;
  ASSERT_TRUE(QueryCounter(&previous));
  for (int i = 0; i < 1000; ++i) {
    std::int64_t now = 0;
    ASSERT_TRUE(QueryCounter(&now));
    ASSERT_GE(now, previous);
    previous = now;
  }
  // The program-wide timer was built on the same counter.
  EXPECT_EQ(FramePacer.frequency, frequency);
  EXPECT_LE(FramePacer.startCount, previous);
}

}  // namespace
