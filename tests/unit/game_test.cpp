// The game on the null layer in a real Mesa context: RunVoxra with scripted
// keys and the model read after every presented frame. (The pictures are
// checked end to end, against the game's real window.)
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include <SDL.h>

#include "app/play.h"
#include "cube/cube_state.h"
#include "platform/null/null_platform.h"
#include "render/gl.h"
#include "render/gl_scene.h"
#include "render/textures.h"

namespace {

// A current 400 x 400 GL context from SDL's offscreen driver (EGL, no X
// server) for the game to draw into.
struct GlContext {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  GlContext() {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    window = SDL_CreateWindow("test", 0, 0, 400, 400, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window != nullptr) context = SDL_GL_CreateContext(window);  // and makes it current
  }
  ~GlContext() {
    if (context != nullptr) SDL_GL_DeleteContext(context);
    if (window != nullptr) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
};

namespace fs = std::filesystem;
using Slots = std::array<int, kCubieCount * 6>;

Slots Now() {
  Slots s;
  for (int i = 0; i < kCubieCount * 6; ++i) s[i] = CubeState[i / 6].faceSlot[i % 6];
  return s;
}

// `slots` after `turn`, by the model (checked against rotations on its own).
Slots After(const Slots& slots, const std::function<void()>& turn) {
  Cubie saved[kCubieCount];
  std::copy(CubeState, CubeState + kCubieCount, saved);
  for (int i = 0; i < kCubieCount * 6; ++i) CubeState[i / 6].faceSlot[i % 6] = slots[i];
  turn();
  const Slots result = Now();
  std::copy(saved, saved + kCubieCount, CubeState);
  return result;
}

// The picture just drawn, before the (null) swap.
std::vector<unsigned char> Picture() {
  std::vector<unsigned char> rgb(400 * 400 * 3);
  glReadPixels(0, 0, 400, 400, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

void Key(int vk, bool down) {
  NullPlatform.messages.push_back({down ? NullMessage::KeyDown : NullMessage::KeyUp, vk});
}

class Game : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_NE(gl.context, nullptr) << SDL_GetError();
    ResetNullPlatform();
    ResetPlay();
    ResetCubeState();
    NullPlatform.runSetupGl = true;
    NullPlatform.counterStep = NullPlatform.frequency;  // frames are never paced
  }
  // Runs the game; `frame` is called after each presented frame, with its
  // number, until it returns false, then Escape is pressed.
  int Run(const std::function<bool(int)>& frame) {
    int n = 0;
    bool running = true;
    NullPlatform.onSwap = [&] {
      if (running && !(running = frame(++n))) Key(VkEscape, true);
      if (n > 5000) std::abort();
    };
    return RunVoxra();
  }
  GlContext gl;
};

// Each chord of the key legend, held until its turn starts: the slab under
// the keys turns a quarter turn the legend's way, drawn without a snap: the
// last frame of the animation, the slab at 90 degrees, shows what the first
// frame after the commit shows. Of three keys that hold two chords, 0's wins.
TEST_F(Game, EveryChordTurnsItsSlabOnceWithoutASnap) {
  struct Chord { const char* keys; Axis axis; int slab, sense; };
  const Chord chords[] = {  // up, left and clockwise are -90 by the right-hand rule
      {"47", Axis::X, -1, -90}, {"41", Axis::X, -1, 90}, {"58", Axis::X, 0, -90},
      {"52", Axis::X, 0, 90},   {"69", Axis::X, 1, -90}, {"63", Axis::X, 1, 90},
      {"87", Axis::Y, 1, -90},  {"89", Axis::Y, 1, 90},  {"54", Axis::Y, 0, -90},
      {"56", Axis::Y, 0, 90},   {"21", Axis::Y, -1, -90}, {"23", Axis::Y, -1, 90},
      {"07", Axis::Z, -1, 90},  {"09", Axis::Z, -1, -90}, {"04", Axis::Z, 0, 90},
      {"06", Axis::Z, 0, -90},  {"01", Axis::Z, 1, 90},  {"03", Axis::Z, 1, -90},
      {"560", Axis::Z, 0, -90}};
  const auto press = [](const char* keys, bool down) {
    for (const char* k = keys; *k != '\0'; ++k) Key(VkNumpad0 + *k - '0', down);
  };
  size_t next = 0;
  bool started = false;
  Slots expected{};
  float reached[kCubieCount] = {};
  std::vector<unsigned char> atQuarter;
  EXPECT_EQ(0, Run([&](int) {
    if (next == std::size(chords)) return false;
    const Chord& c = chords[next];
    for (int i = 0; i < kCubieCount; ++i) {
      const float angle[3] = {CubeState[i].angleX, CubeState[i].angleY, CubeState[i].angleZ};
      for (int a = 0; a < 3; ++a) {
        const bool turns = a == int(c.axis) && kCubieHome[i][a] == c.slab;
        EXPECT_TRUE(turns ? angle[a] * c.sense >= 0 && std::fabs(angle[a]) <= 90 : angle[a] == 0)
            << "chord " << c.keys << ": cubie " << i << " at " << angle[a];
        if (turns) reached[i] = std::max(reached[i], std::fabs(angle[a]));
      }
    }
    if (Play.TurnStep == 15) atQuarter = Picture();
    if (!started && !Play.TurnBusy) {
      expected = After(Now(), [&] { ApplyLayerTurn(c.axis, c.slab, c.sense); });
      press(c.keys, true);
    } else if (!started) {
      started = true;
      press(c.keys, false);
    } else if (!Play.TurnBusy) {
      SCOPED_TRACE(testing::Message() << "chord " << c.keys);
      EXPECT_EQ(Now(), expected);
      const std::vector<unsigned char> flat = Picture();
      int differ = 0;
      for (size_t k = 0; k + 2 < flat.size(); k += 3) {
        differ += std::abs(flat[k] - atQuarter[k]) + std::abs(flat[k + 1] - atQuarter[k + 1]) +
                  std::abs(flat[k + 2] - atQuarter[k + 2]) > 60;
      }
      EXPECT_LT(differ, 800) << "pixels that change when the turned slab is committed";
      for (int i = 0; i < kCubieCount; ++i) {
        if (kCubieHome[i][int(c.axis)] == c.slab) {
          EXPECT_EQ(reached[i], 90.0f) << "cubie " << i;
        }
        reached[i] = 0;
      }
      started = false, ++next;
    }
    return true;
  }));
}

// The arrow keys, held and released: the view moves the key's way on every
// frame, comes to rest exactly, and a spin past a cube turn keeps the
// picture where it was (content turned a quarter, view set back by 90).
TEST_F(Game, ViewKeysMoveThePictureSmoothlyAndComeToRest) {
  struct Hold { int key, frames; bool spin; int sign; };
  const Hold holds[] = {{VkRight, 150, true, 1}, {VkLeft, 20, true, -1},
                        {VkDown, 60, false, 1}, {VkUp, 150, false, -1}};
  size_t h = 0;
  int phase = 0, turns = 0;
  float last = 0, fastest = 0;
  Slots content{};
  EXPECT_EQ(0, Run([&](int n) {
    if (n == 1) content = Now();
    if (h == std::size(holds)) return false;
    const Hold& hold = holds[h];
    if (Now() != content) {  // a cube turn: the content turned a quarter about Y
      const int sense = After(content, [] { ApplyCubeTurn(90); }) == Now() ? 1 : -1;
      EXPECT_EQ(After(content, [&] { ApplyCubeTurn(90 * sense); }), Now()) << "frame " << n;
      content = Now(), turns += sense;
    }
    const float at = hold.spin ? Scene.ViewAngleY + 90.0f * turns : Scene.ViewAngleX;
    EXPECT_LE(std::fabs(Scene.ViewAngleX), 70.0f) << "frame " << n << ": drawn past the tilt limit";
    if (phase > 0 && hold.spin) {
      const float step = (at - last) * hold.sign;
      fastest = std::max(fastest, step);
      EXPECT_GE(step, 0.0f) << "frame " << n << ": the view turned back";
      if (phase > 1 && phase <= hold.frames) {
        EXPECT_GT(step, 0.0f) << "frame " << n;
      }
    }
    last = at;
    if (phase == 0) Key(hold.key, true);
    if (phase == hold.frames) Key(hold.key, false);
    const bool rest = Scene.ViewSpeedX == 0.0f && Scene.ViewSpeedY == 0.0f;
    if (++phase > hold.frames + 300 || (phase > hold.frames + 2 && rest)) {
      EXPECT_EQ(Scene.ViewSpeedX, 0.0f);
      EXPECT_EQ(Scene.ViewSpeedY, 0.0f);
      EXPECT_LT(std::fabs(Scene.ViewAngleY), 46.5f);
      // Released, the view glides to a stop in as many frames as the key was
      // held, up to the one second that reaches the top speed.
      EXPECT_EQ(phase - hold.frames, std::min(hold.frames, 60) + 2) << "hold " << h;
      if (!hold.spin) {
        EXPECT_EQ(Scene.ViewAngleX, 70.0f * hold.sign);
      }
      ++h, phase = 0;
    }
    return true;
  }));
  EXPECT_NE(turns, 0);
  // Held 150 frames, the spin reaches the speed of one second's holding and
  // stops there, far from the 90 degrees a frame that would freeze the picture.
  EXPECT_EQ(fastest, 45.0f);
}

// A cube turn falls due during a layer turn; the chord still turns the slab
// that was under the keys when it began, once.
TEST_F(Game, CubeTurnDuringALayerTurnKeepsTheChordsSlab) {
  Slots expected{};
  bool spun = false;
  EXPECT_EQ(0, Run([&](int n) {
    if (n == 1) {
      expected = After(Now(), [] { ApplyLayerTurn(Axis::X, 1, -90); ApplyCubeTurn(90); });
      Key(VkNumpad0 + 6, true), Key(VkNumpad0 + 9, true);
    }
    if (Play.TurnBusy && !spun) {
      Key(VkNumpad0 + 6, false), Key(VkNumpad0 + 9, false);
      Scene.ViewAngleY = 44.0f, Scene.ViewSpeedY = 6.0f, spun = true;
    }
    return n < 60;
  }));
  EXPECT_EQ(Now(), expected);
}

// S: 22 turns, one at a time, then the scramble stops on a mixed cube.
TEST_F(Game, ScrambleMakesTwentyTwoTurnsAndStops) {
  int turns = 0;
  bool busy = false;
  Slots solved{};
  EXPECT_EQ(0, Run([&](int n) {
    if (n == 1) solved = Now(), Key(VkS, true);
    if (n == 3) Key(VkS, false);
    turns += busy && !Play.TurnBusy;
    busy = Play.TurnBusy;
    return n < 22 * 16 + 60;
  }));
  EXPECT_EQ(turns, 22);
  EXPECT_FALSE(Play.Scrambling);
  EXPECT_NE(Now(), solved);
}

// F1 twice, Data3 gone before the second reopen, then the quit message
// (code 5): the window reopens (v1.1, 640 x 480) the other way round each
// time, the quit message's code is the exit code, and the slot whose file is
// gone holds no name from the old context.
TEST_F(Game, F1ReopensTheWindowTheOtherWayRound) {
  const fs::path home = fs::current_path(), run = home / "game-test-data";
  fs::remove_all(run);
  fs::create_directories(run);
  fs::copy(home / "Data", run / "Data", fs::copy_options::recursive);
  fs::current_path(run);
  EXPECT_EQ(5, Run([](int n) {
    if (n == 2) Key(VkF1, true);  // the loop clears F1 itself
    if (n == 3) fs::remove(fs::path("Data") / "Data3.dll"), Key(VkF1, true);
    if (n == 4) NullPlatform.messages.push_back({NullMessage::Quit, 5});
    return true;
  }));
  fs::current_path(home);
  fs::remove_all(run);
  EXPECT_EQ(TextureTable[2], 0u);
  ASSERT_EQ(NullPlatform.windows.size(), 3u);
  const bool fullscreen[3] = {false, true, false};
  for (int k = 0; k < 3; ++k) {
    const NullWindow& w = NullPlatform.windows[k];
    EXPECT_EQ(w.title, k ? "Voxra - By Orvane v1.1" : "Voxra - By Orvane v1.2");
    EXPECT_EQ(w.width * 1000 + w.height, k ? 640480 : 400400);
    EXPECT_EQ(w.fullscreen, fullscreen[k]);
  }
  EXPECT_EQ(NullPlatform.closes, 3);
  EXPECT_TRUE(NullPlatform.boxes.empty());
}

}  // namespace
