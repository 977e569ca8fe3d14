// The Win32 layer's clocks and sleep, read-only file mapping (CreateFileA,
// CreateFileMappingA, MapViewOfFile) and DIB conversion through GDI
// (SetDIBits into a DIB section selected into a memory context).
#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "seam/platform.h"

bool QueryCounterFrequency(std::int64_t* frequency) {
  LARGE_INTEGER value;
  if (!QueryPerformanceFrequency(&value)) {
    *frequency = 0;
    return false;
  }
  *frequency = value.QuadPart;
  return true;
}

bool QueryCounter(std::int64_t* count) {
  LARGE_INTEGER value;
  if (!QueryPerformanceCounter(&value)) return false;
  *count = value.QuadPart;
  return true;
}

std::uint32_t TickCountMs() { return GetTickCount(); }

namespace {

void EndFineTimer() { timeEndPeriod(1); }

}  // namespace

// Sleep, with the system timer at 1 ms from the first sleep until the game
// ends, for the whole milliseconds of the time asked (the caller spins what
// is left). A high-resolution waitable timer was tried: under Wine it woke
// later and more unevenly (served by the wineserver, where Sleep is not),
// and the game lost more frames and spun more.
void SleepForTicks(std::int64_t ticks) {
  static std::int64_t frequency = 0;
  if (frequency == 0 && !QueryCounterFrequency(&frequency)) return;
  if (ticks <= 0 || frequency <= 0) return;
  const std::int64_t ms = ticks / frequency * 1000 + ticks % frequency * 1000 / frequency;
  if (ms <= 0) return;
  static const bool fine = timeBeginPeriod(1) == TIMERR_NOERROR && std::atexit(EndFineTimer) == 0;
  (void)fine;
  Sleep(static_cast<DWORD>(ms < 1000 ? ms : 1000));
}

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

MapResult MapFileReadOnly(const char* name, FileView* mapped) {
  *mapped = FileView{};
  if (name == nullptr) return MapResult::NotOpened;
  auto* file = new (std::nothrow) MappedFile;
  if (file == nullptr) return MapResult::NotMapped;
  // A folder cannot be opened this way: it counts as missing.
  file->file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
  if (file->file == INVALID_HANDLE_VALUE) {
    UnmapFile(file);
    return MapResult::NotOpened;
  }
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file->file, &size) &&
      static_cast<unsigned long long>(size.QuadPart) <= SIZE_MAX) {
    file->length = static_cast<std::size_t>(size.QuadPart);
    // A file of length zero cannot be mapped: this fails for it.
    file->mapping = CreateFileMappingA(file->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  }
  if (file->mapping != nullptr) file->view = MapViewOfFile(file->mapping, FILE_MAP_READ, 0, 0, 0);
  if (file->view == nullptr) {
    UnmapFile(file);
    return MapResult::NotMapped;
  }
  *mapped = {file, static_cast<const std::uint8_t*>(file->view), file->length};
  return MapResult::Mapped;
}

namespace {

// What one GDI conversion obtains, released in reverse order: the context
// first (the section still selected), then the section, then the headers.
struct GdiConversion {
  BITMAPINFO* source = nullptr;  // the conversion header
  HDC context = nullptr;
  BITMAPINFO* target = nullptr;
  HBITMAP section = nullptr;
  void* bits = nullptr;

