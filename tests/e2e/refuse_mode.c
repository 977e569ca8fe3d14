/* Preloaded into the native game by the bad-data test: a display that lists
   every mode but refuses to switch to any (XRandR's answer to a CRTC change
   is "failed"), as some drivers and monitors do. */
int XRRSetCrtcConfig(void* display, void* resources, unsigned long crtc, unsigned long time, int x,
                     int y, unsigned long mode, unsigned short rotation, unsigned long* outputs,
                     int count) {
  (void)display, (void)resources, (void)crtc, (void)time, (void)x, (void)y, (void)mode;
  (void)rotation, (void)outputs, (void)count;
  return 3; /* RRSetConfigFailed */
}
