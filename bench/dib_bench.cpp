// LoadDibImage beside stb_image and SDL_LoadBMP + SDL_ConvertSurfaceFormat
// (to 24-bit RGB) on the same 2048 x 2048 files (dib_files.h), made at start
// in a temp folder: 24, 8 and 4 bits per pixel and RLE8. Prints each reader's time and
// the loader's ratio to the fastest other reader of the same file.
#include <SDL.h>
#include <benchmark/benchmark.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "dib_files.h"
#include "image/dib_loader.h"
#include "seam/platform.h"

namespace {

std::map<std::string, std::string> Files;  // format -> path

void LoadWithVoxra(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    DibImage* image = LoadDibImage(path.c_str());
    if (image == nullptr) {
      state.SkipWithError("LoadDibImage failed");
      return;
    }
    benchmark::DoNotOptimize(image->pixels[0]);
    FreeDibImage(image);
  }
}

void LoadWithStb(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    int w = 0, h = 0, n = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &w, &h, &n, 3);
    if (pixels == nullptr) {
      state.SkipWithError("stb_image cannot read this format");
      return;
    }
    benchmark::DoNotOptimize(pixels[0]);
    stbi_image_free(pixels);
  }
}

void LoadWithSdl(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    SDL_Surface* loaded = SDL_LoadBMP(path.c_str());
    SDL_Surface* rgb = loaded != nullptr ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0)
                                         : nullptr;
    SDL_FreeSurface(loaded);
    if (rgb == nullptr) {
      state.SkipWithError("SDL cannot read this format");
      return;
    }
    benchmark::DoNotOptimize(static_cast<std::uint8_t*>(rgb->pixels)[0]);
    SDL_FreeSurface(rgb);
  }
}

// Keeps each run's time per iteration for the ratio table.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;  // "reader/format" -> s per load
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("voxra-dib-bench-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(dir);
  Files = MakeBenchFiles(dir);

  const char* formats[] = {"24bpp", "8bpp", "4bpp", "rle8"};
  for (const char* f : formats) {
    const std::string path = Files[f];
    benchmark::RegisterBenchmark((std::string("voxra/") + f).c_str(), LoadWithVoxra, path)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("stb/") + f).c_str(), LoadWithStb, path)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("sdl/") + f).c_str(), LoadWithSdl, path)->Unit(benchmark::kMillisecond);
  }
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\nLoadDibImage time / fastest other reader of the same file (below 1 is faster):\n");
  for (const char* f : formats) {
    const std::string name = f;
    auto get = [&](const std::string& reader) {
      auto it = reporter.seconds.find(reader + "/" + name);
      return it == reporter.seconds.end() ? -1.0 : it->second;
    };
    const double voxra = get("voxra"), stb = get("stb"), sdl = get("sdl");
    double best = -1;
    std::string bestName = "none";
    if (stb > 0) { best = stb; bestName = "stb_image"; }
    if (sdl > 0 && (best < 0 || sdl < best)) { best = sdl; bestName = "SDL"; }
    if (voxra > 0 && best > 0) {
      std::printf("figure dib_%s_ms %.6g ms baseline %s_ms %.6g\n", f, voxra,
                  bestName == "SDL" ? "sdl" : "stb_image", best);
      std::printf("  %-6s voxra %.2f ms, stb %s, SDL %s -> ratio %.2f against %s\n", f, voxra,
                  stb > 0 ? std::to_string(stb).substr(0, 5).c_str() : "n/a",
                  sdl > 0 ? std::to_string(sdl).substr(0, 5).c_str() : "n/a", voxra / best,
                  bestName.c_str());
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  benchmark::Shutdown();
  return 0;
}
