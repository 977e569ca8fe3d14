// Read-only file mapping with CreateFileA, CreateFileMappingA and MapViewOfFile.
#include <windows.h>

#include <new>

#include "platform/platform.h"

struct MappedFile {
  HANDLE file = INVALID_HANDLE_VALUE;
  HANDLE mapping = nullptr;
  const void* view = nullptr;
  std::size_t length = 0;
};

void UnmapFile(MappedFile* file) {
  if (file == nullptr) return;
  if (file->view != nullptr) UnmapViewOfFile(file->view);
  if (file->mapping != nullptr) CloseHandle(file->mapping);
  if (file->file != INVALID_HANDLE_VALUE) CloseHandle(file->file);
  delete file;
}

MappedFile* MapFileReadOnly(const char* name) {
  if (name == nullptr) return nullptr;
  auto* file = new (std::nothrow) MappedFile;
  if (file == nullptr) return nullptr;
  file->file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
  LARGE_INTEGER size{};
  if (file->file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file->file, &size) ||
      static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) {
    UnmapFile(file);
    return nullptr;
  }
  file->length = static_cast<std::size_t>(size.QuadPart);
  // A file of length zero cannot be mapped: this fails for it.
  file->mapping = CreateFileMappingA(file->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (file->mapping != nullptr) file->view = MapViewOfFile(file->mapping, FILE_MAP_READ, 0, 0, 0);
  if (file->view == nullptr) {
    UnmapFile(file);
    return nullptr;
  }
  return file;
}

const std::uint8_t* MappedBytes(const MappedFile* file) {
  return static_cast<const std::uint8_t*>(file->view);
}

std::size_t MappedLength(const MappedFile* file) { return file->length; }
