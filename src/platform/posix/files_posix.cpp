// Read-only file mapping on POSIX (open, fstat, mmap): the files of the SDL
// and the page layers. (On the page, Emscripten's in-memory file system
// serves the mapping as a copy.)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

#include "seam/platform.h"

struct MappedFile {
  int descriptor = -1;
  void* view = MAP_FAILED;
  std::size_t length = 0;
};

void UnmapFile(MappedFile* file) {
  if (file == nullptr) return;
  if (file->view != MAP_FAILED) munmap(file->view, file->length);
  if (file->descriptor >= 0) close(file->descriptor);
  delete file;
}

MapResult MapFileReadOnly(const char* name, FileView* mapped) {
  *mapped = FileView{};
  if (name == nullptr) return MapResult::NotOpened;
  auto* file = new (std::nothrow) MappedFile;
  if (file == nullptr) return MapResult::NotMapped;
  // O_NONBLOCK keeps a FIFO from stalling the open; only regular files count
  // as present.
  file->descriptor = open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat info;
  if (file->descriptor < 0 || fstat(file->descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    UnmapFile(file);
    return MapResult::NotOpened;
  }
  if (info.st_size <= 0) {
    UnmapFile(file);  // an empty file cannot be mapped
    return MapResult::NotMapped;
  }
  file->length = static_cast<std::size_t>(info.st_size);
  // The whole file is read once: fault it in with the mapping.
  file->view = mmap(nullptr, file->length, PROT_READ, MAP_PRIVATE | MAP_POPULATE,
                    file->descriptor, 0);
  if (file->view == MAP_FAILED) {
    UnmapFile(file);
    return MapResult::NotMapped;
  }
  *mapped = {file, static_cast<const std::uint8_t*>(file->view), file->length};
  return MapResult::Mapped;
}
