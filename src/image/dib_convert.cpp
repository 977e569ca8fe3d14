#include "image/dib_convert.h"

#include <cstddef>
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

// Where converted rows go and in which byte order. Row y of the source (in
// its stored order) starts at first + y * stride; a negative stride fills
// upwards. `rgb` puts red first, else blue first as in a GDI section. Rows
// are written only within their 3 * width pixel bytes.
struct RowTarget {
  std::uint8_t* first;
  std::ptrdiff_t stride;
  bool rgb;

  std::uint8_t* Row(std::uint64_t y) const {
    return first + static_cast<std::ptrdiff_t>(y) * stride;
  }
};

// Colour entries as three pixel bytes in the target's order and a 0; indices
// past the table are black.
struct Palette {
  std::uint8_t entry[256][4];
};

bool BuildPalette(const SourceHeader& h, bool rgb, Palette* palette) {
  std::memset(palette, 0, sizeof *palette);
  const std::uint32_t full = 1u << h.bpp;
  const std::uint32_t count = h.colorsUsed != 0 && h.colorsUsed < full ? h.colorsUsed : full;
  if (count > h.tableBytes / h.entryBytes) return false;  // the caller's table is short
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* e = h.table + i * h.entryBytes;
    palette->entry[i][0] = e[rgb ? 2 : 0];
    palette->entry[i][1] = e[1];
    palette->entry[i][2] = e[rgb ? 0 : 2];
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

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kLittleEndian = true;
#else
constexpr bool kLittleEndian = false;
#endif

inline std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

// Row converters: `src` one stored row, `dst` one target row.
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
  std::int32_t x = 0;
  if (kLittleEndian) {
    // Four pixels into three whole words: 12 bytes, no byte stored twice.
    std::uint32_t e[256];
    static_assert(sizeof e == sizeof pal.entry, "four bytes per entry");
    std::memcpy(e, pal.entry, sizeof e);
    for (; x + 4 <= width; x += 4, dst += 12) {
      const std::uint32_t p0 = e[src[x]], p1 = e[src[x + 1]];
      const std::uint32_t p2 = e[src[x + 2]], p3 = e[src[x + 3]];
      Store32(dst, p0 | p1 << 24);
      Store32(dst + 4, p1 >> 8 | p2 << 16);
      Store32(dst + 8, p2 >> 16 | p3 << 8);
    }
  }
  for (; x < width; ++x, dst += 3) std::memcpy(dst, pal.entry[src[x]], 3);
}

template <int Bytes>
void ConvertRowMasked(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width,
                      const Channel* ch, bool rgb) {
  // Channels are red, green, blue; a section takes blue first.
  const Channel& c0 = ch[rgb ? 0 : 2];
  const Channel& c2 = ch[rgb ? 2 : 0];
  for (std::int32_t x = 0; x < width; ++x, src += Bytes, dst += 3) {
    const std::uint32_t px = Bytes == 2 ? DibRead16(src) : DibRead32(src);
    dst[0] = c0.widen[(px >> c0.shift) & c0.mask];
    dst[1] = ch[1].widen[(px >> ch[1].shift) & ch[1].mask];
    dst[2] = c2.widen[(px >> c2.shift) & c2.mask];
  }
}

