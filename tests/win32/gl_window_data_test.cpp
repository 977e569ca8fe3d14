// The Win32 window with the real GL setup and the data files from the build's
// Data folder: open, draw, close and reopen as the F1 toggle does.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "cube/cubie.h"
#include "platform/platform.h"
#include "platform/win32/gl_window_win32.h"
#include "recorded_boxes.h"
#include "render/gl.h"
#include "render/gl_scene.h"

namespace {

bool DataPresent() {
  return GetFileAttributesA("Data\\Data8.dll") != INVALID_FILE_ATTRIBUTES;
}

TEST(Win32WindowWithData, OpensDrawsAndReopensAsTheToggleDoes) {
  if (!DataPresent()) GTEST_SKIP() << "no Data folder beside the test";
  std::fill(std::begin(KeyState), std::end(KeyState), false);
  FullscreenMode = false;
  Boxes = {};
  Boxes.yesNoAnswer = MessageAnswer::Yes;

  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.2", 400, 400, 16, false));
  EXPECT_TRUE(Boxes.boxes.empty());
  EXPECT_TRUE(glIsTexture(TextureTable[0]));
  EXPECT_TRUE(RenderFrame());
  GLubyte centre[3] = {0, 0, 0};
  glReadBuffer(GL_BACK);
  glReadPixels(200, 200, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, centre);
  EXPECT_GT(centre[0] + centre[1] + centre[2], 0) << "the front of the cube is drawn in the middle";
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  SwapGlBuffers();

  const HWND first = GlWindow.WindowHandle;
  CloseGlWindow();
  EXPECT_FALSE(IsWindow(first));
  FullscreenMode = !FullscreenMode;
  ASSERT_TRUE(OpenGlWindow("Voxra - By Orvane v1.1", 640, 480, 16, FullscreenMode));
  for (const RecordedBox& box : Boxes.boxes) EXPECT_EQ(box.caption, "Tamo GL") << box.text;

  RECT client;
  GetClientRect(GlWindow.WindowHandle, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  EXPECT_TRUE(glIsTexture(TextureTable[0])) << "textures are loaded again into the new context";
  EXPECT_TRUE(RenderFrame());
  SwapGlBuffers();
  CloseGlWindow();
  EXPECT_EQ(GlWindow.WindowHandle, nullptr);
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  for (const RecordedBox& box : Boxes.boxes) EXPECT_EQ(box.caption, "Tamo GL") << box.text;
}

}  // namespace
