// libFuzzer target over the DIB file layout, the portable converter on its
// own, and the whole loader through a file on disk (the SDL layer's mapping
// and conversion). A load that fails without exactly one message, or succeeds
// with one, aborts.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/dib_convert.h"
#include "image/dib_loader.h"
#include "platform/platform.h"

namespace {

int MessagesShown = 0;

// Pictures whose section passes this are laid out but not converted, to keep
// every run within the fuzzer's memory limit.
constexpr std::size_t kMaxFuzzSection = 16u << 20;

void ConvertBounded(const std::uint8_t* info, std::size_t infoLength, const std::uint8_t* bits,
                    std::size_t bitsLength, std::int32_t width, std::int32_t height) {
  std::size_t bytes = 0;
  if (!Dib24SectionBytes(width, height, &bytes) || bytes > kMaxFuzzSection) return;
  auto* section = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
  if (section == nullptr) return;
  const std::int32_t rows = ConvertDibRows(info, infoLength, bits, bitsLength, section);
  if (rows != 0 && rows != (height < 0 ? -height : height)) std::abort();
  std::free(section);
}

const std::string& ScratchFile() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/voxra-dib-fuzz-" +
           std::to_string(getpid()) + ".bmp";
  }();
  return path;
}

}  // namespace

MessageAnswer ShowMessageBox(const char*, const char*, MessageButtons, MessageIcon, MessageOwner) {
  ++MessagesShown;
  return MessageAnswer::Ok;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // 1. The file layout, and the conversion of what it lays out.
  bool loadable = true;
  {
    DibConversionInput input;
    if (LayOutDibFile(data, size, &input) == DibLayoutResult::Ok) {
      std::size_t bytes = 0;
      loadable = Dib24SectionBytes(input.width, input.height, &bytes) && bytes <= kMaxFuzzSection;
      ConvertBounded(input.info, input.infoLength, input.bits, input.bitsLength, input.width,
                     input.height);
    }
  }

  // 2. The converter alone: the first byte splits header and pixel data.
  if (size >= 1) {
    const std::size_t infoLength = size - 1 < 255 ? data[0] % size : data[0];
    const std::uint8_t* info = data + 1;
    if (infoLength >= 12 && infoLength <= size - 1) {
      const bool core = DibRead32(info) == 12;
      const std::int32_t width =
          core ? DibRead16(info + 4) : static_cast<std::int32_t>(DibRead32(info + 4));
      const std::int32_t height =
          core ? DibRead16(info + 6) : static_cast<std::int32_t>(DibRead32(info + 8));
      ConvertBounded(info, infoLength, info + infoLength, size - 1 - infoLength, width, height);
    }
  }

  // 3. The loader on a real file.
  if (!loadable) return 0;
  const std::string& path = ScratchFile();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  const bool written = std::fwrite(data, 1, size, f) == size;
  std::fclose(f);
  if (!written) return 0;
  MessagesShown = 0;
  DibImage* image = LoadDibImage(path.c_str());
  if ((image == nullptr) != (MessagesShown == 1) || MessagesShown > 1) std::abort();
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
