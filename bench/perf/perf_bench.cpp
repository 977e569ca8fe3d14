// In-process figures of the game's libraries, for the native and the Windows
// build alike (only platform.h and the portable libraries are used):
//
//   perf_bench core [CALLS]     ApplyLayerTurn / ApplyCubeTurn in ns, beside
//                               copying the whole cube state (31 batches of
//                               CALLS calls, 20000 unless given)
//   perf_bench frame [SECONDS]  one RenderFrame without the wait, beside an
//                               empty frame; then the game's own loop, paced,
//                               split into drawing, waiting and presenting
//   perf_bench loader [LOADS]   LoadDibImage beside stb_image on 2048 x 2048
//                               files (GDI under Wine, the SDL layer natively),
//                               LOADS measured loads each (9 unless given)
//   perf_bench files DIR        writes the loader's benchmark files into DIR
//   perf_bench count OP [PATH] [N]
//                               N runs of one operation (layer, cube, copy of
//                               the state; voxra, stb or sdl loading PATH) in
//                               CountedRun, for callgrind --toggle-collect
//
// The frame mode needs an X display and Data/ in the working folder (run it
// from the build folder). Lines starting with "figure" are read by the suite:
//   figure NAME VALUE UNIT [baseline NAME VALUE]
// The game is not changed to be measured: the wait is split off through the
// frame timer's counter function, which this program points at its own.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <SDL.h>

#include "platform/sdl/gl_window_sdl.h"
#endif
#ifdef __GLIBC__
#include <unistd.h>
#endif

#include "../dib_files.h"
#include "app/play.h"
#include "cube/cube_state.h"
#include "image/dib_loader.h"
#include "render/gl.h"
#include "render/gl_scene.h"
#include "seam/frame_timer.h"
#include "seam/platform.h"

// stb_image is not held to the project's warnings (see CMakeLists.txt).
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_NO_STDIO_REDIRECT
#include <stb_image.h>

namespace {

// ---------------------------------------------------------------------------
// Clocks: the platform counter for wall time, the process's CPU time.

std::int64_t Frequency = 1;

void StartClocks() {
  if (!QueryCounterFrequency(&Frequency) || Frequency <= 0) {
    std::fprintf(stderr, "no high-resolution counter\n");
    std::exit(1);
  }
}

std::int64_t Now() {
  std::int64_t c = 0;
  QueryCounter(&c);
  return c;
}

double Ns(std::int64_t ticks) { return 1e9 * static_cast<double>(ticks) / static_cast<double>(Frequency); }
double Ms(std::int64_t ticks) { return Ns(ticks) / 1e6; }

// CPU time in ms of the whole process (every thread), or of the calling
// thread alone.
double CpuMs(bool wholeProcess) {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  const BOOL ok = wholeProcess
                      ? GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)
                      : GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  if (!ok) return 0;
  auto value = [](const FILETIME& t) {
    return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  return (value(kernel) + value(user)) / 1e4;
#else
  timespec t{};
  clock_gettime(wholeProcess ? CLOCK_PROCESS_CPUTIME_ID : CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
#endif
}

double ProcessCpuMs() { return CpuMs(true); }
double ThreadCpuMs() { return CpuMs(false); }

// The value at fraction p (0 to 1) of the sorted values.
double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5)];
}

double Median(std::vector<double> v) { return Percentile(std::move(v), 0.5); }

