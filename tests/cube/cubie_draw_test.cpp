#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "cube/cubie.h"
#include "gl_test_context.h"
#include "render/gl.h"

namespace {

// A solid colour per texture slot, easy to tell apart when read back.
void SlotColour(int slot, unsigned char rgb[3]) {
  rgb[0] = static_cast<unsigned char>(20 + slot * 28);
  rgb[1] = static_cast<unsigned char>(235 - slot * 25);
  rgb[2] = static_cast<unsigned char>((slot * 97) % 256);
}

class CubieDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl_.ok()) << "no GL context";
    GLuint names[kTextureSlots];
    glGenTextures(kTextureSlots, names);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int s = 0; s < kTextureSlots; ++s) {
      unsigned char rgb[3];
      SlotColour(s, rgb);
      glBindTexture(GL_TEXTURE_2D, names[s]);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
      glTexImage2D(GL_TEXTURE_2D, 0, 3, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
      TextureTable[s] = names[s];
    }
    glViewport(0, 0, gl_.width(), gl_.height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
  }

  void TearDown() override {
    glDeleteTextures(kTextureSlots, TextureTable);
    std::memset(TextureTable, 0, sizeof TextureTable);
  }

  // Draws the cubie alone and returns the slot whose colour shows at the
  // centre of the picture, or -1.
  int DrawAndReadCentre(Cubie& c, float dX, float dY, float dZ) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    c.Draw(dX, dY, dZ);
    glFinish();
    unsigned char px[3];
    glReadPixels(gl_.width() / 2, gl_.height() / 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    for (int s = 0; s < kTextureSlots; ++s) {
      unsigned char rgb[3];
      SlotColour(s, rgb);
      if (std::abs(px[0] - rgb[0]) <= 2 && std::abs(px[1] - rgb[1]) <= 2 && std::abs(px[2] - rgb[2]) <= 2)
        return s;
    }
    return -1;
  }

  GlTestContext gl_{64, 64};
};

TEST_F(CubieDrawTest, EachFaceShowsItsSlotsTextureAndAnglesAccumulate) {
  Cubie c(1, 1, 1, 0, 0, 0);
  for (int f = 0; f < 6; ++f) c.faceSlot[f] = f;  // front 0 ... left 5
  c.faceSlot[FaceTop] = 8;

  EXPECT_EQ(DrawAndReadCentre(c, 0, 0, 0), FaceFront);
  // +90 about Y brings the left face to the viewer; another +90 the back.
  EXPECT_EQ(DrawAndReadCentre(c, 0, 90, 0), FaceLeft);
  EXPECT_EQ(DrawAndReadCentre(c, 0, 90, 0), FaceBack);
  EXPECT_EQ(c.angleY, 180.0f);
  // Back to 0 about Y, then +90 about X: the top (slot 8) faces the viewer.
  EXPECT_EQ(DrawAndReadCentre(c, 90, -180, 0), 8);
  EXPECT_EQ(c.angleX, 90.0f);
  EXPECT_EQ(c.angleY, 0.0f);
  // Increments of 0 keep drawing at the accumulated angles.
  EXPECT_EQ(DrawAndReadCentre(c, 0, 0, 0), 8);
}

TEST_F(CubieDrawTest, ArgumentsGoToXYZAndTheMatrixStackIsLeftAsFound) {
  Cubie c(1, 1, 1, 1, 0, 0);
  glTranslatef(0.25f, -0.5f, 1.0f);
  GLfloat before[16], after[16];
  GLint depthBefore = 0, depthAfter = 0;
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);

  c.Draw(1.5f, 2.5f, 3.5f);
  c.Draw(1.5f, 0.0f, 0.0f);

  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
  EXPECT_EQ(0, std::memcmp(before, after, sizeof before));
  EXPECT_EQ(depthBefore, depthAfter);
  EXPECT_EQ(c.angleX, 3.0f);
  EXPECT_EQ(c.angleY, 2.5f);
  EXPECT_EQ(c.angleZ, 3.5f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
