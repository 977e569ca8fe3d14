// LoadTextures into TextureTable, with test pictures and with the drawn data
// files, in a real GL context.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <set>

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__) || defined(_WIN32)
#include <malloc.h>
#endif

#include "cube/cubie.h"
#include "gl_test_context.h"
#include "render/gl.h"
#include "render/textures.h"
#include "render_support.h"

namespace {

// A distinct colour per data file (DataN at N), and the file of each slot.
const Rgb kFileColour[9] = {{0, 0, 0},      {20, 200, 40}, {230, 230, 230},
                            {250, 120, 10}, {240, 220, 0}, {10, 60, 200},
                            {90, 40, 140},  {200, 20, 30}, {60, 60, 60}};
const int kFileOfSlot[kTextureSlots] = {1, 2, 3, 4, 5, 7, 6, 0, 8};

std::vector<std::uint8_t> ReadTexture(unsigned name, int* width, int* height) {
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, height);
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(*width * *height) * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (!rgb.empty()) glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

Rgb CentreTexel(int slot) {
  int w = 0, h = 0;
  const std::vector<std::uint8_t> rgb = ReadTexture(TextureTable[slot], &w, &h);
  if (rgb.empty()) return {-1, -1, -1};
  const std::size_t i = static_cast<std::size_t>((h / 2) * w + w / 2) * 3;
  return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

void ClearTable() {
  std::fill(std::begin(TextureTable), std::end(TextureTable), 0u);
  RecordedMessages.clear();
}

bool HeapBytesInUse(std::size_t* bytes) {
#if defined(__SANITIZE_ADDRESS__)
  *bytes = __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
  *bytes = mallinfo2().uordblks;
#elif defined(_WIN32)
  _HEAPINFO entry = {};
  int status;
  for (*bytes = 0; (status = _heapwalk(&entry)) == _HEAPOK;) {
    if (entry._useflag == _USEDENTRY) *bytes += entry._size;
  }
  if (status != _HEAPEND) return false;
#else
  return false;
#endif
  return true;
}

TEST(LoadTexturesTest, AllFilesFillTheirSlotsWithDistinctNamesInEachNewContext) {
  TempWorkDir dir;
  for (int n = 1; n <= 8; ++n) WriteSolidBmp(dir.DataFile(n), kFileColour[n]);
  ClearTable();
  for (int run = 0; run < 2; ++run) {
    GlTestContext gl(64, 64);
    ASSERT_TRUE(gl.ok());
    ASSERT_FALSE(run == 1 && glIsTexture(TextureTable[0]));  // old names are unknown here
    EXPECT_TRUE(LoadTextures());
    EXPECT_TRUE(RecordedMessages.empty());
    EXPECT_EQ(TextureTable[7], 0u);
    std::set<std::uint32_t> names;
    for (int slot = 0; slot < kTextureSlots; ++slot) {
      if (slot == 7) continue;
      EXPECT_TRUE(glIsTexture(TextureTable[slot])) << "slot " << slot;
      EXPECT_EQ(CentreTexel(slot), kFileColour[kFileOfSlot[slot]]) << "slot " << slot;
      names.insert(TextureTable[slot]);
    }
    EXPECT_EQ(names.size(), 8u);
  }
}

// Missing files are skipped silently, undecodable ones after one message; the
// result says whether the inner-face file (Data8) loaded.
TEST(LoadTexturesTest, MissingAndUndecodableFiles) {
  const struct {
    const char* name;
    int firstFile, lastFile;  // the files written
    int badFile;  // written as something no loader decodes; 0 for none
    bool result;
  } cases[] = {{"only Data8", 8, 8, 0, true},
               {"Data8 missing", 1, 7, 0, false},
               {"Data3 undecodable", 1, 8, 3, true},
               {"Data8 undecodable", 1, 8, 8, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempWorkDir dir;
    for (int n = c.firstFile; n <= c.lastFile; ++n) {
      if (n == c.badFile) {
        std::ofstream(dir.DataFile(n)) << "not a picture";
      } else {
        WriteSolidBmp(dir.DataFile(n), kFileColour[n]);
      }
    }
    ClearTable();
    GlTestContext gl(64, 64);
    ASSERT_TRUE(gl.ok());
    EXPECT_EQ(LoadTextures(), c.result);
    ASSERT_EQ(RecordedMessages.size(), c.badFile ? 1u : 0u);
    if (c.badFile) {
      EXPECT_EQ(RecordedMessages[0].text, "Unknown DIB file format.");
      EXPECT_EQ(RecordedMessages[0].caption, "Error");
    }
    for (int slot = 0; slot < kTextureSlots; ++slot) {
      const int file = kFileOfSlot[slot];
      if (file >= c.firstFile && file <= c.lastFile && file != c.badFile) {
        EXPECT_EQ(CentreTexel(slot), kFileColour[file]) << "slot " << slot;
      } else {
        EXPECT_EQ(TextureTable[slot], 0u) << "slot " << slot;
      }
    }
  }
}

// Rows of 1 or 2 pixels are 3 or 6 bytes long; GL's default row alignment of
// 4 would read them at the wrong offsets and past the buffer.
TEST(LoadTexturesTest, NarrowPicturesUploadUnskewed) {
  const std::vector<Rgb> twoByTwo = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
  const std::vector<Rgb> oneByFour = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}};
  TempWorkDir dir;
  WriteBmp24(dir.DataFile(1), 2, 2, twoByTwo);
  WriteBmp24(dir.DataFile(8), 1, 4, oneByFour);
  ClearTable();
  GlTestContext gl(64, 64);
  ASSERT_TRUE(gl.ok());
  ASSERT_TRUE(LoadTextures());
  const struct {
    int slot, width;
    const std::vector<Rgb>* pixels;
  } cases[] = {{0, 2, &twoByTwo}, {kInnerSlot, 1, &oneByFour}};
  for (const auto& c : cases) {
    int w = 0, h = 0;
    std::vector<std::uint8_t> want;
    for (const Rgb& p : *c.pixels) want.insert(want.end(), p.begin(), p.end());
    EXPECT_EQ(ReadTexture(TextureTable[c.slot], &w, &h), want) << "slot " << c.slot;
    EXPECT_EQ(w, c.width);
  }
}

// Every reopen of the window loads the textures again; the decoded pictures
// (about 400 KB a run here) must not pile up on the heap.
TEST(LoadTexturesTest, ReloadingDoesNotGrowTheHeap) {
  TempWorkDir dir;
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

// The data files drawn by the build (the working folder's Data/): stickers in
// the conventional colours, front green, top white, left orange, bottom
// yellow, back blue, right red; a dark inner face and a backdrop.
TEST(ArtTest, DrawnFilesFillTheirSlotsInTheConventionalColours) {
  const Rgb scheme[6] = {{0, 155, 72}, {255, 255, 255}, {255, 88, 0},
                         {255, 213, 0}, {0, 70, 173},   {183, 18, 52}};
  ClearTable();
  GlTestContext gl(64, 64);
  ASSERT_TRUE(gl.ok());
  ASSERT_TRUE(LoadTextures());
  EXPECT_TRUE(RecordedMessages.empty());
  for (int slot = 0; slot < 6; ++slot) EXPECT_TRUE(ColourNear(CentreTexel(slot), scheme[slot], 40)) << slot;
  EXPECT_TRUE(glIsTexture(TextureTable[kBackdropSlot]));
  const Rgb inner = CentreTexel(kInnerSlot);
  EXPECT_LT(*std::max_element(inner.begin(), inner.end()), 64);
}

}  // namespace
