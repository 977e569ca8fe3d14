// Texture loading into TextureTable, in a real GL context.
#include <gtest/gtest.h>

#include <set>

#include "cube/cubie.h"
#include "gl_test_context.h"
#include "render/gl.h"
#include "render/textures.h"
#include "render_support.h"

namespace {

// A distinct colour per data file, DataN at index N.
const Rgb kFileColour[9] = {
    {0, 0, 0},      {20, 200, 40},  {230, 230, 230}, {250, 120, 10}, {240, 220, 0},
    {10, 60, 200},  {90, 40, 140},  {200, 20, 30},   {60, 60, 60},
};

// The file whose picture lands in each slot (7 has none).
const int kFileOfSlot[kTextureSlots] = {1, 2, 3, 4, 5, 7, 6, 0, 8};

class LoadTexturesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto& name : TextureTable) name = 0;
    RecordedMessages.clear();
  }

  void WriteAll() {
    for (int n = 1; n <= 8; ++n) WriteSolidBmp(dir.DataFile(n), kFileColour[n]);
  }

  // The colour of the first texel of the slot's texture.
  static Rgb FirstTexel(int slot) {
    int w = 0, h = 0;
    const std::vector<std::uint8_t> rgb = ReadTexture(TextureTable[slot], &w, &h);
    if (rgb.empty()) return {-1, -1, -1};
    return {rgb[0], rgb[1], rgb[2]};
  }

  TempWorkDir dir;
};

TEST_F(LoadTexturesTest, AllFilesFillTheirSlotsWithDistinctNames) {
  WriteAll();
  GlTestContext gl(64, 64);
  ASSERT_TRUE(gl.ok());

  EXPECT_TRUE(LoadTextures());
  EXPECT_TRUE(RecordedMessages.empty());
  EXPECT_EQ(TextureTable[7], 0u);
  std::set<std::uint32_t> names;
  for (int slot = 0; slot < kTextureSlots; ++slot) {
    if (slot == 7) continue;
    EXPECT_NE(TextureTable[slot], 0u) << "slot " << slot;
    EXPECT_TRUE(glIsTexture(TextureTable[slot])) << "slot " << slot;
    names.insert(TextureTable[slot]);
    // The right picture in the right slot: Data7 is the right side, Data6 the
    // backdrop.
    EXPECT_EQ(FirstTexel(slot), kFileColour[kFileOfSlot[slot]]) << "slot " << slot;
  }
  EXPECT_EQ(names.size(), 8u);
}

TEST_F(LoadTexturesTest, OnlyTheInnerFaceFileIsEnough) {
  WriteSolidBmp(dir.DataFile(8), kFileColour[8]);
  GlTestContext gl(64, 64);
  ASSERT_TRUE(gl.ok());

  EXPECT_TRUE(LoadTextures());
  EXPECT_TRUE(RecordedMessages.empty());
  for (int slot = 0; slot < kInnerSlot; ++slot) EXPECT_EQ(TextureTable[slot], 0u) << "slot " << slot;
  EXPECT_NE(TextureTable[kInnerSlot], 0u);
  EXPECT_EQ(FirstTexel(kInnerSlot), kFileColour[8]);
}

TEST_F(LoadTexturesTest, MissingInnerFaceFileFailsSilentlyAfterLoadingTheOthers) {
  for (int n = 1; n <= 7; ++n) WriteSolidBmp(dir.DataFile(n), kFileColour[n]);
  GlTestContext gl(64, 64);
  ASSERT_TRUE(gl.ok());

  EXPECT_FALSE(LoadTextures());
  EXPECT_TRUE(RecordedMessages.empty());
  for (int slot = 0; slot <= kBackdropSlot; ++slot) {
    EXPECT_EQ(FirstTexel(slot), kFileColour[kFileOfSlot[slot]]) << "slot " << slot;
  }
  EXPECT_EQ(TextureTable[kInnerSlot], 0u);
}

