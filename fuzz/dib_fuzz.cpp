// libFuzzer target over the loader's core: the DIB file description, the
// portable converter into a buffer of exactly the picture's size, and the
// decoding into a DibImage. A decode that fails without a message, or
// succeeds with one, aborts.
#include <cstdlib>

#include "image/dib_format.h"
#include "image/dib_loader.h"
#include "image/dib_rows.h"

namespace {

// Pictures of more pixel bytes than this are described but neither
// converted nor decoded. A run-length file of a few hundred bytes may
// declare up to 2 GiB of pixels, and each such input (allocated, zeroed,
// converted and read twice under the sanitizers) took milliseconds where
// the others take microseconds, while small pictures reach every path of
// the converter; the size checks are all in the description.
constexpr std::size_t kMaxFuzzPixelBytes = 16u << 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DibDescription dib;
  if (DescribeDibFile(data, size, &dib) == DibLayoutResult::Ok) {
    const std::size_t bytes = 3 * static_cast<std::size_t>(dib.width) * dib.Rows();
    if (bytes > kMaxFuzzPixelBytes) return 0;
    auto* rgb = static_cast<std::uint8_t*>(std::malloc(bytes));
    if (rgb == nullptr) return 0;
    const std::int32_t rows = ConvertDibRows(dib, rgb);
    if (rows != 0 && static_cast<std::size_t>(rows) != dib.Rows()) std::abort();
    std::free(rgb);
  }

  const char* failure = nullptr;
  DibImage* image = DecodeDibImage(data, size, &failure);
  if ((image == nullptr) != (failure != nullptr)) std::abort();
  if (image != nullptr) {
    // Touch every pixel byte so a short buffer shows.
    unsigned sum = 0;
    const std::size_t n = 3 * static_cast<std::size_t>(image->width) *
                          static_cast<std::size_t>(image->height);
    for (std::size_t i = 0; i < n; ++i) sum += image->pixels[i];
    if (image->height <= 0 || sum == 0xFFFFFFFFu) std::abort();
  }
  FreeDibImage(image);
  return 0;
}
