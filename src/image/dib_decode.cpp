// The loader's core: a DIB file's bytes, described once and converted into a
// DibImage, or the message that says why not.
#include <cstdlib>

#include "image/dib_format.h"
#include "image/dib_loader.h"

namespace {

const char kOutOfMemory[] = "Out of memory.";
const char kUnknownFormat[] = "Unknown DIB file format.";
const char kConversionError[] = "Image file conversion error.";

}  // namespace

DibImage* DecodeDibImage(const std::uint8_t* bytes, std::size_t length, const char** failure) {
  DibDescription dib;
  switch (DescribeDibFile(bytes, length, &dib)) {
    case DibLayoutResult::Ok: break;
    case DibLayoutResult::OutOfMemory: *failure = kOutOfMemory; return nullptr;
    case DibLayoutResult::UnknownFormat: *failure = kUnknownFormat; return nullptr;
    case DibLayoutResult::Malformed: *failure = kConversionError; return nullptr;
  }

  // Sizes were bounded by DescribeDibFile: 3 * width * rows fits a section.
  const std::size_t pixelBytes = 3 * static_cast<std::size_t>(dib.width) * dib.Rows();
  auto* pixels = static_cast<std::uint8_t*>(std::malloc(pixelBytes));
  auto* record = static_cast<DibImage*>(std::malloc(sizeof(DibImage)));
  *failure = kOutOfMemory;
  if (pixels != nullptr && record != nullptr) {
    switch (ConvertDibToRgb(dib, pixels)) {
      case DibConvertResult::Ok:
        record->width = dib.width;
        record->height = static_cast<std::int32_t>(dib.Rows());
        record->pixels = pixels;
        *failure = nullptr;
        return record;
      case DibConvertResult::OutOfMemory: break;
      case DibConvertResult::ConversionError: *failure = kConversionError; break;
    }
  }
  std::free(pixels);
  std::free(record);
  return nullptr;
}

void FreeDibImage(DibImage* image) {
  if (image == nullptr) return;
  std::free(image->pixels);
  std::free(image);
}