TEST_F(LoadTexturesTest, UndecodableFileIsReportedOnceAndSkipped) {
  WriteAll();
  WriteUnknownHeaderBmp(dir.DataFile(3));
  GlTestContext gl(64, 64);
  ASSERT_TRUE(gl.ok());

  EXPECT_TRUE(LoadTextures());
  ASSERT_EQ(RecordedMessages.size(), 1u);
  EXPECT_EQ(RecordedMessages[0].text, "Unknown DIB file format.");
  EXPECT_EQ(RecordedMessages[0].caption, "Error");
  EXPECT_EQ(TextureTable[2], 0u);
  EXPECT_EQ(FirstTexel(3), kFileColour[4]);  // the files after it still load
}

TEST_F(LoadTexturesTest, UndecodableInnerFaceFileFails) {
  WriteAll();
  WriteUnknownHeaderBmp(dir.DataFile(8));
  GlTestContext gl(64, 64);
  ASSERT_TRUE(gl.ok());

  EXPECT_FALSE(LoadTextures());
  EXPECT_EQ(RecordedMessages.size(), 1u);
}

TEST_F(LoadTexturesTest, SecondRunInNewContextMakesNamesThere) {
  WriteAll();
  {
    GlTestContext first(64, 64);
    ASSERT_TRUE(first.ok());
    ASSERT_TRUE(LoadTextures());
  }
  GlTestContext second(64, 64);
  ASSERT_TRUE(second.ok());
  // A context that has generated nothing knows none of the old names.
  ASSERT_FALSE(glIsTexture(TextureTable[0]));

  EXPECT_TRUE(LoadTextures());
  for (int slot = 0; slot < kTextureSlots; ++slot) {
    if (slot == 7) continue;
    EXPECT_TRUE(glIsTexture(TextureTable[slot])) << "slot " << slot;
    EXPECT_EQ(FirstTexel(slot), kFileColour[kFileOfSlot[slot]]) << "slot " << slot;
  }
}

// Rows of 1 or 2 pixels are 3 or 6 bytes long. GL's default row alignment of
// 4 would make it read rows at the wrong offsets (and past the buffer).
TEST_F(LoadTexturesTest, NarrowPicturesUploadUnskewed) {
  const std::vector<Rgb> twoByTwo = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
  const std::vector<Rgb> oneByFour = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}};
  WriteBmp24(dir.DataFile(1), 2, 2, twoByTwo);
  WriteBmp24(dir.DataFile(8), 1, 4, oneByFour);
  GlTestContext gl(64, 64);
  ASSERT_TRUE(gl.ok());
  ASSERT_TRUE(LoadTextures());

  const struct {
    int slot;
    int width, height;
    const std::vector<Rgb>* pixels;
  } cases[] = {{0, 2, 2, &twoByTwo}, {kInnerSlot, 1, 4, &oneByFour}};
  for (const auto& c : cases) {
    int w = 0, h = 0;
    const std::vector<std::uint8_t> rgb = ReadTexture(TextureTable[c.slot], &w, &h);
    ASSERT_EQ(w, c.width);
    ASSERT_EQ(h, c.height);
    for (std::size_t i = 0; i < c.pixels->size(); ++i) {
      const Rgb got = {rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]};
      EXPECT_EQ(got, (*c.pixels)[i]) << "slot " << c.slot << " texel " << i;
    }
  }
}

// Every reopen of the window loads the textures again; the decoded pictures
// must not pile up on the heap. Each run here decodes about 400 KB.
TEST_F(LoadTexturesTest, ReloadingDoesNotGrowTheHeap) {
  for (int n = 1; n <= 8; ++n) WriteSolidBmp(dir.DataFile(n), kFileColour[n], 128);
  GlTestContext gl(64, 64);
  ASSERT_TRUE(gl.ok());
  std::size_t before = 0, after = 0;
  if (!HeapBytesInUse(&before)) GTEST_SKIP() << "no heap count on this platform";

  auto reload = [] {
    ASSERT_TRUE(LoadTextures());
    glDeleteTextures(kTextureSlots, TextureTable);  // GL's copies go; 0 is ignored
    glFinish();
  };
  for (int i = 0; i < 3; ++i) reload();  // let the driver settle
  HeapBytesInUse(&before);
  for (int i = 0; i < 10; ++i) reload();
  HeapBytesInUse(&after);
  EXPECT_LT(after, before + 1024 * 1024) << "grew by " << (after - before) << " bytes";
}

}  // namespace
