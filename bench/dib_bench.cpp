// LoadDibImage beside stb_image and SDL_LoadBMP + SDL_ConvertSurfaceFormat
// (to 24-bit RGB) on the same 2048 x 2048 files, made at start in a temp
// folder: 24, 8 and 4 bits per pixel and RLE8. Prints each reader's time and
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

#include "image/dib_loader.h"
#include "platform/platform.h"

MessageAnswer ShowMessageBox(const char* text, const char*, MessageButtons, MessageIcon,
                             MessageOwner) {
  std::fprintf(stderr, "loader message: %s\n", text);
  return MessageAnswer::Ok;
}

namespace {

constexpr int kSide = 2048;
std::map<std::string, std::string> Files;  // format -> path

void Put16(std::vector<std::uint8_t>* b, unsigned v) {
  b->push_back(static_cast<std::uint8_t>(v));
  b->push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>* b, unsigned v) {
  Put16(b, v);
  Put16(b, v >> 16);
}

// A whole BMP file: file header, info header, table, pixel data.
std::vector<std::uint8_t> BmpFile(int bpp, unsigned compression, unsigned colors,
                                  const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> b = {'B', 'M'};
  const unsigned offset = 14 + 40 + 4 * colors;
  Put32(&b, offset + static_cast<unsigned>(data.size()));
  Put32(&b, 0);
  Put32(&b, offset);
  Put32(&b, 40);
  Put32(&b, kSide);
  Put32(&b, kSide);
  Put16(&b, 1);
  Put16(&b, static_cast<unsigned>(bpp));
  Put32(&b, compression);
  Put32(&b, static_cast<unsigned>(data.size()));
  Put32(&b, 2835);
  Put32(&b, 2835);
  Put32(&b, colors);
  Put32(&b, 0);
  for (unsigned i = 0; i < colors; ++i) {
    b.insert(b.end(), {static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i),
                       static_cast<std::uint8_t>(i * 3), 0});
  }
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

void MakeFiles(const std::filesystem::path& dir) {
  std::mt19937 random(12345);
  auto byte = [&] { return static_cast<std::uint8_t>(random()); };
  auto write = [&](const std::string& name, const std::vector<std::uint8_t>& content) {
    const std::string path = (dir / (name + ".bmp")).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    Files[name] = path;
  };
  std::vector<std::uint8_t> data;
  // Smooth gradients with noise, so no reader gets an easy constant picture.
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      data.insert(data.end(), {static_cast<std::uint8_t>(x + (byte() & 7)),
                               static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(x ^ y)});
    }
  }
  write("24bpp", BmpFile(24, 0, 0, data));
  data.clear();
  for (int i = 0; i < kSide * kSide; ++i) data.push_back(byte());
  write("8bpp", BmpFile(8, 0, 256, data));
  data.resize(kSide * kSide / 2);
  write("4bpp", BmpFile(4, 0, 16, data));
  // RLE8: encoded runs of 1..32 pixels and short absolute runs, one line each row.
  data.clear();
  for (int y = 0; y < kSide; ++y) {
    int x = 0;
    while (x < kSide) {
      const int left = kSide - x;
      if ((random() & 3) == 0 && left >= 8) {
        data.insert(data.end(), {0, 6});
        for (int i = 0; i < 6; ++i) data.push_back(byte());
        x += 6;
      } else {
        const int run = std::min(left, 1 + static_cast<int>(random() % 32));
        data.insert(data.end(), {static_cast<std::uint8_t>(run), byte()});
        x += run;
      }
    }
    data.insert(data.end(), {0, 0});
  }
  data.insert(data.end(), {0, 1});
  write("rle8", BmpFile(8, 1, 256, data));
}

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
  MakeFiles(dir);

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
