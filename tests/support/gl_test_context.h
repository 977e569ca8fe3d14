// A current GL 1.1 context with a double-buffered RGBA back buffer and a
// depth buffer, for tests that draw and read pixels back.
#pragma once

class GlTestContext {
 public:
  GlTestContext(int width, int height);
  ~GlTestContext();
  GlTestContext(const GlTestContext&) = delete;
  GlTestContext& operator=(const GlTestContext&) = delete;

  bool ok() const { return ok_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  bool ok_ = false;
  int width_;
  int height_;
  void* window_ = nullptr;
  void* context_ = nullptr;
  void* device_ = nullptr;
};