// Blue, green, red (and a fourth byte skipped when Step is 4) into red,
// green, blue.
template <int Step>
void SwapRow(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width) {
  std::int32_t x = 0;
  if (kLittleEndian && Step == 3) {
    // Four pixels (12 bytes) as three words each way.
    for (; x + 4 <= width; x += 4, src += 12, dst += 12) {
      const std::uint32_t a = Load32(src), b = Load32(src + 4), c = Load32(src + 8);
      // a = b0 g0 r0 b1, b = g1 r1 b2 g2, c = r2 b3 g3 r3 (low byte first)
      Store32(dst, (a >> 16 & 0xFFu) | (a & 0xFF00u) | (a & 0xFFu) << 16 | (b & 0xFF00u) << 16);
      Store32(dst + 4, (b & 0xFFu) | (a >> 16 & 0xFF00u) | (c & 0xFFu) << 16 |
                           (b & 0xFF000000u));
      Store32(dst + 8, (b >> 16 & 0xFFu) | (c >> 16 & 0xFF00u) | (c & 0xFF0000u) |
                           (c & 0xFF00u) << 16);
    }
  }
  for (; x < width; ++x, src += Step, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

void ConvertRow32Plain(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width) {
  std::int32_t x = 0;
  if (kLittleEndian) {
    for (; x + 4 <= width; x += 4, src += 16, dst += 12) {
      const std::uint32_t p0 = Load32(src), p1 = Load32(src + 4);
      const std::uint32_t p2 = Load32(src + 8), p3 = Load32(src + 12);
      Store32(dst, (p0 & 0xFFFFFFu) | p1 << 24);
      Store32(dst + 4, (p1 >> 8 & 0xFFFFu) | p2 << 16);
      Store32(dst + 8, (p2 >> 16 & 0xFFu) | p3 << 8);
    }
  }
  for (; x < width; ++x, src += 4, dst += 3) std::memcpy(dst, src, 3);
}

std::int32_t ConvertUncompressed(const SourceHeader& h, const std::uint8_t* bits,
                                 std::size_t bitsLength, const RowTarget& out) {
  const std::uint64_t rows = Magnitude(h.height);
  std::uint64_t stride = 0;
  std::uint64_t need = 0;
  if (!SourceStride(h.width, h.bpp, &stride) || !MulChecked(stride, rows, &need) ||
      need > bitsLength) {
    return 0;  // Windows refuses data shorter than its rows
  }
  Palette pal;
  if (h.bpp <= 8 && !BuildPalette(h, out.rgb, &pal)) return 0;
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
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(h.width);
  for (std::uint64_t y = 0; y < rows; ++y) {
    const std::uint8_t* src = bits + y * stride;
    std::uint8_t* dst = out.Row(y);
    switch (h.bpp) {
      case 1: ConvertRow1(src, dst, h.width, pal); break;
      case 4: ConvertRow4(src, dst, h.width, pal); break;
      case 8: ConvertRow8(src, dst, h.width, pal); break;
      case 16: ConvertRowMasked<2>(src, dst, h.width, ch, out.rgb); break;
      case 24:
        if (out.rgb) {
          SwapRow<3>(src, dst, h.width);
        } else {
          std::memcpy(dst, src, rowBytes);
        }
        break;
      default:
        if (plain32 && out.rgb) {
          SwapRow<4>(src, dst, h.width);
        } else if (plain32) {
          ConvertRow32Plain(src, dst, h.width);
        } else {
          ConvertRowMasked<4>(src, dst, h.width, ch, out.rgb);
        }
        break;
    }
  }
  return static_cast<std::int32_t>(rows);
}

// Run-length data, bottom row first. Runs are clipped at the right edge;
// pixels the stream never reaches keep what the target held.
std::int32_t ConvertRunLength(const SourceHeader& h, const std::uint8_t* bits,
                              std::size_t bitsLength, const RowTarget& out) {
  Palette pal;
  if (!BuildPalette(h, out.rgb, &pal)) return 0;
  const bool rle4 = h.compression == DibRle4;
  const std::size_t limit = h.imageSize < bitsLength ? h.imageSize : bitsLength;
  const std::size_t width = static_cast<std::size_t>(h.width);
  const std::size_t rows = static_cast<std::size_t>(h.height);
  std::size_t x = 0;
  std::size_t y = 0;
  std::size_t p = 0;
  auto put = [&](unsigned index) {  // callers stop at the right edge
    std::memcpy(out.Row(y) + 3 * x, pal.entry[index], 3);
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

// The checks both entry points share; false when GDI would refuse.
bool ReadConvertible(const void* info, std::size_t infoLength, const void* bits,
                     const void* target, SourceHeader* h) {
  std::size_t sectionBytes = 0;
  return info != nullptr && bits != nullptr && target != nullptr &&
         ReadSourceHeader(static_cast<const std::uint8_t*>(info), infoLength, h) &&
         Acceptable(*h) && Dib24SectionBytes(h->width, h->height, &sectionBytes);
}

std::int32_t Convert(const SourceHeader& h, const void* bits, std::size_t bitsLength,
                     const RowTarget& out) {
  const auto* data = static_cast<const std::uint8_t*>(bits);
  if (h.compression == DibRle8 || h.compression == DibRle4) {
    return ConvertRunLength(h, data, bitsLength, out);
  }
  return ConvertUncompressed(h, data, bitsLength, out);
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

void DibSwapRowToRgb(const std::uint8_t* bgr, std::uint8_t* rgb, std::int32_t width) {
  SwapRow<3>(bgr, rgb, width);
}

std::int32_t ConvertDibRows(const void* info, std::size_t infoLength, const void* bits,
                            std::size_t bitsLength, std::uint8_t* section) {
  SourceHeader h;
  if (!ReadConvertible(info, infoLength, bits, section, &h)) return 0;
  const RowTarget out{section, static_cast<std::ptrdiff_t>(Dib24Stride(h.width)), false};
  return Convert(h, bits, bitsLength, out);
}

std::int32_t ConvertDibRowsRgb(const void* info, std::size_t infoLength, const void* bits,
                               std::size_t bitsLength, std::uint8_t* rgb) {
  SourceHeader h;
  if (!ReadConvertible(info, infoLength, bits, rgb, &h)) return 0;
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(h.width);
  const std::size_t rows = static_cast<std::size_t>(Magnitude(h.height));
  const bool sparse = h.compression == DibRle8 || h.compression == DibRle4;
  // A run-length stream may leave pixels unwritten: they read as black.
  if (sparse) std::memset(rgb, 0, rowBytes * rows);
  // A top-down source fills from the last row up, so the result is bottom-up.
  const auto step = static_cast<std::ptrdiff_t>(rowBytes);
  const RowTarget out = h.height < 0 ? RowTarget{rgb + (rows - 1) * rowBytes, -step, true}
                                     : RowTarget{rgb, step, true};
  return Convert(h, bits, bitsLength, out);
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
