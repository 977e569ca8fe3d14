#include "image/dib_convert.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t kCoreHeaderBytes = 12;
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::size_t kMaskBytes = 12;  // red, green, blue masks of a bit-field file

bool MulChecked(std::uint64_t a, std::uint64_t b, std::uint64_t* product) {
  return !__builtin_mul_overflow(a, b, product);
}

std::uint64_t Magnitude(std::int32_t v) {
  return v < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(v))
               : static_cast<std::uint64_t>(v);
}

// Bytes of one stored row of an uncompressed picture; false on overflow.
bool SourceStride(std::int32_t width, std::uint32_t bpp, std::uint64_t* stride) {
  std::uint64_t bitsPerRow = 0;
  if (!MulChecked(static_cast<std::uint64_t>(width), bpp, &bitsPerRow)) return false;
  *stride = (bitsPerRow + 31) / 32 * 4;
  return true;
}

// The header fields the conversion looks at.
struct SourceHeader {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t planes = 0;
  std::uint32_t bpp = 0;
  std::uint32_t compression = DibRgb;
  std::uint32_t imageSize = 0;
  std::uint32_t colorsUsed = 0;
  const std::uint8_t* table = nullptr;  // first colour entry
  std::size_t tableBytes = 0;           // bytes of `info` from `table` on
  std::size_t entryBytes = 4;
  std::uint32_t masks[3] = {0, 0, 0};
};

bool ReadSourceHeader(const std::uint8_t* info, std::size_t infoLength, SourceHeader* h) {
  if (infoLength < 4) return false;
  const std::uint32_t size = DibRead32(info);
  if (size == kCoreHeaderBytes) {
    if (infoLength < kCoreHeaderBytes) return false;
    h->width = DibRead16(info + 4);
    h->height = DibRead16(info + 6);
    h->planes = DibRead16(info + 8);
    h->bpp = DibRead16(info + 10);
    h->entryBytes = 3;
  } else if (size >= kInfoHeaderBytes && size <= infoLength) {
    h->width = static_cast<std::int32_t>(DibRead32(info + 4));
    h->height = static_cast<std::int32_t>(DibRead32(info + 8));
    h->planes = DibRead16(info + 12);
    h->bpp = DibRead16(info + 14);
    h->compression = DibRead32(info + 16);
    h->imageSize = DibRead32(info + 20);
    h->colorsUsed = DibRead32(info + 32);
    if (h->compression == DibBitfields) {
      // The masks lie at byte 40: behind an info header, inside a larger one.
      if (infoLength < kInfoHeaderBytes + kMaskBytes) return false;
      for (int i = 0; i < 3; ++i) h->masks[i] = DibRead32(info + 40 + 4 * i);
    }
  } else {
    return false;
  }
  h->table = info + size;
  h->tableBytes = infoLength - size;
  return true;
}

// Whether GDI accepts the header (bits per pixel, compression, sizes, masks).
bool Acceptable(const SourceHeader& h) {
  if (h.width <= 0 || h.height == 0 || h.planes == 0) return false;
  switch (h.bpp) {
    case 1: case 4: case 8: case 24:
      if (h.compression == DibRgb) return true;
      if (h.compression == DibRle8 && h.bpp == 8) break;
      if (h.compression == DibRle4 && h.bpp == 4) break;
      return false;
    case 16: case 32:
      if (h.compression == DibRgb) return true;
      if (h.compression != DibBitfields) return false;
      return h.masks[0] != 0 && h.masks[1] != 0 && h.masks[2] != 0;
    default:
      return false;
  }
  // Run-length data: bottom-up only, and the image size bounds the stream.
  return h.height > 0 && h.imageSize != 0;
}

// Colour entries as blue, green, red, 0; indices past the table are black.
struct Palette {
  std::uint8_t entry[256][4];
};

bool BuildPalette(const SourceHeader& h, Palette* palette) {
  std::memset(palette, 0, sizeof *palette);
  const std::uint32_t full = 1u << h.bpp;
  const std::uint32_t count = h.colorsUsed != 0 && h.colorsUsed < full ? h.colorsUsed : full;
  if (count > h.tableBytes / h.entryBytes) return false;  // the caller's table is short
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* e = h.table + i * h.entryBytes;
    palette->entry[i][0] = e[0];
    palette->entry[i][1] = e[1];
    palette->entry[i][2] = e[2];
  }
  return true;
}

// One channel of a masked pixel: the field's top 8 bits, or a shorter field
// widened by repeating it from bit 7 down.
struct Channel {
  unsigned shift = 0;
  std::uint32_t mask = 0;
  std::uint8_t widen[256];
};

