// LoadDibImage on small files made here: layouts, pixel order, refusals and
// their messages.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dib_test_files.h"
#include "image/dib_loader.h"
#include "message_recorder.h"

namespace {

struct ImageDeleter {
  void operator()(DibImage* image) const { FreeDibImage(image); }
};
using Image = std::unique_ptr<DibImage, ImageDeleter>;

class DibLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { RecordedMessages.clear(); }

  Image Load(const std::string& name, const Bytes& content) {
    return Image(LoadDibImage(WriteScratch(name, content).c_str()));
  }

  // Expects a refusal with exactly one message of `text`, captioned "Error".
  void ExpectRefused(const Image& image, const std::string& text) {
    EXPECT_EQ(image, nullptr);
    ASSERT_EQ(RecordedMessages.size(), 1u);
    EXPECT_EQ(RecordedMessages[0].text, text);
    EXPECT_EQ(RecordedMessages[0].caption, "Error");
    EXPECT_EQ(RecordedMessages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(RecordedMessages[0].icon, MessageIcon::None);
    EXPECT_EQ(RecordedMessages[0].owner, MessageOwner::Focus);
    RecordedMessages.clear();
  }

  static Bytes Pixels(const Image& image) {
    return Bytes(image->pixels, image->pixels + 3 * image->width * image->height);
  }
};

// A 2 x 2 8-bit picture: index table and rows (bottom first), filled to 4 bytes.
Bytes Gray4Table() {
  Bytes t;
  for (std::uint8_t i = 0; i < 4; ++i) t.insert(t.end(), {std::uint8_t(i * 10), std::uint8_t(i * 20), std::uint8_t(i * 30), 0});
  return t;
}
const Bytes kTwoRows8 = {0, 1, 0, 0, 2, 3, 0, 0};

TEST_F(DibLoaderTest, BluePixelComesOutRedGreenBlue) {
  const Bytes packed = Concat({InfoHeader(1, 1, 24), {0xFF, 0x00, 0x00, 0x00}});
  Image image = Load("blue.bmp", WithFileHeader(packed, 54));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 1);
  EXPECT_EQ(image->height, 1);
  EXPECT_EQ(Pixels(image), (Bytes{0x00, 0x00, 0xFF}));
  EXPECT_TRUE(RecordedMessages.empty());
}

TEST_F(DibLoaderTest, FivePixelRowsAreFifteenBytesWithoutFill) {
  Bytes rows;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 5; ++x) rows.insert(rows.end(), {std::uint8_t(x), std::uint8_t(y), std::uint8_t(0x80 + x)});
    rows.push_back(0xEE);  // the row's fill byte
  }
  Image image = Load("five.bmp", Concat({InfoHeader(5, 2, 24), rows}));
  ASSERT_NE(image, nullptr);
  Bytes expected;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 5; ++x) expected.insert(expected.end(), {std::uint8_t(0x80 + x), std::uint8_t(y), std::uint8_t(x)});
  }
  EXPECT_EQ(Pixels(image), expected);
}

TEST_F(DibLoaderTest, FileHeaderPixelOffsetAndCoreHeaderAgree) {
  const Bytes packed = Concat({InfoHeader(2, 2, 8, 0, 0, 4), Gray4Table(), kTwoRows8});
  Image plain = Load("packed.bmp", packed);
  Image withHeader = Load("header.bmp", WithFileHeader(packed, 14 + 40 + 16));
  // A gap of junk between the table and the pixels, skipped by the offset.
  Image gap = Load("gap.bmp", WithFileHeader(Concat({InfoHeader(2, 2, 8, 0, 0, 4), Gray4Table(),
                                                     Bytes(9, 0x77), kTwoRows8}),
                                             14 + 40 + 16 + 9));
  // The same colours as a 256-entry table of 3-byte entries.
  Bytes coreTable(3 * 256, 0x55);
  for (std::size_t i = 0; i < 4; ++i) {
    coreTable[3 * i] = std::uint8_t(i * 10);
    coreTable[3 * i + 1] = std::uint8_t(i * 20);
    coreTable[3 * i + 2] = std::uint8_t(i * 30);
  }
  Image core = Load("core.bmp", Concat({CoreHeader(2, 2, 8), coreTable, kTwoRows8}));
  ASSERT_TRUE(plain && withHeader && gap && core);
  const Bytes expected = {0, 0, 0, 30, 20, 10, 60, 40, 20, 90, 60, 30};
  EXPECT_EQ(Pixels(plain), expected);
  EXPECT_EQ(Pixels(withHeader), expected);
  EXPECT_EQ(Pixels(gap), expected);
  EXPECT_EQ(Pixels(core), expected);
  EXPECT_TRUE(RecordedMessages.empty());
}

