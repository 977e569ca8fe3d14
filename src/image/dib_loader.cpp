#include "image/dib_loader.h"

#include <cstdio>
#include <cstdlib>

#include "image/dib_format.h"
#include "platform/platform.h"

namespace {

const char kOutOfMemory[] = "Out of memory.";
const char kUnknownFormat[] = "Unknown DIB file format.";
const char kConversionError[] = "Image file conversion error.";

void Report(const char* text) {
  ShowMessageBox(text, "Error", MessageButtons::Ok, MessageIcon::None, MessageOwner::Focus);
}

// The mapping lives until the load ends, whichever way it ends.
struct MappedFileOwner {
  FileView view;
  ~MappedFileOwner() {
    if (view.file != nullptr) UnmapFile(view.file);
  }
};

// Everything but the open-failure message, which is shown after release.
// Returns the result of the mapping; on Mapped, *image is null exactly when a
// message has been shown.
MapResult LoadFile(const char* name, DibImage** image) {
  MappedFileOwner file;
  const MapResult mapped = MapFileReadOnly(name, &file.view);
  if (mapped != MapResult::Mapped) return mapped;

  DibDescription dib;
  switch (DescribeDibFile(file.view.bytes, file.view.length, &dib)) {
    case DibLayoutResult::Ok: break;
    case DibLayoutResult::OutOfMemory: Report(kOutOfMemory); return mapped;
    case DibLayoutResult::UnknownFormat: Report(kUnknownFormat); return mapped;
    case DibLayoutResult::Malformed: Report(kConversionError); return mapped;
  }

  // Sizes were bounded by DescribeDibFile: 3 * width * rows fits a section.
  const std::size_t bytes = 3 * static_cast<std::size_t>(dib.width) * dib.Rows();
  auto* pixels = static_cast<std::uint8_t*>(std::malloc(bytes));
  auto* record = static_cast<DibImage*>(std::malloc(sizeof(DibImage)));
  if (pixels == nullptr || record == nullptr) {
    std::free(pixels);
    std::free(record);
    Report(kOutOfMemory);
    return mapped;
  }
  switch (ConvertDibToRgb(dib, pixels)) {
    case DibConvertResult::Ok:
      record->width = dib.width;
      record->height = static_cast<std::int32_t>(dib.Rows());
      record->pixels = pixels;
      *image = record;
      return mapped;
    case DibConvertResult::OutOfMemory: Report(kOutOfMemory); break;
    case DibConvertResult::ConversionError: Report(kConversionError); break;
  }
  std::free(pixels);
  std::free(record);
  return mapped;
}

}  // namespace

DibImage* LoadDibImage(const char* name, DibMissingFile missing) {
  DibImage* image = nullptr;
  const MapResult mapped = LoadFile(name, &image);
  const bool skip = mapped == MapResult::NotOpened && missing == DibMissingFile::Skip;
  if (mapped != MapResult::Mapped && !skip) {
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