void BuildChannel(std::uint32_t fieldMask, Channel* c) {
  unsigned shift = static_cast<unsigned>(__builtin_ctz(fieldMask));
  unsigned length = 0;
  while (shift + length < 32 && (fieldMask >> (shift + length) & 1u) != 0) ++length;
  if (length > 8) {
    shift += length - 8;
    length = 8;
  }
  c->shift = shift;
  c->mask = (1u << length) - 1;
  for (unsigned v = 0; v < 256; ++v) {
    const unsigned aligned = (v & c->mask) << (8 - length);
    c->widen[v] = static_cast<std::uint8_t>(aligned | (aligned >> length));
  }
}

// Row converters: `src` one stored row, `dst` one section row.
void ConvertRow1(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                 const Palette& pal) {
  for (std::int32_t x = 0; x < width; ++x) {
    const unsigned index = (src[x >> 3] >> (7 - (x & 7))) & 1u;
    std::memcpy(dst + 3 * static_cast<std::size_t>(x), pal.entry[index], 3);
  }
}

void ConvertRow4(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                 const Palette& pal) {
  std::int32_t x = 0;
  for (; x + 1 < width; x += 2, dst += 6) {
    const unsigned b = src[x >> 1];
    std::memcpy(dst, pal.entry[b >> 4], 4);
    std::memcpy(dst + 3, pal.entry[b & 15u], 3);
  }
  if (x < width) std::memcpy(dst, pal.entry[src[x >> 1] >> 4], 3);
}

void ConvertRow8(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                 const Palette& pal) {
  // Four bytes per store, the fourth overwritten by the next pixel; the last
  // pixel of the row writes only its own three.
  const std::int32_t last = width - 1;
  for (std::int32_t x = 0; x < last; ++x, dst += 3) std::memcpy(dst, pal.entry[src[x]], 4);
  std::memcpy(dst, pal.entry[src[last]], 3);
}

template <int Bytes>
void ConvertRowMasked(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                      const Channel* ch) {
  for (std::int32_t x = 0; x < width; ++x, src += Bytes, dst += 3) {
    const std::uint32_t px = Bytes == 2 ? DibRead16(src) : DibRead32(src);
    dst[0] = ch[2].widen[(px >> ch[2].shift) & ch[2].mask];
    dst[1] = ch[1].widen[(px >> ch[1].shift) & ch[1].mask];
    dst[2] = ch[0].widen[(px >> ch[0].shift) & ch[0].mask];
  }
}

void ConvertRow32Rgb(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width) {
  const std::int32_t last = width - 1;
  for (std::int32_t x = 0; x < last; ++x, src += 4, dst += 3) std::memcpy(dst, src, 4);
  std::memcpy(dst, src, 3);
}

std::int32_t ConvertUncompressed(const SourceHeader& h, const std::uint8_t* bits,
                                 std::size_t bitsLength, std::uint8_t* section) {
  const std::uint64_t rows = Magnitude(h.height);
  std::uint64_t stride = 0;
  std::uint64_t need = 0;
  if (!SourceStride(h.width, h.bpp, &stride) || !MulChecked(stride, rows, &need) ||
      need > bitsLength) {
    return 0;  // Windows refuses data shorter than its rows
  }
  Palette pal;
  if (h.bpp <= 8 && !BuildPalette(h, &pal)) return 0;
  Channel ch[3];
  if (h.bpp == 16 || h.bpp == 32) {
    std::uint32_t masks[3] = {h.masks[0], h.masks[1], h.masks[2]};
    if (h.compression == DibRgb) {
      const bool wide = h.bpp == 32;
      masks[0] = wide ? 0xFF0000u : 0x7C00u;
      masks[1] = wide ? 0x00FF00u : 0x03E0u;
      masks[2] = wide ? 0x0000FFu : 0x001Fu;
    }
    for (int i = 0; i < 3; ++i) BuildChannel(masks[i], &ch[i]);
  }
  const bool plain32 = h.bpp == 32 && h.compression == DibRgb;
  const std::size_t dstStride = Dib24Stride(h.width);
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(h.width);
  for (std::uint64_t y = 0; y < rows; ++y) {
    const std::uint8_t* src = bits + y * stride;
    std::uint8_t* dst = section + y * dstStride;
    switch (h.bpp) {
      case 1: ConvertRow1(src, dst, h.width, pal); break;
      case 4: ConvertRow4(src, dst, h.width, pal); break;
      case 8: ConvertRow8(src, dst, h.width, pal); break;
      case 16: ConvertRowMasked<2>(src, dst, h.width, ch); break;
      case 24: std::memcpy(dst, src, rowBytes); break;
      default:
        if (plain32) {
          ConvertRow32Rgb(src, dst, h.width);
        } else {
          ConvertRowMasked<4>(src, dst, h.width, ch);
        }
        break;
    }
  }
  return static_cast<std::int32_t>(rows);
}