TEST_F(DibLoaderTest, ShortColourTablesPlacePackedPixels) {
  // 8 bits with colours used 16: the pixels begin 40 + 64 bytes in.
  Bytes table16(64, 0);
  table16[4 * 15] = 0x11;  // index 15: blue 0x11
  Image eight = Load("used16.bmp", Concat({InfoHeader(1, 1, 8, 0, 0, 16), table16, {15, 0, 0, 0}}));
  ASSERT_NE(eight, nullptr);
  EXPECT_EQ(Pixels(eight), (Bytes{0, 0, 0x11}));
  // 1 bit with colours used 0: two entries, then the pixels.
  const Bytes table2 = {1, 2, 3, 0, 4, 5, 6, 0};
  Image one = Load("used0.bmp", Concat({InfoHeader(2, 1, 1), table2, {0x40, 0, 0, 0}}));
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(Pixels(one), (Bytes{3, 2, 1, 6, 5, 4}));
  EXPECT_TRUE(RecordedMessages.empty());
}

TEST_F(DibLoaderTest, TopDownFileGivesTheBottomUpPicture) {
  const Bytes table = Gray4Table();
  const Bytes topDownRows = {2, 3, 0, 0, 0, 1, 0, 0};
  Image bottomUp = Load("up.bmp", Concat({InfoHeader(2, 2, 8, 0, 0, 4), table, kTwoRows8}));
  Image topDown = Load("down.bmp", Concat({InfoHeader(2, -2, 8, 0, 0, 4), table, topDownRows}));
  ASSERT_TRUE(bottomUp && topDown);
  EXPECT_EQ(topDown->height, 2);
  EXPECT_EQ(Pixels(topDown), Pixels(bottomUp));
}

TEST_F(DibLoaderTest, BitFieldMasksReachTheConversion) {
  // 5-6-5: pure green is 0x07E0; as 5-5-5 it would read as a different colour.
  Bytes masks;
  Put32(&masks, 0xF800);
  Put32(&masks, 0x07E0);
  Put32(&masks, 0x001F);
  Image image = Load("565.bmp", Concat({InfoHeader(1, 1, 16, 3), masks, {0xE0, 0x07, 0, 0}}));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(Pixels(image), (Bytes{0, 0xFF, 0}));
}

TEST_F(DibLoaderTest, LargerHeadersAreUnknown) {
  for (std::uint32_t size : {108u, 124u}) {
    Bytes header = InfoHeader(1, 1, 24);
    header[0] = static_cast<std::uint8_t>(size);
    header.resize(size, 0);
    Image image = Load("v" + std::to_string(size) + ".bmp",
                       WithFileHeader(Concat({header, {1, 2, 3, 0}}), 14 + size));
    ExpectRefused(image, "Unknown DIB file format.");
  }
}

TEST_F(DibLoaderTest, MissingEmptyAndLongNamesGiveTheOpenText) {
  const std::string missing = ScratchDir() + "/no-such-file.bmp";
  Image none(LoadDibImage(missing.c_str()));
  ExpectRefused(none, "Failed to open DIB file " + missing + ".\n");

  const std::string empty = WriteScratch("empty.bmp", {});
  Image nothing(LoadDibImage(empty.c_str()));
  ExpectRefused(nothing, "Failed to open DIB file " + empty + ".\n");

  // A name too long for the 256-byte buffer is cut to 255 characters.
  const std::string longName = ScratchDir() + "/" + std::string(400, 'n') + ".bmp";
  Image cut(LoadDibImage(longName.c_str()));
  EXPECT_EQ(cut, nullptr);
  ASSERT_EQ(RecordedMessages.size(), 1u);
  const std::string full = "Failed to open DIB file " + longName + ".\n";
  EXPECT_EQ(RecordedMessages[0].text, full.substr(0, 255));
}