  ~GdiConversion() {
    if (context != nullptr) DeleteDC(context);
    if (section != nullptr) DeleteObject(section);
    if (target != nullptr) LocalFree(target);
    if (source != nullptr) LocalFree(source);
  }
};

// The conversion header GDI reads: a 40-byte info header, the masks of a
// bit-field file, and the file's colour entries widened to four bytes. It
// promises no more entries than it holds.
BITMAPINFO* MakeSourceHeader(const DibDescription& dib) {
  const bool masked = dib.compression == DibBitfields;
  const std::size_t tableBytes = (masked ? 12 : 0) + 4 * std::size_t{dib.tableEntries};
  auto* info = static_cast<BITMAPINFO*>(LocalAlloc(LPTR, sizeof(BITMAPINFOHEADER) + tableBytes + 4));
  if (info == nullptr) return nullptr;
  BITMAPINFOHEADER& h = info->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = dib.width;
  h.biHeight = dib.height;
  h.biPlanes = dib.planes;
  h.biBitCount = dib.bitsPerPixel;
  h.biCompression = dib.compression;
  h.biSizeImage = dib.imageSize;
  h.biClrUsed = dib.colorsUsed < dib.tableEntries ? dib.colorsUsed : dib.tableEntries;
  h.biClrImportant = 0;
  auto* table = reinterpret_cast<std::uint8_t*>(info) + sizeof(BITMAPINFOHEADER);
  if (masked) std::memcpy(table, dib.masks, 12);
  RGBQUAD* entries = reinterpret_cast<RGBQUAD*>(table + (masked ? 12 : 0));
  for (std::size_t i = 0; i < dib.tableEntries; ++i) {
    const std::uint8_t* e = dib.table + i * dib.entryBytes;
    entries[i] = RGBQUAD{e[0], e[1], e[2], 0};
  }
  return info;
}

}  // namespace

DibConvertResult ConvertDibToRgb(const DibDescription& dib, std::uint8_t* rgb) {
  GdiConversion gdi;
  gdi.source = MakeSourceHeader(dib);
  if (gdi.source == nullptr) return DibConvertResult::OutOfMemory;
  gdi.context = CreateCompatibleDC(nullptr);
  if (gdi.context == nullptr) return DibConvertResult::OutOfMemory;
  gdi.target = static_cast<BITMAPINFO*>(LocalAlloc(LPTR, sizeof(BITMAPINFO)));
  if (gdi.target == nullptr) return DibConvertResult::OutOfMemory;
  const LONG rows = static_cast<LONG>(dib.Rows());
  BITMAPINFOHEADER& t = gdi.target->bmiHeader;
  t.biSize = sizeof(BITMAPINFOHEADER);
  t.biWidth = dib.width;
  t.biHeight = dib.height;  // a negative height makes the section top-down too
  t.biPlanes = 1;
  t.biBitCount = 24;
  t.biCompression = BI_RGB;
  t.biSizeImage = static_cast<DWORD>(rows) * static_cast<DWORD>(dib.width) * 3;
  gdi.section = CreateDIBSection(gdi.context, gdi.target, DIB_RGB_COLORS, &gdi.bits, nullptr, 0);
  if (gdi.section == nullptr || gdi.bits == nullptr ||
      SelectObject(gdi.context, gdi.section) == nullptr) {
    return DibConvertResult::OutOfMemory;
  }
  // Every row, also of a top-down source (whose height is negative).
  if (SetDIBits(gdi.context, gdi.section, 0, static_cast<UINT>(rows), dib.bits, gdi.source,
                DIB_RGB_COLORS) == 0) {
    return DibConvertResult::ConversionError;
  }
  GdiFlush();

  // Blue, green, red section rows (filled to 4 bytes) into red, green, blue
  // rows without fill; a top-down section is read from its last row.
  const std::size_t width = static_cast<std::size_t>(dib.width);
  const std::size_t stride = (3 * width + 3) & ~std::size_t{3};
  const auto* section = static_cast<const std::uint8_t*>(gdi.bits);
  for (std::size_t y = 0; y < static_cast<std::size_t>(rows); ++y, rgb += 3 * width) {
    const std::uint8_t* src = section + (dib.height < 0 ? rows - 1 - y : y) * stride;
    for (std::size_t x = 0; x < width; ++x, src += 3) {
      rgb[3 * x] = src[2];
      rgb[3 * x + 1] = src[1];
      rgb[3 * x + 2] = src[0];
    }
  }
  return DibConvertResult::Ok;
}
