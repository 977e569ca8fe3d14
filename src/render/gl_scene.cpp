// The projection, the one-time GL state and the drawing of one frame: the
// backdrop, the view, and each cubie under its accumulated angles.
#include "render/gl_scene.h"

#include <cstdlib>

#include "render/gl.h"
#include "render/textures.h"
#include "seam/frame_timer.h"
#include "seam/platform.h"

SceneState Scene;

void ResizeViewport(int width, int height) {
  if (height == 0) height = 1;  // a minimised window reports 0 x 0
  glViewport(0, 0, width, height);

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // The near plane is the single-precision 0.1 widened, as the game always had.
  gluPerspective(45.0, static_cast<GLdouble>(width) / static_cast<GLdouble>(height),
                 static_cast<GLdouble>(0.1f), 100.0);

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

// The GL state every context is given once, after its textures.
static void SetGlState() {
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

  // Light 1 is set up and enabled, but GL_LIGHTING stays off, so the faces
  // show their textures unshaded. Deliberate: the picture has always been so.
  static const GLfloat kAmbient[] = {0.5f, 0.5f, 0.5f, 1.0f};
  static const GLfloat kDiffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
  static const GLfloat kPosition[] = {0.0f, 0.0f, 2.0f, 1.0f};
  glLightfv(GL_LIGHT1, GL_AMBIENT, kAmbient);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, kDiffuse);
  glLightfv(GL_LIGHT1, GL_POSITION, kPosition);
  glEnable(GL_LIGHT1);
}

bool SetupGl() {
  if (!LoadTextures()) return false;
  SetGlState();
  std::srand(TickCountMs());
  ApplySolvedColouring();
  return true;
}

bool RestoreGl(int width, int height) {
  if (!LoadTextures()) return false;
  SetGlState();
  ResizeViewport(width, height);
  return true;
}

// The backdrop: a 20 x 20 square 27 units in front of the eye, wound
// counter-clockwise, texture origin at its lower left.
static void DrawBackdrop() {
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -30.0f);
  glBindTexture(GL_TEXTURE_2D, TextureTable[kBackdropSlot]);
  glBegin(GL_QUADS);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(10.0f, 10.0f, 3.0f);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(-10.0f, 10.0f, 3.0f);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(-10.0f, -10.0f, 3.0f);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(10.0f, -10.0f, 3.0f);
  glEnd();
}

void DrawCubie(Cubie& cubie, float dX, float dY, float dZ) {
  glPushMatrix();
  cubie.angleX += dX;
  cubie.angleY += dY;
  cubie.angleZ += dZ;
  // About the puzzle's origin, Z first on each corner, X last.
  glRotatef(cubie.angleX, 1.0f, 0.0f, 0.0f);
  glRotatef(cubie.angleY, 0.0f, 1.0f, 0.0f);
  glRotatef(cubie.angleZ, 0.0f, 0.0f, 1.0f);

  // Each face binds its own texture, so each needs its own begin/end pair.
  static const float kTexCoord[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int f = 0; f < 6; ++f) {
    glBindTexture(GL_TEXTURE_2D, TextureTable[cubie.faceSlot[f]]);
    glBegin(GL_QUADS);
    for (int v = 0; v < 4; ++v) {
      glTexCoord2f(kTexCoord[v][0], kTexCoord[v][1]);
      glVertex3f(cubie.vertexX[f][v], cubie.vertexY[f][v], cubie.vertexZ[f][v]);
    }
    glEnd();
  }
  glPopMatrix();
}

bool RenderFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  // The tilt is held at its limit as it is advanced, so no frame is drawn
  // past it (at speed, one step past 70 degrees would show the cube upside
  // down for a frame).
  Scene.ViewAngleX += Scene.ViewSpeedX;
  if (Scene.ViewAngleX > kTiltLimit) Scene.ViewAngleX = kTiltLimit;
  if (Scene.ViewAngleX < -kTiltLimit) Scene.ViewAngleX = -kTiltLimit;
  Scene.ViewAngleY += Scene.ViewSpeedY;

  DrawBackdrop();

  // The puzzle sits 1.5 units right of and above the line of sight.
  glLoadIdentity();
  glTranslatef(1.5f, 1.5f, -15.0f);
  glRotatef(Scene.ViewAngleX, 1.0f, 0.0f, 0.0f);
  glRotatef(Scene.ViewAngleY, 0.0f, 1.0f, 0.0f);

  for (int k = 0; k < kCubieCount; ++k) {
    DrawCubie(CubeState[k], Scene.TurnRateX[k], Scene.TurnRateY[k], Scene.TurnRateZ[k]);
  }

  // The frame is handed to GL before the wait, so a renderer that draws on
  // its own threads (Mesa's) finishes it while this one sleeps, and the swap
  // that follows only presents.
  glFlush();
  FramePacer.WaitForFrame(60.0f);
  return true;
}