TEST_F(DibLoaderTest, EveryShortenedFileIsRefusedOnce) {
  // Cutting a good file anywhere leaves a header, table or pixel data short.
  const Bytes packed = Concat({InfoHeader(3, 2, 8, 0, 0, 4), Gray4Table(),
                               {0, 1, 2, 0, 3, 2, 1, 0}});
  for (const Bytes& whole : {packed, WithFileHeader(packed, 14 + 56)}) {
    for (std::size_t length = 1; length < whole.size(); ++length) {
      SCOPED_TRACE(length);
      Image image = Load("cut.bmp", Bytes(whole.begin(), whole.begin() + length));
      EXPECT_EQ(image, nullptr);
      EXPECT_EQ(RecordedMessages.size(), 1u);
      RecordedMessages.clear();
    }
    EXPECT_NE(Load("whole.bmp", whole), nullptr);
  }
}

TEST_F(DibLoaderTest, BadSizesAndOffsetsAreRefusedOnce) {
  const Bytes rows(8, 0);
  ExpectRefused(Load("w0.bmp", Concat({InfoHeader(0, 2, 24), rows})), "Image file conversion error.");
  ExpectRefused(Load("wneg.bmp", Concat({InfoHeader(-2, 2, 24), rows})), "Image file conversion error.");
  ExpectRefused(Load("h0.bmp", Concat({InfoHeader(2, 0, 24), rows})), "Image file conversion error.");
  // Rows x stride past 32 bits, and a section past the buffer limit.
  ExpectRefused(Load("huge.bmp", Concat({InfoHeader(0x7FFFFFFF, 0x7FFFFFFF, 24), rows})),
                "Out of memory.");
  ExpectRefused(Load("big.bmp", Concat({InfoHeader(40000, 40000, 8, 1, 8), Bytes(1024, 0), rows})),
                "Out of memory.");
  // Colours used larger than the file can hold.
  ExpectRefused(Load("pal.bmp", Concat({InfoHeader(1, 1, 8, 0, 0, 5000), Bytes(64, 0)})),
                "Image file conversion error.");
  // Colours used past 16 bits, whose low half counts no entries.
  ExpectRefused(Load("pal17.bmp", Concat({InfoHeader(1, 1, 8, 0, 0, 0x10000), rows})),
                "Image file conversion error.");
  // A pixel offset past the end, and a run-length image size past the end.
  ExpectRefused(Load("offset.bmp", WithFileHeader(Concat({InfoHeader(1, 1, 24), rows}), 4000)),
                "Image file conversion error.");
  ExpectRefused(Load("rle.bmp", Concat({InfoHeader(1, 1, 8, 1, 900), Bytes(1024, 0), {0, 1}})),
                "Image file conversion error.");
  // What the conversion itself refuses.
  ExpectRefused(Load("rle24.bmp", Concat({InfoHeader(1, 1, 24, 1, 4), {0, 1, 0, 1}})),
                "Image file conversion error.");
}

TEST_F(DibLoaderTest, ColorCountFollowsHeaderKind) {
  EXPECT_EQ(DibColorCount(CoreHeader(1, 1, 1).data()), 2);
  EXPECT_EQ(DibColorCount(CoreHeader(1, 1, 4).data()), 16);
  EXPECT_EQ(DibColorCount(CoreHeader(1, 1, 8).data()), 256);
  EXPECT_EQ(DibColorCount(CoreHeader(1, 1, 24).data()), 0);
  EXPECT_EQ(DibColorCount(InfoHeader(1, 1, 8).data()), 256);
  EXPECT_EQ(DibColorCount(InfoHeader(1, 1, 8, 0, 0, 16).data()), 16);
  EXPECT_EQ(DibColorCount(InfoHeader(1, 1, 24, 0, 0, 0x12345).data()), 0x2345);
  EXPECT_EQ(DibColorCount(InfoHeader(1, 1, 8, 0, 0, 0x10000).data()), 0);
  EXPECT_EQ(DibColorCount(InfoHeader(1, 1, 16).data()), 0);
}

}  // namespace
