// The Win32 window with the real GL setup and the build's Data folder: open,
// draw, close and reopen as the F1 toggle does.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "cube/cubie.h"
#include "platform/platform.h"
#include "render/gl.h"
#include "render/gl_scene.h"

namespace {
std::vector<std::string> BoxCaptions;
}  // namespace

MessageAnswer ShowMessageBox(const char*, const char* caption, MessageButtons buttons, MessageIcon,
                             MessageOwner) {
  BoxCaptions.push_back(caption);
  return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

namespace {

TEST(Win32WindowWithData, OpensDrawsAndReopensAsTheToggleDoes) {
  if (GetFileAttributesA("Data\\Data8.dll") == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no Data folder beside the test";
  }
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, 16, false));
  EXPECT_TRUE(RenderFrame());
  GLubyte centre[3] = {0, 0, 0};
  glReadPixels(200, 200, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, centre);
  EXPECT_GT(centre[0] + centre[1] + centre[2], 0) << "the front of the cube is drawn in the middle";
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  SwapGlBuffers();
  CloseGlWindow();

  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.1", 640, 480, 16, true));
  EXPECT_TRUE(glIsTexture(TextureTable[0])) << "textures are loaded again into the new context";
  EXPECT_TRUE(RenderFrame());
  SwapGlBuffers();
  CloseGlWindow();
  for (const std::string& caption : BoxCaptions) EXPECT_EQ(caption, "Tamo GL");
}

}  // namespace
