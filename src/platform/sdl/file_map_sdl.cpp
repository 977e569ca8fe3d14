// Read-only file mapping with open, fstat and mmap.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

#include "platform/platform.h"

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

MappedFile* MapFileReadOnly(const char* name) {
  if (name == nullptr) return nullptr;
  auto* file = new (std::nothrow) MappedFile;
  if (file == nullptr) return nullptr;
  // O_NONBLOCK keeps a FIFO from stalling the open; mmap then refuses it.
  file->descriptor = open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat info;
  if (file->descriptor < 0 || fstat(file->descriptor, &info) != 0 || !S_ISREG(info.st_mode) ||
      info.st_size <= 0) {
    UnmapFile(file);  // an empty file cannot be mapped
    return nullptr;
  }
  file->length = static_cast<std::size_t>(info.st_size);
  // The whole file is read once: fault it in with the mapping where possible.
#ifdef MAP_POPULATE
  const int flags = MAP_PRIVATE | MAP_POPULATE;
#else
  const int flags = MAP_PRIVATE;
#endif
  file->view = mmap(nullptr, file->length, PROT_READ, flags, file->descriptor, 0);
  if (file->view == MAP_FAILED) {
    UnmapFile(file);
    return nullptr;
  }
  return file;
}

const std::uint8_t* MappedBytes(const MappedFile* file) {
  return static_cast<const std::uint8_t*>(file->view);
}

std::size_t MappedLength(const MappedFile* file) { return file->length; }