// Run-length data, bottom row first. Runs are clipped at the right edge;
// pixels the stream never reaches keep what the section held.
std::int32_t ConvertRunLength(const SourceHeader& h, const std::uint8_t* bits,
                              std::size_t bitsLength, std::uint8_t* section) {
  Palette pal;
  if (!BuildPalette(h, &pal)) return 0;
  const bool rle4 = h.compression == DibRle4;
  const std::size_t limit = h.imageSize < bitsLength ? h.imageSize : bitsLength;
  const std::size_t width = static_cast<std::size_t>(h.width);
  const std::size_t rows = static_cast<std::size_t>(h.height);
  const std::size_t stride = Dib24Stride(h.width);
  std::size_t x = 0;
  std::size_t y = 0;
  std::size_t p = 0;
  auto put = [&](unsigned index) {  // callers stop at the right edge
    std::memcpy(section + y * stride + 3 * x, pal.entry[index], 3);
    ++x;
  };
  while (p + 2 <= limit && y < rows) {
    const unsigned count = bits[p];
    const unsigned code = bits[p + 1];
    p += 2;
    if (count != 0) {
      for (unsigned i = 0; i < count && x < width; ++i) {
        put(rle4 ? ((i & 1u) != 0 ? code & 15u : code >> 4) : code);
      }
      continue;
    }
    if (code == 0) {  // end of line
      x = 0;
      ++y;
    } else if (code == 1) {  // end of bitmap
      break;
    } else if (code == 2) {  // delta
      if (p + 2 > limit) break;
      x += bits[p];
      y += bits[p + 1];
      p += 2;
    } else {  // absolute run of `code` pixels
      const std::size_t bytes = rle4 ? (code + 1) / 2 : code;
      if (p + bytes > limit) break;
      for (unsigned i = 0; i < code && x < width; ++i) {
        const unsigned b = bits[p + (rle4 ? i / 2 : i)];
        put(rle4 ? ((i & 1u) != 0 ? b & 15u : b >> 4) : b);
      }
      p += (bytes + 1) & ~static_cast<std::size_t>(1);
    }
  }
  return static_cast<std::int32_t>(rows);
}

}  // namespace

