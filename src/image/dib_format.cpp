#include "image/dib_format.h"

namespace {

constexpr std::uint32_t kCoreHeaderBytes = 12;
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::size_t kMaskBytes = 12;  // red, green, blue masks of a bit-field file

std::uint64_t Magnitude(std::int32_t v) {
  return v < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(v))
               : static_cast<std::uint64_t>(v);
}

}  // namespace

std::uint16_t DibColorCount(const void* header) {
  const auto* h = static_cast<const std::uint8_t*>(header);
  const bool core = DibRead32(h) == kCoreHeaderBytes;
  if (!core) {
    const std::uint32_t used = DibRead32(h + 32);
    if (used != 0) return static_cast<std::uint16_t>(used);
  }
  switch (DibRead16(h + (core ? 10 : 14))) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

bool Dib24SectionBytes(std::int32_t width, std::int32_t height, std::size_t* bytes) {
  if (width <= 0 || height == 0) return false;
  std::uint64_t stride = 0;
  std::uint64_t total = 0;
  if (!DibSourceStride(width, 24, &stride) || !DibMultiply(stride, Magnitude(height), &total) ||
      total > kDibMaxBufferBytes) {
    return false;
  }
  *bytes = static_cast<std::size_t>(total);
  return true;
}

DibLayoutResult DescribeDibFile(const std::uint8_t* file, std::size_t length, DibDescription* dib) {
  // Where the bitmap header starts, and the pixel offset of a file header.
  std::size_t start = 0;
  bool haveOffset = false;
  std::size_t bitsOffset = 0;
  if (length >= 2 && file[0] == 0x42 && file[1] == 0x4D) {
    if (length < 14) return DibLayoutResult::UnknownFormat;
    bitsOffset = DibRead32(file + 10);
    haveOffset = true;
    start = 14;
  }
  if (length - start < 4) return DibLayoutResult::UnknownFormat;
  const std::uint8_t* header = file + start;
  const std::uint32_t headerBytes = DibRead32(header);
  if (headerBytes != kCoreHeaderBytes && headerBytes != kInfoHeaderBytes) {
    return DibLayoutResult::UnknownFormat;
  }
  if (length - start < headerBytes) return DibLayoutResult::UnknownFormat;
  const bool core = headerBytes == kCoreHeaderBytes;
  const std::uint16_t n = DibColorCount(header);

  DibDescription d;
  d.width = core ? DibRead16(header + 4) : static_cast<std::int32_t>(DibRead32(header + 4));
  d.height = core ? DibRead16(header + 6) : static_cast<std::int32_t>(DibRead32(header + 8));
  d.planes = DibRead16(header + (core ? 8 : 12));
  d.bitsPerPixel = DibRead16(header + (core ? 10 : 14));
  d.compression = core ? DibRgb : DibRead32(header + 16);
  d.imageSize = core ? 0 : DibRead32(header + 20);
  d.colorsUsed = core ? n : DibRead32(header + 32);
  d.tableEntries = n;
  d.entryBytes = core ? 3 : 4;

  // No 24-bit section can be made for these sizes: refused as GDI refuses
  // them, before anything is converted. The section also bounds the loader's
  // pixel buffer (3 * width <= stride).
  std::size_t sectionBytes = 0;
  if (!Dib24SectionBytes(d.width, d.height, &sectionBytes)) return DibLayoutResult::OutOfMemory;

  // The table as stored: 3-byte core entries, or the masks of a bit-field
  // file followed by 4-byte entries.
  const std::size_t maskBytes = d.compression == DibBitfields ? kMaskBytes : 0;
  const std::size_t storedTable = maskBytes + std::size_t{d.entryBytes} * n;
  if (storedTable > length - start - headerBytes) return DibLayoutResult::Malformed;
  for (std::size_t i = 0; i < maskBytes / 4; ++i) {
    d.masks[i] = DibRead32(header + headerBytes + 4 * i);
  }
  d.table = header + headerBytes + maskBytes;
  if (!haveOffset) bitsOffset = start + headerBytes + storedTable;
  if (bitsOffset > length) return DibLayoutResult::Malformed;

  if (d.compression > DibBitfields) return DibLayoutResult::Malformed;
  // A colours-used field past 16 bits could make the conversion read more
  // entries than the table holds.
  if (d.bitsPerPixel <= 8 && d.colorsUsed != 0) {
    const std::uint32_t full = 1u << d.bitsPerPixel;
    if ((d.colorsUsed < full ? d.colorsUsed : full) > n) return DibLayoutResult::Malformed;
  }

  // The pixel data must be all there before anything reads them.
  const std::size_t available = length - bitsOffset;
  std::uint64_t packedRow = 0;
  std::uint64_t computed = 0;
  if (!DibMultiply(static_cast<std::uint64_t>(d.width), d.bitsPerPixel, &packedRow) ||
      !DibMultiply((packedRow + 7) / 8, Magnitude(d.height), &computed)) {
    return DibLayoutResult::Malformed;
  }
  if (d.compression == DibRle8 || d.compression == DibRle4) {
    if (d.imageSize > available) return DibLayoutResult::Malformed;
    if (d.imageSize == 0) {
      d.imageSize = static_cast<std::uint32_t>(computed < available ? computed : available);
    }
  } else {
    std::uint64_t stride = 0;
    std::uint64_t need = 0;
    if (!DibSourceStride(d.width, d.bitsPerPixel, &stride) ||
        !DibMultiply(stride, Magnitude(d.height), &need) || need > available) {
      return DibLayoutResult::Malformed;
    }
    if (d.imageSize == 0) d.imageSize = static_cast<std::uint32_t>(computed);  // computed <= need
  }
  if (d.colorsUsed == 0) d.colorsUsed = n;

  d.bits = file + bitsOffset;
  d.bitsLength = available;
  *dib = d;
  return DibLayoutResult::Ok;
}
