// LoadDibImage on small files made here: pixel layout, refusals and their messages.
#include <gtest/gtest.h>

#include "dib_test_support.h"
#include "image/dib_loader.h"

namespace {

using B = std::uint8_t;
const Bytes kTable4 = {0, 0, 0, 0, 10, 20, 30, 0, 20, 40, 60, 0, 30, 60, 90, 0};
const Bytes kRows2x2 = {0, 1, 0, 0, 2, 3, 0, 0};  // 8 bits, bottom row first, filled to 4 bytes
const Bytes kRgb2x2 = {0, 0, 0, 30, 20, 10, 60, 40, 20, 90, 60, 30};

TEST(DibLoader, LayoutsDecodeToBottomUpRgbRowsWithoutFill) {
  const Bytes info4 = Concat({InfoHeader(2, 2, 8, 0, 0, 4), kTable4});
  Bytes five(32, 0xEE), fiveRgb;  // 5-pixel rows: a fill byte each in the file, none out
  for (B i = 0; i < 30; ++i) five[i + i / 15] = i;
  for (B i = 0; i < 30; ++i) fiveRgb.push_back(B(i / 3 * 3 + 2 - i % 3));
  const struct {
    const char* name;
    Bytes file;
    std::int32_t width, height;
    Bytes rgb;
  } cases[] = {
      {"blue", WithFileHeader(Concat({InfoHeader(1, 1, 24), {0xFF, 0, 0, 0}}), 54), 1, 1, {0, 0, 0xFF}},
      {"five", Concat({InfoHeader(5, 2, 24), five}), 5, 2, fiveRgb},
      {"packed", Concat({info4, kRows2x2}), 2, 2, kRgb2x2},
      {"header", WithFileHeader(Concat({info4, kRows2x2}), 14 + 56), 2, 2, kRgb2x2},
      {"gap", WithFileHeader(Concat({info4, Bytes(9, 0x77), kRows2x2}), 14 + 56 + 9), 2, 2, kRgb2x2},
      {"core", Concat({Le({12}), Le({2, 2, 1, 8}, 2), {0, 0, 0, 10, 20, 30, 20, 40, 60, 30, 60, 90},
                       Bytes(3 * 252, 0x55), kRows2x2}), 2, 2, kRgb2x2},
      {"topdown", Concat({InfoHeader(2, -2, 8, 0, 0, 4), kTable4, {2, 3, 0, 0, 0, 1, 0, 0}}), 2, 2, kRgb2x2},
      // Short tables: colours used 16 at 8 bits; 0 at 1 bit, two entries.
      {"used16", Concat({InfoHeader(1, 1, 8, 0, 0, 16), Bytes(60, 0), {0x11, 0, 0, 0}, {15, 0, 0, 0}}),
       1, 1, {0, 0, 0x11}},
      {"used0", Concat({InfoHeader(2, 1, 1), {1, 2, 3, 0, 4, 5, 6, 0}, {0x40, 0, 0, 0}}), 2, 1,
       {3, 2, 1, 6, 5, 4}},
      // 5-6-5 masks: green 0x07E0 is full green, not what 5-5-5 would make of it.
      {"565", Concat({InfoHeader(1, 1, 16, 3), Le({0xF800, 0x07E0, 0x001F}), {0xE0, 0x07, 0, 0}}),
       1, 1, {0, 0xFF, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Loaded out = Load(WriteScratch(std::string(c.name) + ".bmp", c.file));
    EXPECT_EQ(Messages, std::vector<std::string>{});
    EXPECT_EQ(out.width, c.width);
    EXPECT_EQ(out.height, c.height);
    EXPECT_EQ(out.pixels, c.rgb);
  }
}

TEST(DibLoader, RefusalsShowExactlyOneMessage) {
  const std::string conversion = "Image file conversion error.", memory = "Out of memory.";
  const auto larger = [](B size) {  // a 108- or 124-byte header
    Bytes header = InfoHeader(1, 1, 24);
    header[0] = size;
    header.resize(size, 0);
    return WriteScratch("v" + std::to_string(size), WithFileHeader(Concat({header, {1, 2, 3, 0}}), 14 + size));
  };
  const auto file = [](const char* name, const Bytes& content) { return WriteScratch(name, content); };
  const Bytes rows(8, 0);
  const std::string missing = ScratchPath("missing.bmp"), empty = file("empty.bmp", {});
  const std::string longName = ScratchPath(std::string(400, 'n') + ".bmp");
  const struct {
    std::string path, message;
  } cases[] = {
      {missing, "Failed to open DIB file " + missing + ".\n"},
      {empty, "Failed to open DIB file " + empty + ".\n"},
      // Cut to fit the 256-byte buffer.
      {longName, ("Failed to open DIB file " + longName + ".\n").substr(0, 255)},
      {larger(108), "Unknown DIB file format."},
      {larger(124), "Unknown DIB file format."},
      {file("w0", Concat({InfoHeader(0, 2, 24), rows})), conversion},
      {file("wneg", Concat({InfoHeader(-2, 2, 24), rows})), conversion},
      {file("h0", Concat({InfoHeader(2, 0, 24), rows})), conversion},
      // Rows x stride past 32 bits; a section past the buffer limit.
      {file("huge", Concat({InfoHeader(0x7FFFFFFF, 0x7FFFFFFF, 24), rows})), memory},
      {file("big", Concat({InfoHeader(40000, 40000, 8, 1, 8), Bytes(1024, 0), rows})), memory},
      // Colours used more than the file holds, or past 16 bits (the low half counts none).
      {file("pal", Concat({InfoHeader(1, 1, 8, 0, 0, 5000), Bytes(64, 0)})), conversion},
      {file("pal17", Concat({InfoHeader(1, 1, 8, 0, 0, 0x10000), rows})), conversion},
      // A pixel offset or a run-length image size past the end.
      {file("offset", WithFileHeader(Concat({InfoHeader(1, 1, 24), rows}), 4000)), conversion},
      {file("rle", Concat({InfoHeader(1, 1, 8, 1, 900), Bytes(1024, 0), {0, 1}})), conversion},
      {file("rle24", Concat({InfoHeader(1, 1, 24, 1, 4), {0, 1, 0, 1}})), conversion},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_FALSE(Load(c.path).ok);
    EXPECT_EQ(Messages, std::vector<std::string>{c.message});
  }
}

TEST(DibLoader, EveryShortenedFileIsRefusedOnce) {
  // Cut anywhere, a good file lacks part of a header, its table or its pixels.
  const Bytes packed = Concat({InfoHeader(3, 2, 8, 0, 0, 4), kTable4, {0, 1, 2, 0, 3, 2, 1, 0}});
  for (const Bytes& whole : {packed, WithFileHeader(packed, 14 + 56)}) {
    for (std::size_t length = 1; length < whole.size(); ++length) {
      SCOPED_TRACE(length);
      EXPECT_FALSE(Load(WriteScratch("cut.bmp", Bytes(whole.begin(), whole.begin() + length))).ok);
      EXPECT_EQ(Messages.size(), 1u);
    }
    EXPECT_TRUE(Load(WriteScratch("whole.bmp", whole)).ok);
  }
}

TEST(DibLoader, ColorCountByHeaderKind) {
  EXPECT_EQ(DibColorCount(Concat({Le({12}), Le({1, 1, 1, 1}, 2)}).data()), 2);  // core header
  EXPECT_EQ(DibColorCount(InfoHeader(1, 1, 8, 0, 0, 16).data()), 16);
  EXPECT_EQ(DibColorCount(InfoHeader(1, 1, 24, 0, 0, 0x12345).data()), 0x2345);
}

}  // namespace
