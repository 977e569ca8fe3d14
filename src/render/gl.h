// OpenGL 1.1 and GLU. On Windows the build defines what <GL/gl.h> needs from
// <windows.h> (APIENTRY, WINGDIAPI, CALLBACK), so portable code never
// includes it.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>
