// The scramble: a run of 22 random layer turns, each an ordinary request to
// the turn machine of the play update.
#include <cstdlib>

#include "app/play.h"

void ScrambleStep() {
  Play.Scrambling = true;
  Play.TurnBusy = true;
  Play.turnByScramble = true;
  Play.TurnRequest[std::rand() % kTurnCount] = true;
  if (Play.ScrambleCount >= 0) {
    --Play.ScrambleCount;
    return;
  }
  // The turn just requested is the last. TurnBusy stays set until it commits:
  // the turn machine has one step counter, and a chord or S taken beside this
  // turn would advance it twice per pass and end both turns off the quarter.
  Play.ScrambleCount = kScrambleCountAtRest;
  Play.Scrambling = false;
}
