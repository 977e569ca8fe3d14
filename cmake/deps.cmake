# Third-party libraries: OpenGL 1.1 with GLU everywhere, SDL2 for the SDL layer.
if(WIN32)
  add_library(voxra_gl INTERFACE)
  target_link_libraries(voxra_gl INTERFACE opengl32 glu32)
  # For code that includes <GL/gl.h> without <windows.h>: what gl.h would
  # otherwise take from it. Not for the Win32 layer, whose <windows.h>
  # defines the same names.
  add_library(voxra_gl_without_windows INTERFACE)
  target_compile_definitions(voxra_gl_without_windows INTERFACE APIENTRY=__stdcall
    "WINGDIAPI=__declspec(dllimport)" CALLBACK=__stdcall)
elseif(EMSCRIPTEN)
  # Emscripten's own GL and GLU over WebGL; the page's link switches on the
  # fixed-function emulation (src/platform/web).
  add_library(voxra_gl INTERFACE)
  target_link_libraries(voxra_gl INTERFACE GL GLU)
  add_library(voxra_gl_without_windows INTERFACE)
else()
  set(OpenGL_GL_PREFERENCE LEGACY)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(GLU REQUIRED IMPORTED_TARGET glu)
  add_library(voxra_gl INTERFACE)
  target_link_libraries(voxra_gl INTERFACE OpenGL::GL PkgConfig::GLU)
  add_library(voxra_gl_without_windows INTERFACE)
endif()

if(VOXRA_PLATFORM STREQUAL "sdl")
  find_package(SDL2 REQUIRED)
  add_library(voxra_sdl2 INTERFACE)
  if(TARGET SDL2::SDL2)
    target_link_libraries(voxra_sdl2 INTERFACE SDL2::SDL2)
  else()
    target_include_directories(voxra_sdl2 INTERFACE ${SDL2_INCLUDE_DIRS})
    target_link_libraries(voxra_sdl2 INTERFACE ${SDL2_LIBRARIES})
  endif()
endif()
