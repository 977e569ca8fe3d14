// UpdatePlay and the scramble driven pass by pass, each pass first standing in
// for the drawn frame (speeds into view angles, rates into cubie angles).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "app/play.h"
#include "cube/cube_state.h"
#include "platform/platform.h"

namespace {

struct TurnDef {
  Axis axis;
  int slab, sense;
};
// Turn numbers 0..17 as the keys and the scramble know them, and their chords.
const TurnDef kTurns[kTurnCount] = {
    {Axis::X, 1, -90},  {Axis::X, 1, 90},   {Axis::Y, -1, 90}, {Axis::Y, -1, -90},
    {Axis::X, -1, -90}, {Axis::X, -1, 90},  {Axis::Y, 1, 90},  {Axis::Y, 1, -90},
    {Axis::X, 0, -90},  {Axis::X, 0, 90},   {Axis::Y, 0, 90},  {Axis::Y, 0, -90},
    {Axis::Z, -1, 90},  {Axis::Z, -1, -90}, {Axis::Z, 0, 90},  {Axis::Z, 0, -90},
    {Axis::Z, 1, 90},   {Axis::Z, 1, -90}};
const int kChord[kTurnCount][2] = {{6, 9}, {6, 3}, {2, 3}, {2, 1}, {4, 7}, {4, 1}, {8, 9}, {8, 7}, {5, 8},
                                   {5, 2}, {5, 6}, {5, 4}, {0, 7}, {0, 9}, {0, 4}, {0, 6}, {0, 1}, {0, 3}};

using Slots = std::array<TextureSlot, kCubieCount * 6>;

Slots CurrentSlots() {
  Slots s{};
  for (int i = 0; i < kCubieCount * 6; ++i) s[i] = CubeState[i / 6].faceSlot[i % 6];
  return s;
}

// A fresh cube with a distinct label on every face, so any misplaced one shows.
void LabelFaces() {
  ResetCubeState();
  for (int i = 0; i < kCubieCount * 6; ++i) CubeState[i / 6].faceSlot[i % 6] = i;
}

// What the cube model makes of a fresh labelling after a cube turn of
// `cubeTurn` degrees (0: none) and then the layer turns; the cube is kept.
Slots ModelSlots(const std::vector<int>& turns, int cubeTurn = 0) {
  std::array<Cubie, kCubieCount> saved;
  std::copy(std::begin(CubeState), std::end(CubeState), saved.begin());
  LabelFaces();
  if (cubeTurn) ApplyCubeTurn(cubeTurn);
  for (int k : turns) ApplyLayerTurn(kTurns[k].axis, kTurns[k].slab, kTurns[k].sense);
  const Slots s = CurrentSlots();
  std::copy(saved.begin(), saved.end(), CubeState);
  return s;
}

// Pass, turn and the largest |angle| drawn on that pass (0 for a start).
using Events = std::vector<std::tuple<int, int, float>>;

void Keys(std::initializer_list<int> codes) {
  for (int c : codes) KeyState[c] = true;
}
void Release() { std::fill(std::begin(KeyState), std::end(KeyState), false); }

float Largest() {
  float m = 0.0f;
  for (const Cubie& c : CubeState)
    m = std::max({m, std::fabs(c.angleX), std::fabs(c.angleY), std::fabs(c.angleZ)});
  return m;
}

// The one turn requested, -1 for none, -2 for several.
int Pending() {
  const bool* r = Play.TurnRequest;
  const auto n = std::count(r, r + kTurnCount, true);
  return n > 1 ? -2 : n == 0 ? -1 : int(std::find(r, r + kTurnCount, true) - r);
}

// Passes from a fresh, labelled cube with no keys held.
struct Driver {
  Driver() {
    Release();
    ResetPlay();
    LabelFaces();
  }

  void Run(int passes) {
    for (; passes > 0; --passes, ++pass) {
      View.ViewAngleX += View.ViewSpeedX;
      View.ViewAngleY += View.ViewSpeedY;
      for (int i = 0; i < kCubieCount; ++i) {
        CubeState[i].angleX += Play.TurnRateX[i];
        CubeState[i].angleY += Play.TurnRateY[i];
        CubeState[i].angleZ += Play.TurnRateZ[i];
      }
      drawn.push_back(Largest());
      const int before = Pending();
      UpdatePlay();
      const int after = Pending();
      // One turn at most, busy exactly while requested, steps 1..15, tilt within 70.
      ASSERT_TRUE(before != -2 && after != -2 && Play.TurnBusy == (after >= 0) &&
                  (after < 0 ? Play.TurnStep == 0 : Play.TurnStep >= 1 && Play.TurnStep <= 15) &&
                  std::fabs(View.ViewAngleX) <= 70.0f)
          << "pass " << pass << " turn " << after << " tilt " << View.ViewAngleX;
      if (before >= 0 && before != after) commits.emplace_back(pass, before, drawn.back());
      if (Play.TurnStep == 1) starts.emplace_back(pass, after, 0.0f);
    }
  }

