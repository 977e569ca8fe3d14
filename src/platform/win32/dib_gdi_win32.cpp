// The DIB conversion through GDI: SetDIBits into a DIB section selected into a
// memory context.
#include <windows.h>

#include <new>

#include "platform/platform.h"

struct DibSection {
  HDC context = nullptr;
  BITMAPINFO* target = nullptr;
  HBITMAP bitmap = nullptr;
  void* bits = nullptr;
};

// The context goes first, with the section still selected; then the section
// and the target header.
void ReleaseDibSection(DibSection* section) {
  if (section == nullptr) return;
  if (section->context != nullptr) DeleteDC(section->context);
  if (section->bitmap != nullptr) DeleteObject(section->bitmap);
  if (section->target != nullptr) LocalFree(section->target);
  delete section;
}

DibConvertResult ConvertDibTo24(const void* info, std::size_t infoLength, const void* bits,
                                std::size_t bitsLength, DibSection** section) {
  (void)bitsLength;  // checked by the caller; GDI takes no length
  *section = nullptr;
  if (infoLength < sizeof(BITMAPINFOHEADER)) return DibConvertResult::ConversionError;
  BITMAPINFOHEADER source;
  CopyMemory(&source, info, sizeof source);
  const LONG rows = source.biHeight < 0 ? -source.biHeight : source.biHeight;

  auto* made = new (std::nothrow) DibSection;
  if (made == nullptr) return DibConvertResult::OutOfMemory;
  made->context = CreateCompatibleDC(nullptr);
  if (made->context == nullptr) {
    ReleaseDibSection(made);
    return DibConvertResult::OutOfMemory;
  }
  made->target = static_cast<BITMAPINFO*>(LocalAlloc(LPTR, sizeof(BITMAPINFO)));
  if (made->target == nullptr) {
    ReleaseDibSection(made);
    return DibConvertResult::OutOfMemory;
  }
  BITMAPINFOHEADER& t = made->target->bmiHeader;
  t.biSize = sizeof(BITMAPINFOHEADER);
  t.biWidth = source.biWidth;
  t.biHeight = source.biHeight;  // a negative height makes the section top-down too
  t.biPlanes = 1;
  t.biBitCount = 24;
  t.biCompression = BI_RGB;
  t.biSizeImage = static_cast<DWORD>(rows) * static_cast<DWORD>(source.biWidth) * 3;
  made->bitmap = CreateDIBSection(made->context, made->target, DIB_RGB_COLORS, &made->bits,
                                  nullptr, 0);
  if (made->bitmap == nullptr || made->bits == nullptr ||
      SelectObject(made->context, made->bitmap) == nullptr) {
    ReleaseDibSection(made);
    return DibConvertResult::OutOfMemory;
  }
  // Every row, also of a top-down source (whose height is negative).
  if (SetDIBits(made->context, made->bitmap, 0, static_cast<UINT>(rows), bits,
                static_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS) == 0) {
    ReleaseDibSection(made);
    return DibConvertResult::ConversionError;
  }
  GdiFlush();
  *section = made;
  return DibConvertResult::Ok;
}

const std::uint8_t* DibSectionBits(const DibSection* section) {
  return static_cast<const std::uint8_t*>(section->bits);
}

// GDI renders only into sections: the loader converts with ConvertDibTo24.
bool ConvertDibToRgb(const void*, std::size_t, const void*, std::size_t, std::uint8_t**,
                     DibConvertResult*) {
  return false;
}