std::uint16_t DibHeaderColorCount(const std::uint8_t* header) {
  const bool core = DibRead32(header) == kCoreHeaderBytes;
  if (!core) {
    const std::uint32_t used = DibRead32(header + 32);
    if (used != 0) return static_cast<std::uint16_t>(used);
  }
  switch (DibRead16(header + (core ? 10 : 14))) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

bool Dib24SectionBytes(std::int32_t width, std::int32_t height, std::size_t* bytes) {
  if (width <= 0 || height == 0) return false;
  std::uint64_t total = 0;
  if (!MulChecked(Dib24Stride(width), Magnitude(height), &total) || total > DibMaxBufferBytes) {
    return false;
  }
  *bytes = static_cast<std::size_t>(total);
  return true;
}

std::int32_t ConvertDibRows(const void* info, std::size_t infoLength, const void* bits,
                            std::size_t bitsLength, std::uint8_t* section) {
  if (info == nullptr || bits == nullptr || section == nullptr) return 0;
  SourceHeader h;
  std::size_t sectionBytes = 0;
  if (!ReadSourceHeader(static_cast<const std::uint8_t*>(info), infoLength, &h) ||
      !Acceptable(h) || !Dib24SectionBytes(h.width, h.height, &sectionBytes)) {
    return 0;
  }
  const auto* data = static_cast<const std::uint8_t*>(bits);
  if (h.compression == DibRle8 || h.compression == DibRle4) {
    return ConvertRunLength(h, data, bitsLength, section);
  }
  return ConvertUncompressed(h, data, bitsLength, section);
}

DibConversionInput::~DibConversionInput() { std::free(info); }

DibLayoutResult LayOutDibFile(const std::uint8_t* file, std::size_t length,
                              DibConversionInput* input) {
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
  const std::uint16_t n = DibHeaderColorCount(header);

  // The fields the layout depends on.
  const std::int32_t width = core ? DibRead16(header + 4)
                                  : static_cast<std::int32_t>(DibRead32(header + 4));
  const std::int32_t height = core ? DibRead16(header + 6)
                                   : static_cast<std::int32_t>(DibRead32(header + 8));
  const std::uint32_t bpp = DibRead16(header + (core ? 10 : 14));
  const std::uint32_t compression = core ? DibRgb : DibRead32(header + 16);
  std::uint32_t imageSize = core ? 0 : DibRead32(header + 20);
  std::uint32_t colorsUsed = core ? n : DibRead32(header + 32);

  // The table as stored: 3-byte core entries, or the masks of a bit-field
  // file followed by 4-byte entries.
  const std::size_t maskBytes = compression == DibBitfields ? kMaskBytes : 0;
  const std::size_t storedTable = core ? 3u * n : maskBytes + 4u * n;
  if (storedTable > length - start - headerBytes) return DibLayoutResult::Malformed;
  if (!haveOffset) bitsOffset = start + headerBytes + storedTable;
  if (bitsOffset > length) return DibLayoutResult::Malformed;

  if (width <= 0 || height == 0 || compression > DibBitfields) return DibLayoutResult::Malformed;
  // A colours-used field past 16 bits could make the conversion read more
  // entries than the table holds.
  if (bpp <= 8 && colorsUsed != 0) {
    const std::uint32_t full = 1u << bpp;
    if ((colorsUsed < full ? colorsUsed : full) > n) return DibLayoutResult::Malformed;
  }

  // The section bounds the loader's pixel buffer too (3 * width <= stride).
  std::size_t sectionBytes = 0;
  if (!Dib24SectionBytes(width, height, &sectionBytes)) return DibLayoutResult::OutOfMemory;

  // The pixel data must be all there before anything reads them.
  const std::size_t available = length - bitsOffset;
  std::uint64_t packedRow = 0;
  std::uint64_t computed = 0;
  if (!MulChecked(static_cast<std::uint64_t>(width), bpp, &packedRow) ||
      !MulChecked((packedRow + 7) / 8, Magnitude(height), &computed)) {
    return DibLayoutResult::Malformed;
  }
  if (compression == DibRle8 || compression == DibRle4) {
    if (imageSize > available) return DibLayoutResult::Malformed;
    if (imageSize == 0) {
      imageSize = static_cast<std::uint32_t>(computed < available ? computed : available);
    }
  } else {
    std::uint64_t stride = 0;
    std::uint64_t need = 0;
    if (!SourceStride(width, bpp, &stride) || !MulChecked(stride, Magnitude(height), &need) ||
        need > available) {
      return DibLayoutResult::Malformed;
    }
    if (imageSize == 0) imageSize = static_cast<std::uint32_t>(computed);  // computed <= need
  }
  if (colorsUsed == 0) colorsUsed = n;

  // The conversion header: 40 bytes, the masks and entries, one spare entry.
  const std::size_t tableBytes = maskBytes + 4u * n;
  const std::size_t infoLength = kInfoHeaderBytes + tableBytes + 4;
  auto* info = static_cast<std::uint8_t*>(std::malloc(infoLength));
  if (info == nullptr) return DibLayoutResult::OutOfMemory;
  DibWrite32(info, kInfoHeaderBytes);
  DibWrite32(info + 4, static_cast<std::uint32_t>(width));
  DibWrite32(info + 8, static_cast<std::uint32_t>(height));
  DibWrite16(info + 12, DibRead16(header + (core ? 8 : 12)));
  DibWrite16(info + 14, bpp);
  DibWrite32(info + 16, compression);
  DibWrite32(info + 20, imageSize);
  DibWrite32(info + 24, core ? 0 : DibRead32(header + 24));
  DibWrite32(info + 28, core ? 0 : DibRead32(header + 28));
  DibWrite32(info + 32, colorsUsed);
  DibWrite32(info + 36, core ? n : DibRead32(header + 36));
  if (core) {
    for (std::size_t i = 0; i < n; ++i) {
      std::memcpy(info + kInfoHeaderBytes + 4 * i, header + kCoreHeaderBytes + 3 * i, 3);
      info[kInfoHeaderBytes + 4 * i + 3] = 0;
    }
  } else {
    std::memcpy(info + kInfoHeaderBytes, header + kInfoHeaderBytes, tableBytes);
  }
  std::memset(info + kInfoHeaderBytes + tableBytes, 0, 4);

  std::free(input->info);
  input->info = info;
  input->infoLength = infoLength;
  input->bits = file + bitsOffset;
  input->bitsLength = available;
  input->width = width;
  input->height = height;
  return DibLayoutResult::Ok;
}
