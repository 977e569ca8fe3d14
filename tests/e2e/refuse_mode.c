/* Preloaded into the native game by the bad-data test: a display that lists every
   mode but shows none. It refuses its first switch (XRandR's "failed"), as some
   drivers and monitors do, then answers "done" and changes nothing; SDL then
   reports the mode it still shows, as it does for a driver that does not switch. */
struct SDL_DisplayMode;
int SDL_GetDesktopDisplayMode(int display, struct SDL_DisplayMode* mode);

static int switches;

int XRRSetCrtcConfig(void* dpy, void* resources, unsigned long crtc, unsigned long time, int x, int y,
                     unsigned long mode, unsigned short rotation, unsigned long* outputs, int count) {
  (void)dpy, (void)resources, (void)crtc, (void)time, (void)x, (void)y, (void)mode, (void)rotation;
  (void)outputs, (void)count;
  return switches++ == 0 ? 3 /* RRSetConfigFailed */ : 0;
}

void XRRSetScreenSize(void* dpy, unsigned long root, int width, int height, int mmWidth, int mmHeight) {
  (void)dpy, (void)root, (void)width, (void)height, (void)mmWidth, (void)mmHeight;
}

int SDL_GetCurrentDisplayMode(int display, struct SDL_DisplayMode* mode) {
  return SDL_GetDesktopDisplayMode(display, mode);
}
