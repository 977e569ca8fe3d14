// The DIB conversion with the portable converter into a zero-filled section.
#include <cstdlib>
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
  made->bits = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
  if (made->bits == nullptr) {
    ReleaseDibSection(made);
    return DibConvertResult::OutOfMemory;
  }
  if (ConvertDibRows(info, infoLength, bits, bitsLength, made->bits) == 0) {
    ReleaseDibSection(made);
    return DibConvertResult::ConversionError;
  }
  *section = made;
  return DibConvertResult::Ok;
}

const std::uint8_t* DibSectionBits(const DibSection* section) { return section->bits; }