double Mean(const std::vector<double>& v) {
  return v.empty() ? 0.0 : std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

void Figure(const char* name, double value, const char* unit, const char* baseName = nullptr,
            double baseValue = 0.0) {
  std::printf("figure %s %.6g %s", name, value, unit);
  if (baseName != nullptr) std::printf(" baseline %s %.6g", baseName, baseValue);
  std::printf("\n");
}

// Median over `batches` of the ns per call of `body`, run `perBatch` times a
// batch; `body` gets the running call number.
template <typename Body>
double NsPerCall(int batches, int perBatch, Body body) {
  std::vector<double> each;
  int n = 0;
  for (int b = 0; b < batches; ++b) {
    const std::int64_t t0 = Now();
    for (int i = 0; i < perBatch; ++i) body(n++);
    each.push_back(Ns(Now() - t0) / perBatch);
  }
  return Median(each);
}

volatile std::uint32_t Sink = 0;  // keeps the optimiser from dropping the work

std::uint32_t StateDigest() {
  std::uint32_t h = 0;
  for (const Cubie& c : CubeState) {
    for (TextureSlot s : c.faceSlot) h = h * 31u + static_cast<std::uint32_t>(s);
  }
  return h;
}

// ---------------------------------------------------------------------------
// core

const Axis kAxes[3] = {Axis::X, Axis::Y, Axis::Z};

int Core(int perBatch) {
  ApplySolvedColouring();
  Cubie copy[kCubieCount];
  const int batches = 31;
  // Baseline: copying the whole state once (what any turn at least reads).
  const double copyNs = NsPerCall(batches, perBatch, [&](int i) {
    std::memcpy(copy, CubeState, sizeof copy);
    Sink = Sink + static_cast<std::uint32_t>(copy[i % kCubieCount].faceSlot[0]);
  });
  const double layerNs = NsPerCall(batches, perBatch, [](int i) {
    ApplyLayerTurn(kAxes[i % 3], i / 3 % 3 - 1, (i & 64) != 0 ? 90 : -90);
  });
  const double cubeNs = NsPerCall(batches, perBatch, [](int i) {
    ApplyCubeTurn((i & 1) != 0 ? 90 : -90);
  });
  Sink = Sink + StateDigest();
  std::printf("core: median of %d batches of %d calls\n", batches, perBatch);
  Figure("apply_layer_turn_ns", layerNs, "ns", "state_copy_ns", copyNs);
  Figure("apply_cube_turn_ns", cubeNs, "ns", "state_copy_ns", copyNs);
  for (const auto& [name, ns] : {std::pair{"ApplyLayerTurn", layerNs}, {"ApplyCubeTurn ", cubeNs}}) {
    std::printf("  %s %.1f ns (%.2f x a state copy, %.2e of a 60 Hz frame)\n", name, ns,
                ns / copyNs, ns * 60.0 / 1e9);
  }
  return 0;
}

// ---------------------------------------------------------------------------
// frame

// The frame timer's counter, through which the start of each wait is seen.
bool MarkPending = false;
std::int64_t WaitStart = 0;
double WaitStartCpu = 0;
double WaitStartThreadCpu = 0;

bool MarkingCounter(std::int64_t* count) {
  const bool ok = QueryCounter(count);
  if (MarkPending) {
    MarkPending = false;
    WaitStart = *count;
    WaitStartCpu = ProcessCpuMs();
    WaitStartThreadCpu = ThreadCpuMs();
  }
  return ok;
}

// Takes every waiting message; false on the quit message.
bool Drain() {
  std::intptr_t param = 0;
  for (;;) {
    const PumpResult r = PumpOneMessage(&param);
    if (r == PumpResult::Quit) return false;
    if (r == PumpResult::Empty) return true;
  }
}

// Whether this process runs under the layer's process policy, as the game
// does; false, with the reason, when it should and does not. With glibc the
// heap must keep what a frame frees: a frame's worth of Mesa's 64 KiB blocks
// (8 MiB, more than a fresh heap holds free), freed, must leave the top of
// the heap where it was.
bool ReportPolicy() {
#if defined(_WIN32)
  std::printf("policy: none (the Win32 layer sets no process policy)\n");
  return true;
#elif defined(__GLIBC__)
  std::vector<void*> blocks(128);
  const void* const before = sbrk(0);
  for (void*& block : blocks) {
    block = std::malloc(64 << 10);
    if (block != nullptr) *static_cast<volatile char*>(block) = 1;
  }
  const void* const grown = sbrk(0);
  for (auto block = blocks.rbegin(); block != blocks.rend(); ++block) std::free(*block);
  const void* const after = sbrk(0);
  const auto kib = [](const void* a, const void* b) {
    return static_cast<long>((static_cast<const char*>(a) - static_cast<const char*>(b)) / 1024);
  };
  if (grown == before || after != grown) {
    std::printf("policy: NOT in effect: of %ld KiB freed, the heap handed %ld KiB back\n",
                kib(grown, before), kib(grown, after));
    return false;
  }
  std::printf("policy: in effect: the heap keeps what a frame frees (trim threshold %d MiB)\n",
              kHeapTrimThreshold >> 20);
  return true;
#else
  std::printf("policy: the screen saver held off (no heap policy without glibc)\n");
  return true;
#endif
}

int Frame(double seconds) {
  if (!ReportPolicy()) {
    std::fprintf(stderr, "the frame is measured only under the game's process policy\n");
    return 1;
  }
  // The start, split: opening (window, context, viewport, textures), then
  // the first frame drawn (its wait is none: the timer counts from the
  // program's start) and presented, beside a later frame below.
  const std::int64_t s0 = Now();
  if (!OpenGlWindow("Voxra perf bench", 400, 400, 16, false)) {
    std::fprintf(stderr, "no GL window (an X display and Data/ are needed)\n");
    return 1;
  }
  const std::int64_t s1 = Now();
  RenderFrame();
  glFinish();
  const std::int64_t s2 = Now();
  SwapGlBuffers();
  const std::int64_t s3 = Now();
  // What the window layer obtained for the 16-bit colour and depth request.
  GLint bits[6] = {};
  const GLenum bitNames[6] = {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS, GL_ALPHA_BITS, GL_DEPTH_BITS,
                              GL_STENCIL_BITS};
  for (int i = 0; i < 6; ++i) glGetIntegerv(bitNames[i], &bits[i]);
  std::printf("context: %s, GL %s; colour %d/%d/%d/%d, depth %d, stencil %d bits\n",
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
              reinterpret_cast<const char*>(glGetString(GL_VERSION)), bits[0], bits[1], bits[2],
              bits[3], bits[4], bits[5]);
  const int frames = 240;
  const std::int64_t frequency = FramePacer.frequency;

  // 1. Unpaced: a timer without a frequency leaves its wait after one sample.
  FramePacer.frequency = 0;
  Scene.ViewSpeedY = 0.5f;
  std::vector<double> submit, finished, swapped, empty;
  for (int i = 0; i < frames + 20; ++i) {
    if (!Drain()) return 0;
    const std::int64_t t0 = Now();
    RenderFrame();
    const std::int64_t t1 = Now();
    glFinish();
    const std::int64_t t2 = Now();
    SwapGlBuffers();
    const std::int64_t t3 = Now();
    if (i >= 20) {  // the first frames warm the caches and the driver
      submit.push_back(Ms(t1 - t0));
      finished.push_back(Ms(t2 - t0));
      swapped.push_back(Ms(t3 - t0));
    }
  }
  // Baseline in the same window: an empty frame (clear, finish, present).
  for (int i = 0; i < frames + 20; ++i) {
    if (!Drain()) return 0;
    const std::int64_t t0 = Now();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
    SwapGlBuffers();
    if (i >= 20) empty.push_back(Ms(Now() - t0));
  }
  std::printf("frame: %d frames each, 400 x 400, view spinning\n", frames);
  Figure("render_frame_submit_ms", Median(submit), "ms", "empty_frame_ms", Median(empty));
  Figure("render_frame_drawn_ms", Median(finished), "ms", "empty_frame_ms", Median(empty));
  Figure("render_frame_presented_ms", Median(swapped), "ms", "empty_frame_ms", Median(empty));
  Figure("start_open_window_ms", Ms(s1 - s0), "ms");
  Figure("start_first_frame_drawn_ms", Ms(s2 - s1), "ms", "render_frame_drawn_ms", Median(finished));
  Figure("start_first_frame_presented_ms", Ms(s3 - s1), "ms", "render_frame_presented_ms",
         Median(swapped));

  // 2. The game's loop, paced, with its own timer: one message per pass, and
  // on an idle pass draw, wait, present, update. A scramble keeps turns going.
  FramePacer.frequency = frequency;
  FramePacer.readCounter = MarkingCounter;
  ResetPlay();
  Scene.ViewSpeedY = 0.5f;
  PressKey(VkS, KeyFromKeyboard);  // S held: scrambles back to back
  const double target = 1000.0 / 60.0;
  std::vector<double> drawMs, waitMs, presentMs, drawCpu, waitCpu, presentCpu, interval;
  std::vector<double> waitThreadCpu;  // the wait's own thread: what it spun
  std::vector<double> late;  // how long after its deadline each wait that waited ended
  std::int64_t lastEnd = 0;
  const std::int64_t stop = Now() + static_cast<std::int64_t>(seconds * static_cast<double>(Frequency));
  std::intptr_t param = 0;
  while (Now() < stop) {
    const PumpResult r = PumpOneMessage(&param);
    if (r == PumpResult::Quit) return 0;
    if (r == PumpResult::Handled) continue;
    const std::int64_t t0 = Now();
    const double c0 = ProcessCpuMs();
    MarkPending = true;
    RenderFrame();
    const std::int64_t t1 = Now();
    const double c1 = ProcessCpuMs();
    const double m1 = ThreadCpuMs();
    SwapGlBuffers();
    UpdatePlay();
    const std::int64_t t2 = Now();
    const double c2 = ProcessCpuMs();
    if (MarkPending) continue;  // the timer did not read the counter: no split
    drawMs.push_back(Ms(WaitStart - t0));
    waitMs.push_back(Ms(t1 - WaitStart));
    presentMs.push_back(Ms(t2 - t1));
    drawCpu.push_back(WaitStartCpu - c0);
    waitCpu.push_back(c1 - WaitStartCpu);
    waitThreadCpu.push_back(m1 - WaitStartThreadCpu);
    presentCpu.push_back(c2 - c1);
    const std::int64_t end = FramePacer.lastCount;  // the wait's final sample
    if (lastEnd != 0) {
      interval.push_back(Ms(end - lastEnd));
      if (Ms(WaitStart - lastEnd) < target) late.push_back(Ms(end - lastEnd) - target);
    }
    lastEnd = end;
  }
  FramePacer.readCounter = QueryCounter;
  ReleaseKey(VkS, KeyFromKeyboard);
  std::printf("loop: %zu paced frames in %.1f s (wall ms per frame / process CPU ms per frame)\n",
              drawMs.size(), seconds);
  std::printf("  drawing    %.3f / %.3f\n  waiting    %.3f / %.3f\n  presenting %.3f / %.3f\n",
              Mean(drawMs), Mean(drawCpu), Mean(waitMs), Mean(waitCpu), Mean(presentMs),
              Mean(presentCpu));
  Figure("loop_draw_ms", Mean(drawMs), "ms", "frame_ms", target);
  Figure("loop_wait_ms", Mean(waitMs), "ms", "frame_ms", target);
  Figure("loop_present_ms", Mean(presentMs), "ms", "frame_ms", target);
  Figure("loop_draw_cpu_ms", Mean(drawCpu), "ms", "frame_ms", target);
  Figure("loop_wait_cpu_ms", Mean(waitCpu), "ms", "frame_ms", target);
  Figure("loop_present_cpu_ms", Mean(presentCpu), "ms", "frame_ms", target);
  Figure("loop_wait_thread_cpu_ms", Mean(waitThreadCpu), "ms", "frame_ms", target);
  Figure("loop_timer_interval_ms", Mean(interval), "ms", "frame_ms", target);
  Figure("loop_timer_late_p50_ms", Percentile(late, 0.5), "ms", "frame_ms", target);
  Figure("loop_timer_late_p99_ms", Percentile(late, 0.99), "ms", "frame_ms", target);
  CloseGlWindow();
  return 0;
}

// ---------------------------------------------------------------------------
// loader

int Loader(int loads) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("voxra-perf-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(dir);
  const auto files = MakeBenchFiles(dir);
  std::printf("loader: 2048 x 2048 files, median of %d loads each\n", loads);
  for (const char* format : kBenchFormats) {
    const std::string& path = files.at(format);
    std::vector<double> voxra, stb;
    bool stbReads = true;
    for (int i = 0; i <= loads; ++i) {  // interleaved; the first pair warms up
      const std::int64_t v0 = Now();
      DibImage* image = LoadDibImage(path.c_str());
      const std::int64_t v1 = Now();
      if (image == nullptr) return 1;
      Sink = Sink + image->pixels[0];
      FreeDibImage(image);
      int w = 0, h = 0, n = 0;
      const std::int64_t s0 = Now();
      stbi_uc* px = stbi_load(path.c_str(), &w, &h, &n, 3);
      const std::int64_t s1 = Now();
      if (px == nullptr) {
        stbReads = false;
      } else {
        Sink = Sink + px[0];
        stbi_image_free(px);
      }
      if (i > 0) {
        voxra.push_back(Ms(v1 - v0));
        stb.push_back(Ms(s1 - s0));
      }
    }
    const double v = Median(voxra);
    const std::string name = std::string("loader_") + format + "_ms";
    if (stbReads) {
      Figure(name.c_str(), v, "ms", "stb_image_ms", Median(stb));
    } else {
      Figure(name.c_str(), v, "ms");
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// count: one operation between the marks callgrind collects in.

extern "C" __attribute__((noinline)) void CountedRun(const char* op, const char* path, int times) {
  const std::string o = op;
  for (int i = 0; i < times; ++i) {
    if (o == "layer") {
      ApplyLayerTurn(kAxes[i % 3], i / 3 % 3 - 1, (i & 1) != 0 ? 90 : -90);
    } else if (o == "cube") {
      ApplyCubeTurn((i & 1) != 0 ? 90 : -90);
    } else if (o == "copy") {
      static Cubie copy[kCubieCount];
      std::memcpy(copy, CubeState, sizeof copy);
      Sink = Sink + static_cast<std::uint32_t>(copy[i % kCubieCount].faceSlot[0]);
    } else if (o == "voxra") {
      FreeDibImage(LoadDibImage(path));
    } else if (o == "stb") {
      int w = 0, h = 0, n = 0;
      stbi_image_free(stbi_load(path, &w, &h, &n, 3));
#ifndef _WIN32
    } else if (o == "sdl") {
      SDL_Surface* loaded = SDL_LoadBMP(path);
      SDL_Surface* rgb = loaded != nullptr ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0)
                                           : nullptr;
      SDL_FreeSurface(loaded);
      SDL_FreeSurface(rgb);
#endif
    }
  }
}

int main(int argc, char** argv) {
#ifndef _WIN32
  ApplyProcessPolicy();  // as the game's main does
#endif
  StartClocks();
  const std::string mode = argc > 1 ? argv[1] : "";
  const int count = argc > 2 ? std::atoi(argv[2]) : 0;
  if (mode == "core") return Core(count > 0 ? count : 20000);
  if (mode == "frame") return Frame(argc > 2 ? std::atof(argv[2]) : 5.0);
  if (mode == "loader") return Loader(count > 0 ? count : 9);
  if (mode == "files" && argc > 2) {
    std::filesystem::create_directories(argv[2]);
    for (const auto& file : MakeBenchFiles(argv[2])) std::printf("%s\n", file.second.c_str());
    return 0;
  }
  if (mode == "count" && argc > 2) {
    ApplySolvedColouring();
    CountedRun(argv[2], argc > 3 ? argv[3] : "", argc > 4 ? std::atoi(argv[4]) : 1);
    Sink = Sink + StateDigest();
    return 0;
  }
  std::fprintf(stderr, "usage: perf_bench core [CALLS] | frame [SECONDS] | loader [LOADS] | files DIR | count OP [PATH [N]]\n");
  return 2;
}
