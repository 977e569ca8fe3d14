// libFuzzer target over the DIB file description and the portable converter,
// and the whole loader through a file on disk (the null layer reads it and
// converts with the portable converter). A load that fails without exactly
// one message, or succeeds with one, aborts.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/dib_format.h"
#include "image/dib_loader.h"
#include "image/dib_rows.h"
#include "null_platform.h"

namespace {

// Pictures larger than this are described but not converted, to keep every
// run within the fuzzer's memory limit.
constexpr std::size_t kMaxFuzzPixels = 16u << 20;

const std::string& ScratchFile() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/voxra-dib-fuzz-" +
           std::to_string(getpid()) + ".bmp";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // 1. The description, and the conversion of what it describes into a
  // buffer of exactly the picture's size.
  DibDescription dib;
  if (DescribeDibFile(data, size, &dib) != DibLayoutResult::Ok) return 0;
  const std::size_t bytes = 3 * static_cast<std::size_t>(dib.width) * dib.Rows();
  if (bytes > kMaxFuzzPixels) return 0;
  auto* rgb = static_cast<std::uint8_t*>(std::malloc(bytes));
  if (rgb == nullptr) return 0;
  const std::int32_t rows = ConvertDibRows(dib, rgb);
  if (rows != 0 && static_cast<std::size_t>(rows) != dib.Rows()) std::abort();
  std::free(rgb);

  // 2. The loader on a real file.
  const std::string& path = ScratchFile();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  const bool written = std::fwrite(data, 1, size, f) == size;
  std::fclose(f);
  if (!written) return 0;
  NullPlatform.boxes.clear();
  DibImage* image = LoadDibImage(path.c_str());
  const std::size_t shown = NullPlatform.boxes.size();
  if ((image == nullptr) != (shown == 1) || shown > 1) std::abort();
  if (image != nullptr) {
    // Touch every pixel byte so a short buffer shows.
    unsigned sum = 0;
    const std::size_t n = 3 * static_cast<std::size_t>(image->width) *
                          static_cast<std::size_t>(image->height);
    for (std::size_t i = 0; i < n; ++i) sum += image->pixels[i];
    if (image->height <= 0 || sum == 0xFFFFFFFFu) std::abort();
  }
  FreeDibImage(image);
  std::remove(path.c_str());
  return 0;
}
