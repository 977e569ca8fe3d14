#include "gl_test_context.h"

#include <SDL.h>

GlTestContext::GlTestContext(int width, int height) : width_(width), height_(height) {
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_Window* w = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!w) return;
  window_ = w;
  SDL_GLContext c = SDL_GL_CreateContext(w);
  if (!c) return;
  context_ = c;
  ok_ = SDL_GL_MakeCurrent(w, c) == 0;
}

GlTestContext::~GlTestContext() {
  if (context_) {
    SDL_GL_MakeCurrent(static_cast<SDL_Window*>(window_), nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
  }
  if (window_) SDL_DestroyWindow(static_cast<SDL_Window*>(window_));
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