  int pass = 0;
  Events starts, commits;
  std::vector<float> drawn;
};

// Held: rates of +-6 on exactly its slab, commits at 90 degrees, a flat frame between.
TEST(PlayTest, EveryChordTurnsItsSlabQuarterByQuarterAsTheModelDoes) {
  for (int k = 0; k < kTurnCount; ++k) {
    SCOPED_TRACE(k);
    Driver d;
    const TurnDef& t = kTurns[k];
    Keys({VkNumpad0 + kChord[k][0], VkNumpad0 + kChord[k][1]});
    d.Run(1);
    const float* rates[3] = {Play.TurnRateX, Play.TurnRateY, Play.TurnRateZ};
    for (int a = 0; a < 3; ++a)
      for (int i = 0; i < kCubieCount; ++i)
        EXPECT_EQ(rates[a][i], a == int(t.axis) && CubieHome[i][a] == t.slab ? t.sense / 15.0f : 0.0f)
            << a << "," << i;
    d.Run(32);
    EXPECT_EQ(d.starts, (Events{{0, k, 0.0f}, {16, k, 0.0f}, {32, k, 0.0f}}));
    EXPECT_EQ(d.commits, (Events{{15, k, 90.0f}, {31, k, 90.0f}}));
    for (int p = 0; p <= 32; ++p) EXPECT_EQ(d.drawn[p], 6.0f * float(p % 16)) << "pass " << p;
    EXPECT_EQ(CurrentSlots(), ModelSlots({k, k}));
  }
}

TEST(PlayTest, AnchorOrderDecidesAndLoneKeysRequestNothing) {
  std::vector<std::pair<std::vector<int>, int>> cases = {
      {{0, 6, 9}, 13}, {{5, 6}, 10}, {{6, 4, 1}, -1}, {{0, 5, 8}, -1}, {{0, 7, 9}, 12}};
  // Every single key and every pair: a pair is a turn only if it is a chord.
  for (int a = 0; a <= 9; ++a)
    for (int b = a; b <= 9; ++b) {
      int turn = -1;
      for (int k = 0; k < kTurnCount; ++k)
        if (std::minmax(a, b) == std::minmax(kChord[k][0], kChord[k][1])) turn = k;
      cases.push_back({{a, b}, turn});
    }
  for (const auto& [digits, turn] : cases) {
    Driver d;
    for (int digit : digits) Keys({VkNumpad0 + digit});
    d.Run(1);
    EXPECT_EQ(d.starts.empty() ? -1 : std::get<1>(d.starts[0]), turn) << testing::PrintToString(digits);
  }
}

// Twelve passes held, then released; the driver checks the tilt after every update.
TEST(PlayTest, ViewSpeedGrowsAndDecaysToExactlyZeroAndTiltStopsAtSeventy) {
  const std::tuple<int, float*, float> cases[] = {
      {VkUp, &View.ViewSpeedX, -0.75f}, {VkDown, &View.ViewSpeedX, 0.75f},
      {VkLeft, &View.ViewSpeedY, -0.75f}, {VkRight, &View.ViewSpeedY, 0.75f}};
  for (const auto& [key, speed, step] : cases) {
    Driver d;
    Keys({key});
    for (int n = 1; n <= 24; ++n) {
      if (n == 13) Release();
      d.Run(1);
      EXPECT_EQ(*speed, step * float(n <= 12 ? n : 24 - n)) << "key " << key << " pass " << n;
    }
    EXPECT_EQ(View.ViewAngleX, speed == &View.ViewSpeedY ? 0.0f : step > 0 ? 70.0f : -70.0f) << key;
  }
}

TEST(PlayTest, CubeTurnsWhenTheSpinReachesFortySixAndAHalf) {
  const std::tuple<float, float, int> cases[] = {{-46.5f, 43.5f, -90}, {-46.25f, -46.25f, 0},
                                                 {-80.0f, 43.5f, -90}, {46.5f, -43.5f, 90},
                                                 {46.25f, 46.25f, 0},  {80.0f, -43.5f, 90}};
  for (const auto& [angle, after, sense] : cases) {
    SCOPED_TRACE(angle);
    Driver d;
    View.ViewAngleY = angle;
    d.Run(1);
    EXPECT_EQ(View.ViewAngleY, after);
    EXPECT_EQ(CurrentSlots(), ModelSlots({}, sense));
  }
}

TEST(PlayTest, CubeTurnDuringALayerTurnFlattensTheSlabWhichCommitsShort) {
  Driver d;
  Keys({VkNumpad0 + 6, VkNumpad0 + 9});
  d.Run(1);
  Release();
  d.Run(4);  // the frame of pass 5 will show the slab at -30
  View.ViewAngleY = 46.5f;
  d.Run(1);
  EXPECT_EQ(View.ViewAngleY, -43.5f);
  EXPECT_EQ(Largest(), 0.0f);
  d.Run(12);
  EXPECT_EQ(d.commits, (Events{{15, 0, 60.0f}}));
  EXPECT_EQ(CurrentSlots(), ModelSlots({0}, 90));
}

// The turns rand() % 18 gives, the generator seeded again for the scramble.
std::vector<int> PredictedTurns(int count) {
  std::srand(20261206);
  std::vector<int> turns;
  for (int n = 0; n < count; ++n) turns.push_back(std::rand() % kTurnCount);
  std::srand(20261206);
  return turns;
}

Events Every16(const std::vector<int>& turns, int offset, float drawn) {  // from pass `offset`
  Events events;
  for (std::size_t j = 0; j < turns.size(); ++j) events.emplace_back(int(j) * 16 + offset, turns[j], drawn);
  return events;
}

// S beats a chord pressed with it; held, it gives back-to-back scrambles.
TEST(PlayTest, ScrambleRunsTwentyTwoTurnsAndHeldSRunsAnother) {
  for (const bool held : {false, true}) {
    Driver d;
    const std::vector<int> turns = PredictedTurns(held ? 44 : 22);
    Keys({VkS, VkNumpad0 + 6, VkNumpad0 + 9});
    d.Run(1);
    if (!held) Release();
    d.Run(336);  // pass 336 requests the last turn and ends the scramble
    EXPECT_FALSE(Play.Scrambling);
    d.Run(held ? 367 : 40);
    EXPECT_EQ(d.starts, Every16(turns, 0, 0.0f));
    EXPECT_EQ(d.commits, Every16(turns, 15, 90.0f));  // the 22nd on pass 351
    EXPECT_EQ(CurrentSlots(), ModelSlots(turns));
  }
}

TEST(PlayTest, SDuringAChordTurnWaitsForItsCommit) {
  Driver d;
  Keys({VkNumpad0 + 6, VkNumpad0 + 9});
  d.Run(3);
  Keys({VkS});
  const int first = PredictedTurns(1)[0];
  d.Run(14);  // through pass 16, one after the chord's commit
  EXPECT_EQ(d.starts, (Events{{0, 0, 0.0f}, {16, first, 0.0f}}));
}

// The ending step keeps TurnBusy set until the last turn commits: a chord or S held on
// the ending pass or during the last turn starts nothing before that commit.
TEST(PlayTest, KeysAfterTheEndingStepWaitForTheLastCommit) {
  const std::pair<bool, int> cases[] = {{true, 330}, {true, 336},  {true, 340},  {true, 351},
                                        {false, 336}, {false, 337}, {false, 350}};  // chord?, from
  for (const auto& [chord, from] : cases) {
    SCOPED_TRACE(testing::Message() << (chord ? "chord" : "S") << " from pass " << from);
    Driver d;
    std::vector<int> turns = PredictedTurns(23);
    Keys({VkS});
    d.Run(1);
    Release();
    d.Run(from - 1);
    Keys({chord ? VkNumpad0 + 6 : VkS, chord ? VkNumpad0 + 9 : VkS});
    d.Run(353 - from);  // through pass 352
    const Events expectedCommits = Every16({turns.begin(), turns.end() - 1}, 15, 90.0f);
    if (chord) turns.back() = 0;
    EXPECT_EQ(d.starts, Every16(turns, 0, 0.0f));
    EXPECT_EQ(d.commits, expectedCommits);
    EXPECT_EQ(Play.Scrambling, !chord);
  }
}

}  // namespace
