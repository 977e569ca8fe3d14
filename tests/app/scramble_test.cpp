#include <cstdlib>

#include "play_driver.h"

namespace {

constexpr unsigned kSeed = 20261206;

// The turns rand() % 18 will give after srand(kSeed); leaves the generator
// seeded again, so that the scramble draws the same values.
std::vector<int> PredictedTurns(int count) {
  std::srand(kSeed);
  std::vector<int> turns;
  for (int n = 0; n < count; ++n) turns.push_back(std::rand() % kTurnCount);
  std::srand(kSeed);
  return turns;
}

// One event every 16 passes from pass `offset`, for each turn in order.
std::vector<TurnEvent> OneEvery16Passes(const std::vector<int>& turns, int offset,
                                               float drawn) {
  std::vector<TurnEvent> events;
  for (std::size_t j = 0; j < turns.size(); ++j)
    events.push_back({int(j) * 16 + offset, turns[j], drawn});
  return events;
}

using ScrambleTest = PlayDriver;

TEST_F(ScrambleTest, TapOnSRunsTwentyTwoRandomTurnsLastCommittingOnPass351) {
  const std::vector<int> turns = PredictedTurns(22);
  Keys({VkS});
  Run(1);
  ReleaseAll();
  EXPECT_TRUE(Play.Scrambling);
  EXPECT_EQ(Play.ScrambleCount, 19);
  Run(335);  // through pass 335
  EXPECT_TRUE(Play.Scrambling);
  EXPECT_EQ(Play.ScrambleCount, -1);
  Run(1);  // pass 336 requests the last turn and ends the scramble
  EXPECT_FALSE(Play.Scrambling);
  EXPECT_EQ(Play.ScrambleCount, 20);
  Run(40);
  EXPECT_EQ(starts, OneEvery16Passes(turns, 0, 0.0f));
  EXPECT_EQ(commits, OneEvery16Passes(turns, 15, 90.0f));
  std::vector<ModelOp> ops;
  for (int k : turns) ops.push_back(Turn(k));
  EXPECT_EQ(CurrentSlots(), ModelSlots(ops));
}

TEST_F(ScrambleTest, HeldSGivesBackToBackScrambles) {
  const std::vector<int> turns = PredictedTurns(44);
  Keys({VkS});
  Run(352);
  EXPECT_FALSE(Play.Scrambling);
  Run(1);  // pass 352 starts the second scramble
  EXPECT_TRUE(Play.Scrambling);
  EXPECT_EQ(Play.ScrambleCount, 19);
  Run(351);
  EXPECT_EQ(starts, OneEvery16Passes(turns, 0, 0.0f));
  EXPECT_EQ(commits, OneEvery16Passes(turns, 15, 90.0f));
}

TEST_F(ScrambleTest, SBeatsAChordAndWaitsForABusyTurnToCommit) {
  int first = PredictedTurns(1)[0];
  Keys({VkS});
  Digits({6, 9});
  Run(1);
  EXPECT_EQ(starts, (std::vector<Event>{{0, first, 0.0f}}));

  Restart();
  first = PredictedTurns(1)[0];
  Digits({6, 9});
  Run(3);
  Keys({VkS});
  Run(13);  // through pass 15, the chord's commit
  EXPECT_FALSE(Play.Scrambling);
  Run(1);
  EXPECT_TRUE(Play.Scrambling);
  EXPECT_EQ(Play.ScrambleCount, 19);
  EXPECT_EQ(starts, (std::vector<Event>{{0, 0, 0.0f}, {16, first, 0.0f}}));
  EXPECT_EQ(commits, (std::vector<Event>{{15, 0, 90.0f}}));
}

// The ending step keeps TurnBusy set until the last turn commits: a chord or S
// held on the ending pass or during the last turn starts nothing before pass
// 352, and the last turn commits at a full quarter.
TEST_F(ScrambleTest, KeysAfterTheEndingStepWaitForTheLastCommit) {
  struct Case {
    bool chord;  // else S
    int from;    // first pass the keys are held
  };
  const Case cases[] = {{true, 330}, {true, 336}, {true, 340}, {true, 351},
                        {false, 336}, {false, 337}, {false, 350}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.chord ? "chord" : "S") << " from pass " << c.from);
    Restart();
    std::vector<int> turns = PredictedTurns(23);
    Keys({VkS});
    Run(1);
    ReleaseAll();
    Run(c.from - 1);
    if (c.chord)
      Digits({6, 9});
    else
      Keys({VkS});
    Run(353 - c.from);  // through pass 352
    std::vector<Event> expectedCommits = OneEvery16Passes({turns.begin(), turns.end() - 1}, 15, 90.0f);
    if (c.chord) turns.back() = 0;
    EXPECT_EQ(starts, OneEvery16Passes(turns, 0, 0.0f));
    EXPECT_EQ(commits, expectedCommits);
    EXPECT_EQ(Play.Scrambling, !c.chord);
  }
}

}  // namespace
