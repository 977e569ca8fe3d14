#include "play_driver.h"

namespace {

struct Chord {
  int anchor, partner, turn;
};

// Every chord of the keypad and the turn it names.
const Chord kChords[kTurnCount] = {
    {6, 9, 0},  {6, 3, 1},  {2, 3, 2},  {2, 1, 3},  {4, 7, 4},  {4, 1, 5},
    {8, 9, 6},  {8, 7, 7},  {5, 8, 8},  {5, 2, 9},  {5, 6, 10}, {5, 4, 11},
    {0, 7, 12}, {0, 9, 13}, {0, 4, 14}, {0, 6, 15}, {0, 1, 16}, {0, 3, 17},
};

using PlayTest = PlayDriver;

TEST_F(PlayTest, EveryChordTurnsOnlyItsSlabAndCommitsTheModelsOperation) {
  for (const Chord& c : kChords) {
    SCOPED_TRACE(testing::Message() << "chord " << c.anchor << "+" << c.partner);
    Restart();
    const TurnDef& t = kTurnDefs[c.turn];
    const FaceSlots expected = ModelSlots({Turn(c.turn)});
    Digits({c.anchor, c.partner});
    Run(1);
    ASSERT_EQ(starts, (std::vector<Event>{{0, c.turn, 0.0f}}));
    const float* rates[3] = {Play.TurnRateX, Play.TurnRateY, Play.TurnRateZ};
    for (int a = 0; a < 3; ++a)
      for (int i = 0; i < kCubieCount; ++i) {
        const bool onSlab = a == int(t.axis) && CubieHome[i][a] == t.slab;
        EXPECT_EQ(rates[a][i], onSlab ? t.sense / 15.0f : 0.0f) << "axis " << a << " cubie " << i;
      }
    ReleaseAll();
    Run(16);
    EXPECT_EQ(commits, (std::vector<Event>{{15, c.turn, 90.0f}}));
    EXPECT_EQ(CurrentSlots(), expected);
    EXPECT_EQ(drawn.back(), 0.0f);
    for (int a = 0; a < 3; ++a)
      EXPECT_TRUE(std::all_of(rates[a], rates[a] + kCubieCount, [](float r) { return r == 0.0f; }));
  }
}

TEST_F(PlayTest, HeldChordTurnsQuarterByQuarterWithOneFlatFrameBetween) {
  Digits({6, 9});
  Run(40);
  EXPECT_EQ(starts, (std::vector<Event>{{0, 0, 0.0f}, {16, 0, 0.0f}, {32, 0, 0.0f}}));
  EXPECT_EQ(commits, (std::vector<Event>{{15, 0, 90.0f}, {31, 0, 90.0f}}));
  for (int p = 0; p < 40; ++p) EXPECT_EQ(drawn[p], 6.0f * float(p % 16)) << "pass " << p;
  EXPECT_EQ(CubeState[0].angleX, -6.0f * 7);  // x = +1 turns by -90: up
  EXPECT_EQ(Play.TurnStep, 8);
}

TEST_F(PlayTest, AnchorOrderDecidesAndLoneKeysRequestNothing) {
  struct Case {
    std::vector<int> digits;
    int turn;
  };
  std::vector<Case> cases = {
      {{0, 6, 9}, 13},  // anchor 0 before anchor 6
      {{5, 6}, 10},     // anchor 5 before anchor 6
      {{6, 4, 1}, -1},  // anchor 6 without a partner hides the chord 4+1
      {{0, 5, 8}, -1},  // likewise anchor 0 hides 5+8
      {{0, 7, 9}, 12},  // partners in their own order
      {{2, 1, 3}, 3},
  };
  // Every single key and every pair: a pair is a turn only if it is a chord.
  for (int a = 0; a <= 9; ++a)
    for (int b = a; b <= 9; ++b) {
      int turn = -1;
      for (const Chord& c : kChords)
        if ((c.anchor == a && c.partner == b) || (c.anchor == b && c.partner == a)) turn = c.turn;
      cases.push_back({a == b ? std::vector<int>{a} : std::vector<int>{a, b}, turn});
    }
  for (const Case& c : cases) {
    Restart();
    for (int d : c.digits) KeyState[VkNumpad0 + d] = true;
    Run(1);
    const int got = starts.empty() ? -1 : starts[0].turn;
    EXPECT_EQ(got, c.turn) << testing::PrintToString(c.digits);
  }
}

TEST_F(PlayTest, ChordDuringATurnIsLostUnlessStillHeldAtTheCommit) {
  for (const bool holdThroughCommit : {false, true}) {
    Restart();
    Digits({6, 9});
    Run(1);
    ReleaseAll();
    Digits({5, 8});
    Run(holdThroughCommit ? 16 : 3);
    ReleaseAll();
    Run(20);
    std::vector<Event> expected = {{0, 0, 0.0f}};
    if (holdThroughCommit) expected.push_back({16, 8, 0.0f});
    EXPECT_EQ(starts, expected);
  }
}

TEST_F(PlayTest, ViewSpeedGrowsByThreeQuartersAndDecaysToExactlyZero) {
  struct Case {
    int key;
    float* speed;
    float sign;
  };
  const Case cases[] = {{VkUp, &View.ViewSpeedX, -1}, {VkDown, &View.ViewSpeedX, 1},
                        {VkLeft, &View.ViewSpeedY, -1}, {VkRight, &View.ViewSpeedY, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    Restart();
    Keys({c.key});
    for (int n = 1; n <= 8; ++n) {
      Step();
      EXPECT_EQ(*c.speed, c.sign * 0.75f * float(n));
    }
    ReleaseAll();
    for (int n = 7; n >= 0; --n) {
      Step();
      EXPECT_EQ(*c.speed, c.sign * 0.75f * float(n));
    }
    Run(3);
    EXPECT_EQ(*c.speed, 0.0f);
  }
  Restart();
  Keys({VkUp, VkDown, VkLeft, VkRight});
  Run(5);
  EXPECT_EQ(View.ViewSpeedX, 0.0f);
  EXPECT_EQ(View.ViewSpeedY, 0.0f);
}

TEST_F(PlayTest, TiltIsClampedToSeventyDegreesEitherWay) {
  // The driver checks [-70, 70] after every update.
  Keys({VkDown});
  Run(30);
  EXPECT_EQ(View.ViewAngleX, 70.0f);
  ReleaseAll();
  Keys({VkUp});
  Run(60);
  EXPECT_EQ(View.ViewAngleX, -70.0f);
}

TEST_F(PlayTest, CubeTurnsWhenTheSpinReachesFortySixAndAHalf) {
  struct Case {
    float angle;
    int sense;  // 0: no cube turn
    float after;
  };
  const Case cases[] = {{-46.5f, -90, 43.5f}, {-46.25f, 0, -46.25f}, {-80.0f, -90, 43.5f},
                        {46.5f, 90, -43.5f},  {46.25f, 0, 46.25f},   {80.0f, 90, -43.5f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    Restart();
    View.ViewAngleY = c.angle;
    Run(1);
    EXPECT_EQ(View.ViewAngleY, c.after);
    EXPECT_EQ(CurrentSlots(), c.sense ? ModelSlots({CubeTurn(c.sense)}) : ModelSlots({}));
  }
  // Held Left: the frame of pass p adds -0.75 p, which brings the spin to
  // -41.25 on pass 10 and -49.5 on pass 11.
  Restart();
  Keys({VkLeft});
  Run(11);
  EXPECT_EQ(CurrentSlots(), ModelSlots({}));
  Run(1);
  EXPECT_EQ(View.ViewAngleY, 43.5f);
  EXPECT_EQ(CurrentSlots(), ModelSlots({CubeTurn(-90)}));
}

TEST_F(PlayTest, CubeTurnDuringALayerTurnFlattensTheSlabWhichCommitsShort) {
  Digits({6, 9});
  Run(1);
  ReleaseAll();
  Run(4);  // the frame of pass 5 will show the slab at -30
  View.ViewAngleY = 46.5f;
  Run(1);
  EXPECT_EQ(View.ViewAngleY, -43.5f);
  EXPECT_EQ(LargestAngle(), 0.0f);
  EXPECT_EQ(Play.TurnStep, 6);
  EXPECT_EQ(Play.TurnRateX[0], -6.0f);
  Run(12);
  EXPECT_EQ(commits, (std::vector<Event>{{15, 0, 60.0f}}));
  EXPECT_EQ(CurrentSlots(), ModelSlots({CubeTurn(90), Turn(0)}));
}

}  // namespace
