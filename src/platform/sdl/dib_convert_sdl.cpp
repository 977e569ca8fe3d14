// The DIB conversion with the portable converter: into a section, or straight
// into the loader's red, green, blue rows.
#include <cstdlib>
#include <cstring>
#include <new>

#include "image/dib_convert.h"
#include "platform/platform.h"

struct DibSection {
  std::uint8_t* bits = nullptr;
};

void ReleaseDibSection(DibSection* section) {
  if (section == nullptr) return;
  std::free(section->bits);
  delete section;
}

DibConvertResult ConvertDibTo24(const void* info, std::size_t infoLength, const void* bits,
                                std::size_t bitsLength, DibSection** section) {
  *section = nullptr;
  const auto* header = static_cast<const std::uint8_t*>(info);
  if (infoLength < 40) return DibConvertResult::ConversionError;
  std::size_t bytes = 0;
  if (!Dib24SectionBytes(static_cast<std::int32_t>(DibRead32(header + 4)),
                         static_cast<std::int32_t>(DibRead32(header + 8)), &bytes)) {
    return DibConvertResult::OutOfMemory;  // no section of that size can be made
  }
  auto* made = new (std::nothrow) DibSection;
  if (made == nullptr) return DibConvertResult::OutOfMemory;
  // A run-length stream may leave pixels unwritten: they must read as black,
  // as in a new GDI section. Other encodings write every pixel byte, and
  // only the fill bytes of each row are cleared afterwards.
  const std::uint32_t compression = DibRead32(header + 16);
  const bool sparse = compression == DibRle8 || compression == DibRle4;
  made->bits = static_cast<std::uint8_t*>(sparse ? std::calloc(bytes, 1) : std::malloc(bytes));
  if (made->bits == nullptr) {
    ReleaseDibSection(made);
    return DibConvertResult::OutOfMemory;
  }
  if (ConvertDibRows(info, infoLength, bits, bitsLength, made->bits) == 0) {
    ReleaseDibSection(made);
    return DibConvertResult::ConversionError;
  }
  if (!sparse) {
    const std::int32_t width = static_cast<std::int32_t>(DibRead32(header + 4));
    const std::size_t stride = Dib24Stride(width);
    const std::size_t fill = stride - 3 * static_cast<std::size_t>(width);
    for (std::size_t row = stride; fill != 0 && row <= bytes; row += stride) {
      std::memset(made->bits + row - fill, 0, fill);
    }
  }
  *section = made;
  return DibConvertResult::Ok;
}

const std::uint8_t* DibSectionBits(const DibSection* section) { return section->bits; }

bool ConvertDibToRgb(const void* info, std::size_t infoLength, const void* bits,
                     std::size_t bitsLength, std::uint8_t** rgb, DibConvertResult* result) {
  *rgb = nullptr;
  const auto* header = static_cast<const std::uint8_t*>(info);
  if (infoLength < 40) {
    *result = DibConvertResult::ConversionError;
    return true;
  }
  // A section bounds the size as in ConvertDibTo24; the rows here are no longer.
  const auto width = static_cast<std::int32_t>(DibRead32(header + 4));
  const auto height = static_cast<std::int32_t>(DibRead32(header + 8));
  std::size_t sectionBytes = 0;
  if (!Dib24SectionBytes(width, height, &sectionBytes)) {
    *result = DibConvertResult::OutOfMemory;
    return true;
  }
  const std::size_t rows = height < 0 ? 0 - static_cast<std::size_t>(height)
                                      : static_cast<std::size_t>(height);
  auto* block = static_cast<std::uint8_t*>(std::malloc(3 * static_cast<std::size_t>(width) * rows));
  if (block == nullptr) {
    *result = DibConvertResult::OutOfMemory;
    return true;
  }
  if (ConvertDibRowsRgb(info, infoLength, bits, bitsLength, block) == 0) {
    std::free(block);
    *result = DibConvertResult::ConversionError;
    return true;
  }
  *rgb = block;
  *result = DibConvertResult::Ok;
  return true;
}
