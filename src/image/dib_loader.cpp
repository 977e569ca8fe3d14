#include "image/dib_loader.h"

#include <cstdio>
#include <cstdlib>

#include "image/dib_convert.h"
#include "platform/platform.h"

namespace {

const char kOutOfMemory[] = "Out of memory.";
const char kUnknownFormat[] = "Unknown DIB file format.";
const char kConversionError[] = "Image file conversion error.";

void Report(const char* text) {
  ShowMessageBox(text, "Error", MessageButtons::Ok, MessageIcon::None, MessageOwner::Focus);
}

// Owners of what one load obtains; members of LoadFile are declared in the
// order obtained, so they are released in the reverse order.
struct MappedFileOwner {
  MappedFile* file;
  ~MappedFileOwner() {
    if (file != nullptr) UnmapFile(file);
  }
};

struct SectionOwner {
  DibSection* section = nullptr;
  ~SectionOwner() {
    if (section != nullptr) ReleaseDibSection(section);
  }
};

struct HeapOwner {
  void* block = nullptr;
  ~HeapOwner() { std::free(block); }
};

enum class LoadResult { Loaded, OpenFailed, Reported };

// True for Ok; otherwise shows the conversion's message and returns false.
bool ConversionSucceeded(DibConvertResult result) {
  switch (result) {
    case DibConvertResult::Ok: return true;
    case DibConvertResult::OutOfMemory: Report(kOutOfMemory); return false;
    case DibConvertResult::ConversionError: Report(kConversionError); return false;
  }
  return false;
}

// Converts into the layer's section, then copies its rows into a new pixel
// block; a top-down section is read from its last row, so the block is
// bottom-up. False after the failure has been reported. The caller keeps the
// section until the load ends, as it keeps everything the load obtains.
bool ConvertThroughSection(const DibConversionInput& input, std::size_t width, std::size_t rows,
                           SectionOwner* section, HeapOwner* pixels) {
  if (!ConversionSucceeded(ConvertDibTo24(input.info, input.infoLength, input.bits,
                                          input.bitsLength, &section->section))) {
    return false;
  }
  const std::size_t rowBytes = 3 * width;
  pixels->block = std::malloc(rowBytes * rows);
  if (pixels->block == nullptr) {
    Report(kOutOfMemory);
    return false;
  }
  const std::uint8_t* src = DibSectionBits(section->section);
  const std::size_t srcStride = Dib24Stride(input.width);
  auto* dst = static_cast<std::uint8_t*>(pixels->block);
  for (std::size_t y = 0; y < rows; ++y, dst += rowBytes) {
    const std::size_t srcRow = input.height < 0 ? rows - 1 - y : y;
    DibSwapRowToRgb(src + srcRow * srcStride, dst, input.width);
  }
  return true;
}

// Everything but the open-failure message, which is shown after release.
LoadResult LoadFile(const char* name, DibImage** image) {
  HeapOwner pixels;  // released last, like the buffer of a failed load
  MappedFileOwner file{MapFileReadOnly(name)};
  if (file.file == nullptr) return LoadResult::OpenFailed;

  DibConversionInput input;
  switch (LayOutDibFile(MappedBytes(file.file), MappedLength(file.file), &input)) {
    case DibLayoutResult::Ok: break;
    case DibLayoutResult::OutOfMemory: Report(kOutOfMemory); return LoadResult::Reported;
    case DibLayoutResult::UnknownFormat: Report(kUnknownFormat); return LoadResult::Reported;
    case DibLayoutResult::Malformed: Report(kConversionError); return LoadResult::Reported;
  }

  // Sizes were bounded by LayOutDibFile: 3 * width * rows fits a section.
  const std::size_t width = static_cast<std::size_t>(input.width);
  const std::size_t rows = input.height < 0 ? 0 - static_cast<std::size_t>(input.height)
                                            : static_cast<std::size_t>(input.height);

  // A layer that renders red, green, blue rows itself saves the section and
  // the copy; GDI renders into a section, copied below.
  SectionOwner section;
  DibConvertResult direct = DibConvertResult::Ok;
  std::uint8_t* rgb = nullptr;
  if (ConvertDibToRgb(input.info, input.infoLength, input.bits, input.bitsLength, &rgb,
                      &direct)) {
    pixels.block = rgb;
    if (!ConversionSucceeded(direct)) return LoadResult::Reported;
  } else if (!ConvertThroughSection(input, width, rows, &section, &pixels)) {
    return LoadResult::Reported;
  }

  auto* record = static_cast<DibImage*>(std::malloc(sizeof(DibImage)));
  if (record == nullptr) {
    Report(kOutOfMemory);
    return LoadResult::Reported;
  }
  record->width = input.width;
  record->height = static_cast<std::int32_t>(rows);
  record->pixels = static_cast<std::uint8_t*>(pixels.block);
  pixels.block = nullptr;
  *image = record;
  return LoadResult::Loaded;
}

}  // namespace

DibImage* LoadDibImage(const char* name) {
  DibImage* image = nullptr;
  if (LoadFile(name, &image) == LoadResult::OpenFailed) {
    // A name too long for the buffer is cut; the text stays terminated.
    char text[256];
    std::snprintf(text, sizeof text, "Failed to open DIB file %s.\n", name != nullptr ? name : "");
    Report(text);
  }
  return image;
}

void FreeDibImage(DibImage* image) {
  if (image == nullptr) return;
  std::free(image->pixels);
  std::free(image);
}

std::uint16_t DibColorCount(const void* header) {
  return DibHeaderColorCount(static_cast<const std::uint8_t*>(header));
}
