// The game on the null layer in a real Mesa context: RunVoxra with scripted
// keys, clocks and answers, the model read after every frame, every message
// compared whole, and drawn frames against each Data file's pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <SDL.h>

#include "app/play.h"
#include "cube/cube_state.h"
#include "platform/null/null_platform.h"
#include "render/gl.h"
#include "render/gl_scene.h"
#include "render/textures.h"
#include "seam/frame_timer.h"

namespace {

// One current 400 x 400 GL context from SDL's offscreen driver (EGL, no X
// server) for every test to draw into. It lives as long as the process: Mesa
// keeps its driver's allocations until then, so the leak checker, which runs
// at exit, sees them still held and reports only what the game lost.
SDL_GLContext GlContext() {
  static const SDL_GLContext context = [] {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return SDL_GLContext{};
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_Window* window = SDL_CreateWindow("test", 0, 0, 400, 400, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    return window != nullptr ? SDL_GL_CreateContext(window) : SDL_GLContext{};  // made current
  }();
  return context;
}

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

// A copy of Data/ in a scratch folder of this test's own, the working
// folder while it lives.
struct ScratchData {
  const fs::path home = fs::current_path(),
                 run = home / ("data-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
  ScratchData() {
    fs::remove_all(run), fs::create_directories(run);
    fs::copy(home / "Data", run / "Data", fs::copy_options::recursive);
    fs::current_path(run);
  }
  ~ScratchData() { fs::current_path(home), fs::remove_all(run); }
  static void Write(int digit, const std::string& bytes) {
    std::ofstream(fs::path("Data") / ("Data" + std::to_string(digit) + ".dll"), std::ios::binary) << bytes;
  }
};

// A 24-bit bottom-up DIB file; rgb(x, y) counts y from the bottom row.
std::string Bmp(int w, int h, const std::function<std::array<int, 3>(int, int)>& rgb) {
  const int stride = (3 * w + 3) & ~3;
  std::string b(54 + stride * h, '\0');
  const auto put = [&](int at, int v, int n) { for (int i = 0; i < n; ++i) b[at + i] = char(v >> 8 * i); };
  b[0] = 'B', b[1] = 'M', put(2, int(b.size()), 4), put(10, 54, 4), put(14, 40, 4), put(18, w, 4);
  put(22, h, 4), put(26, 1, 2), put(28, 24, 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) b[54 + y * stride + 3 * x + c] = char(rgb(x, y)[2 - c]);
  return b;
}

class Game : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_NE(GlContext(), nullptr) << SDL_GetError();
    ResetNullPlatform(), ResetPlay(), ResetCubeState();
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
};

// Each chord of the key legend, held until its turn starts, and holds of
// three and four digits: the slab under the keys turns a quarter turn the
// legend's way, drawn without a snap (the last frame of the animation shows
// what the first after the commit shows). A chord held on turns again after
// one still frame; digits that make no chord, held for many frames, turn
// nothing. Of keys that hold two chords, the first anchor (0 5 6 2 4 8) held
// picks, and its first partner held; an anchor with no partner ends the search.
TEST_F(Game, ChordsTurnTheirSlabsOnceEachWithoutASnap) {
  struct Chord { const char* keys; Axis axis; int slab, sense, times = 1; };
  const Chord chords[] = {  // up, left and clockwise are -90 by the right-hand rule
      {"47", Axis::X, -1, -90}, {"41", Axis::X, -1, 90}, {"58", Axis::X, 0, -90}, {"52", Axis::X, 0, 90},
      {"69", Axis::X, 1, -90},  {"63", Axis::X, 1, 90},  {"87", Axis::Y, 1, -90}, {"89", Axis::Y, 1, 90},
      {"54", Axis::Y, 0, -90},  {"56", Axis::Y, 0, 90},  {"21", Axis::Y, -1, -90}, {"23", Axis::Y, -1, 90},
      {"07", Axis::Z, -1, 90},  {"09", Axis::Z, -1, -90}, {"04", Axis::Z, 0, 90}, {"06", Axis::Z, 0, -90},
      {"01", Axis::Z, 1, 90},   {"03", Axis::Z, 1, -90}, {"560", Axis::Z, 0, -90}, {"069", Axis::Z, -1, -90},
      {"1470", Axis::Z, -1, 90}, {"2586", Axis::X, 0, -90}, {"963", Axis::X, 1, -90},
      {"2134", Axis::Y, -1, -90}, {"69", Axis::X, 1, -90, 3}, {"641", Axis::X, 9, 0, 0},
      {"058", Axis::X, 9, 0, 0}, {"1379", Axis::X, 9, 0, 0}, {"5", Axis::X, 9, 0, 0}};
  const auto press = [](const char* keys, bool down) {
    for (const char* k = keys; *k != '\0'; ++k) Key(VkNumpad0 + *k - '0', down);
  };
  size_t next = 0;
  bool busy = false, committed = false;
  int phase = 0, commits = 0, heldFrames = 0;  // phase: 0 to press, 1 held, 2 let go
  Slots last{};
  float reached[kCubieCount] = {};
  std::vector<unsigned char> atQuarter;
  EXPECT_EQ(0, Run([&](int) {
    if (next == std::size(chords)) return false;
    const Chord& c = chords[next];
    SCOPED_TRACE(testing::Message() << "keys " << c.keys);
    for (int i = 0; i < kCubieCount; ++i) {
      const float angle[3] = {CubeState[i].angleX, CubeState[i].angleY, CubeState[i].angleZ};
      for (int a = 0; a < 3; ++a) {
        const bool turns = a == int(c.axis) && kCubieHome[i][a] == c.slab;
        EXPECT_TRUE(turns ? angle[a] * c.sense >= 0 && std::fabs(angle[a]) <= 90 : angle[a] == 0)
            << "cubie " << i << " at " << angle[a];
        if (turns) reached[i] = std::max(reached[i], std::fabs(angle[a]));
      }
    }
    if (Play.TurnStep == 15) atQuarter = Picture();
    if (busy && !Play.TurnBusy) {  // committed
      EXPECT_EQ(Now(), After(last, [&] { ApplyLayerTurn(c.axis, c.slab, c.sense); }));
      const std::vector<unsigned char> flat = Picture();
      int differ = 0;
      for (size_t k = 0; k + 2 < flat.size(); k += 3) {
        differ += std::abs(flat[k] - atQuarter[k]) + std::abs(flat[k + 1] - atQuarter[k + 1]) +
                  std::abs(flat[k + 2] - atQuarter[k + 2]) > 60;
      }
      EXPECT_LT(differ, 800) << "pixels that change when the turned slab is committed";
      for (int i = 0; i < kCubieCount; ++i) {
        EXPECT_TRUE(kCubieHome[i][int(c.axis)] != c.slab || reached[i] == 90.0f) << "cubie " << i;
        reached[i] = 0;
      }
      last = Now(), ++commits;
    }
    EXPECT_TRUE(phase != 1 || !committed || Play.TurnBusy) << "a held chord not turning again at once";
    committed = busy && !Play.TurnBusy, busy = Play.TurnBusy;
    if (phase == 0 && !busy) {
      last = Now(), press(c.keys, true), phase = 1, heldFrames = 0;
    } else if (phase == 1 && (c.times ? busy && commits == c.times - 1 : ++heldFrames == 40)) {
      press(c.keys, false), phase = 2;
    } else if (phase == 2 && !busy) {
      EXPECT_EQ(commits, c.times);
      ++next, commits = 0, phase = 0;
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
      EXPECT_TRUE(phase < 2 || phase > hold.frames || step > 0) << "frame " << n << ": no step";
    }
    last = at;
    if (phase == 0) Key(hold.key, true);
    if (phase == hold.frames) Key(hold.key, false);
    const bool rest = Scene.ViewSpeedX == 0.0f && Scene.ViewSpeedY == 0.0f;
    if (++phase > hold.frames + 300 || (phase > hold.frames + 2 && rest)) {
      EXPECT_TRUE(rest) << Scene.ViewSpeedX << ", " << Scene.ViewSpeedY;
      EXPECT_LT(std::fabs(Scene.ViewAngleY), 46.5f);
      // Released, the view glides to a stop in as many frames as the key was
      // held, up to the one second that reaches the top speed.
      EXPECT_EQ(phase - hold.frames, std::min(hold.frames, 60) + 2) << "hold " << h;
      EXPECT_TRUE(hold.spin || Scene.ViewAngleX == 70.0f * hold.sign) << Scene.ViewAngleX;
      ++h, phase = 0;
    }
    return true;
  }));
  EXPECT_NE(turns, 0);
  // Held 150 frames, the spin reaches the speed of one second's holding and
  // stops there, far from the 90 degrees a frame that would freeze the picture.
  EXPECT_EQ(fastest, 45.0f);
}

// S: 22 turns, one at a time, then the scramble stops on a mixed cube.
// Its turns come from all 18, evenly, and a start at another time scrambles
// another way.
TEST_F(Game, ScrambleMakesTwentyTwoTurnsFromAllEighteen) {
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
  std::vector<int> drawn[2];
  for (int start = 0; start < 2; ++start) {
    NullPlatform.tickCount = 5000u + 1000u * start;  // milliseconds since boot
    ASSERT_TRUE(SetupGl());
    ReleaseTextures();
    for (int step = 0; step < 1800; ++step) {
      ScrambleStep();
      for (bool& request : Play.TurnRequest)
        if (request) drawn[start].push_back(int(&request - Play.TurnRequest)), request = false;
    }
  }
  EXPECT_NE(drawn[0], drawn[1]) << "two starts a second apart scrambled alike";
  ASSERT_EQ(drawn[0].size(), 1800u);
  for (int turn = 0; turn < kTurnCount; ++turn)
    EXPECT_NEAR(std::count(drawn[0].begin(), drawn[0].end(), turn), 100, 40) << "turn " << turn << " of 1800";
}

// Every message the game's own code shows, whole (text, caption, buttons,
// icon, owner), in order, with each start's exit code: a missing inner-face
// file, unreadable files, fullscreen refused (Yes, then No), a failed release.
TEST_F(Game, EveryMessageIsShownWholeInOrder) {
  using B = MessageButtons; using I = MessageIcon; using O = MessageOwner;
  const NullMessageBox question{
      "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
      "Tamo GL", B::YesNo, I::Exclamation, O::None};
  struct Start { std::function<void()> arrange; int exit; std::vector<NullMessageBox> boxes; };
  const Start starts[] = {
      {[] { fs::remove("Data/Data8.dll"); }, 1,
       {{"Initialization Failed.", "ERROR", B::Ok, I::Exclamation, O::None}}},
      {[] { ScratchData::Write(1, ""), ScratchData::Write(2, "BM"); }, 0,
       {{"Failed to open DIB file Data/Data1.dll.\n", "Error", B::Ok, I::None, O::Focus},
        {"Unknown DIB file format.", "Error", B::Ok, I::None, O::Focus}}},
      {[] { FullscreenMode = NullPlatform.refuseFullscreen = true; }, 0, {question}},
      {[] { FullscreenMode = NullPlatform.refuseFullscreen = true, NullPlatform.answers = {MessageAnswer::No}; }, 1,
       {question, {"Program Will Now Close.", "ERROR", B::Ok, I::Stop, O::None}}},
      {[] { NullPlatform.closeFailure = "Release Of DC And RC Failed."; }, 0,
       {{"Release Of DC And RC Failed.", "SHUTDOWN ERROR", B::Ok, I::Information, O::None}}},
  };
  const auto describe = [](const std::vector<NullMessageBox>& boxes, std::string out = "") {
    for (const NullMessageBox& b : boxes)
      out += "[" + b.text + "|" + b.caption + "|" + std::to_string(int(b.buttons) * 100 + int(b.icon) * 10 + int(b.owner)) + "]";
    return out;
  };
  for (const Start& start : starts) {
    ScratchData data;
    SetUp();
    start.arrange();
    EXPECT_EQ(start.exit, Run([](int n) { return n < 3; }));
    if (NullPlatform.closeFailure) NullPlatform.boxes.resize(1);  // one for each close
    EXPECT_EQ(describe(NullPlatform.boxes), describe(start.boxes));
  }
}

// Every surface's picture, the right way round, in two drawn frames: each
// Data file replaced by a 6 x 4 picture (rows of 18 bytes, not a multiple of
// four) of four quarters in colours of its own, the cube seen from two
// corners, so that each side shows its file's quarters where its stickers
// put them, and the backdrop Data6's within its square, black around it.
TEST_F(Game, EverySurfaceShowsItsPictureTheRightWayRound) {
  ScratchData data;
  const auto colour = [](int file, int qu, int qv) { return std::array<int, 3>{30 * file, qu ? 200 : 60, qv ? 200 : 60}; };
  for (int file = 1; file <= 8; ++file)
    ScratchData::Write(file, Bmp(6, 4, [&](int x, int y) { return colour(file, x >= 3, y >= 2); }));
  ResizeViewport(400, 400);
  ASSERT_TRUE(SetupGl());
  // Each side's file, by its outward normal, and its picture's u = f[ua] (or
  // 1 - f[ua]) and v likewise at the point's place f[3] in [0, 1) on its
  // sticker: every sticker shows its picture turned a half turn.
  struct Side { int axis, sign, file, ua, uFlip, va, vFlip; };
  const Side sides[] = {{2, +1, 1, 0, 1, 1, 1}, {1, +1, 2, 0, 1, 2, 0}, {0, -1, 3, 2, 1, 1, 1},
                        {1, -1, 4, 0, 1, 2, 1}, {2, -1, 5, 0, 1, 1, 0}, {0, +1, 7, 2, 0, 1, 1}};
  const auto rotate = [](float* p, int a, int b, float degrees) {  // in the plane of axes a, b
    const float c = std::cos(degrees * float(M_PI) / 180), s = std::sin(degrees * float(M_PI) / 180);
    const float pa = p[a];
    p[a] = c * pa - s * p[b], p[b] = s * pa + c * p[b];
  };
  int seen[9][4] = {}, wrong = 0, checked = 0;
  const float views[2][2] = {{55, 40}, {-30, 220}};  // tilt, spin
  for (const auto& view : views) {
    Scene.ViewAngleX = view[0], Scene.ViewAngleY = view[1];
    RenderFrame();
    const std::vector<unsigned char> rgb = Picture();
    for (int k = 0; k < 200 * 200; ++k) {  // every other pixel of every other row
      const int px = 1 + 2 * (k % 200), py = 1 + 2 * (k / 200);
      const float focal = 1 / std::tan(22.5f * float(M_PI) / 180);
      float d[3] = {(px + 0.5f) / 200 - 1, (py + 0.5f) / 200 - 1, -focal}, o[3] = {-1.5f, -1.5f, 15};
      for (float* p : {d, o}) rotate(p, 1, 2, -view[0]), rotate(p, 2, 0, -view[1]);
      float near = -1e9f, far = 1e9f, u = 0, v = 0;
      int axis = 0, file = 0;
      for (int i = 0; i < 3; ++i) {
        const float t0 = (-1.5f - o[i]) / d[i], t1 = (1.5f - o[i]) / d[i];
        if (std::min(t0, t1) > near) near = std::min(t0, t1), axis = i;
        far = std::min(far, std::max(t0, t1));
      }
      if (near < far) {  // on the cube
        float f[3];
        for (int i = 0; i < 3; ++i) f[i] = o[i] + near * d[i] + 1.5f, f[i] -= std::floor(f[i]);
        const int sign = d[axis] < 0 ? 1 : -1;
        for (const Side& e : sides)
          if (e.axis == axis && e.sign == sign)
            file = e.file, u = e.uFlip ? 1 - f[e.ua] : f[e.ua], v = e.vFlip ? 1 - f[e.va] : f[e.va];
        if (std::fabs(d[axis]) < 0.35f * std::hypot(d[0], d[1], d[2])) continue;  // grazing
      } else {  // the backdrop, 27 units out, 20 units wide
        const float x = (px + 0.5f) / 200 - 1, y = (py + 0.5f) / 200 - 1;
        u = (x * 27 / focal + 10) / 20, v = (y * 27 / focal + 10) / 20;
        file = u >= 0 && u <= 1 && v >= 0 && v <= 1 ? 6 : 0;
        if (std::min({std::fabs(u), std::fabs(v), std::fabs(1 - u), std::fabs(1 - v)}) < 0.01f) continue;
      }
      const auto inside = [](float t) { return std::fabs(t - 0.25f) < 0.1f || std::fabs(t - 0.75f) < 0.1f; };
      if (file != 0 && !(inside(u) && inside(v))) continue;
      const std::array<int, 3> want = file ? colour(file, u > 0.5f, v > 0.5f) : std::array<int, 3>{};
      const unsigned char* got = &rgb[3 * (py * 400 + px)];
      ++checked, ++seen[file][(u > 0.5f) + 2 * (v > 0.5f)];
      wrong += std::abs(got[0] - want[0]) > 12 || std::abs(got[1] - want[1]) > 12 || std::abs(got[2] - want[2]) > 12;
    }
  }
  ReleaseTextures();
  EXPECT_LT(wrong, checked / 100) << "of " << checked << " pixels checked";
  for (int file : {1, 2, 3, 4, 5, 6, 7})
    for (int q = 0; q < 4; ++q) EXPECT_GT(seen[file][q], 10) << "Data" << file << " quarter " << q;
  EXPECT_GT(seen[0][0], 500) << "black around the backdrop";
}

// F1 twice, Data3 gone before the second reopen, then the quit message
// (code 5): the window reopens (v1.1, 640 x 480) the other way round each
// time, the quit message's code is the exit code, and the slot whose file is
// gone holds no name from the old context. The keyboard's F1 never comes up
// (its key-up lost), and the pad's F1 that follows toggles once.
TEST_F(Game, F1ReopensTheWindowTheOtherWayRound) {
  ScratchData data;
  EXPECT_EQ(5, Run([](int n) {
    if (n == 2) Key(VkF1, true);  // the loop clears F1 itself
    if (n == 3) fs::remove(fs::path("Data") / "Data3.dll");
    if (n == 3 || n == 4) NullPlatform.messages.push_back({n == 3 ? NullMessage::KeyDown : NullMessage::KeyUp, VkF1, KeyFromScreen});
    if (n == 5) NullPlatform.messages.push_back({NullMessage::Quit, 5});
    return true;
  }));
  EXPECT_EQ(TextureTable[2], 0u);
  std::string windows;
  for (const NullWindow& w : NullPlatform.windows)
    windows += w.title + " " + std::to_string(w.width) + "x" + std::to_string(w.height) + (w.fullscreen ? " full; " : "; ");
  EXPECT_EQ(windows, "Voxra - By Orvane v1.2 400x400; Voxra - By Orvane v1.1 640x480 full; Voxra - By Orvane v1.1 640x480; ");
  EXPECT_EQ(NullPlatform.closes, 3);
  EXPECT_TRUE(NullPlatform.boxes.empty());
}

// The frame timer on the null layer's clock (microseconds, 20 a reading; a
// sleep wakes 300 late): each wait ends at the first reading a sixtieth of a
// second after the last wait's end, having slept through all but its last
// stretch; a frame drawn for longer does not wait, and is not made up for.
TEST_F(Game, FrameWaitsSleepAndEndOnTheirDeadlines) {
  NullPlatform.counterStep = 20, NullPlatform.sleepLate = 300;
  FrameTimer timer;
  for (const std::int64_t drawing : {1000, 9000, 30000, 0, 16500, 4000}) {
    SCOPED_TRACE(drawing);
    const std::int64_t last = timer.lastCount, slept = NullPlatform.slept;
    NullPlatform.counter += drawing;
    timer.WaitForFrame(60.0f);
    const std::int64_t interval = timer.lastCount - last;
    EXPECT_GE(interval, std::max<std::int64_t>(drawing, 16667));
    EXPECT_LE(interval, std::max<std::int64_t>(drawing, 16667) + 20);
    EXPECT_GE(NullPlatform.slept - slept, interval - drawing - 1500) << "spun more than 1.5 ms";
  }
}

}  // namespace
