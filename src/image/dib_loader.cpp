// The loader on a file: mapped read-only for the length of the call, decoded,
// and every failure told to the user in one message box.
#include "image/dib_loader.h"

#include <cstdio>

#include "seam/platform.h"

namespace {

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

}  // namespace

DibImage* LoadDibImage(const char* name, DibMissingFile missing) {
  MapResult mapped = MapResult::NotOpened;
  const char* failure = nullptr;
  DibImage* image = nullptr;
  {
    MappedFileOwner file;
    mapped = MapFileReadOnly(name, &file.view);
    if (mapped == MapResult::Mapped) image = DecodeDibImage(file.view.bytes, file.view.length, &failure);
  }
  // The open failure is told once everything is released.
  if (mapped == MapResult::Mapped) {
    if (failure != nullptr) Report(failure);
  } else if (mapped == MapResult::NotMapped || missing == DibMissingFile::Report) {
    // A name too long for the buffer is cut; the text stays terminated.
    char text[256];
    std::snprintf(text, sizeof text, "Failed to open DIB file %s.\n", name != nullptr ? name : "");
    Report(text);
  }
  return image;
}
