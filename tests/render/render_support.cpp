#include "render_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (its header is not always installed).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__) || defined(_WIN32)
#include <malloc.h>
#endif

#include "platform/platform.h"
#include "render/gl.h"

std::vector<RecordedMessage> RecordedMessages;

// The image loader's boxes land here instead of on the screen.
MessageAnswer ShowMessageBox(const char* text, const char* caption, MessageButtons, MessageIcon,
                             MessageOwner) {
  RecordedMessages.push_back({text ? text : "", caption ? caption : ""});
  return MessageAnswer::Ok;
}

namespace fs = std::filesystem;

TempWorkDir::TempWorkDir() : previous_(fs::current_path()) {
  static int serial = 0;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  root_ = fs::temp_directory_path() /
          ("voxra-render-" + std::to_string(stamp) + "-" + std::to_string(++serial));
  fs::create_directories(root_ / "Data");
  fs::current_path(root_);
}

TempWorkDir::~TempWorkDir() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
  fs::remove_all(root_, ignored);
}

fs::path TempWorkDir::DataFile(int n) const {
  return root_ / "Data" / ("Data" + std::to_string(n) + ".dll");
}

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

void WriteBmp24(const fs::path& path, int width, int height, const std::vector<Rgb>& pixels) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height);
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + imageSize);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, 24);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb& c = pixels[static_cast<std::size_t>(y * width + x)];
      out.push_back(static_cast<std::uint8_t>(c[2]));
      out.push_back(static_cast<std::uint8_t>(c[1]));
      out.push_back(static_cast<std::uint8_t>(c[0]));
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(width) * 3; pad < stride; ++pad) {
      out.push_back(0);
    }
  }
  WriteFile(path, out);
}

void WriteSolidBmp(const fs::path& path, Rgb colour, int size) {
  WriteBmp24(path, size, size, std::vector<Rgb>(static_cast<std::size_t>(size * size), colour));
}

void WriteUnknownHeaderBmp(const fs::path& path) {
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 14 + 108 + 48);
  Put32(out, 0);
  Put32(out, 14 + 108);
  Put32(out, 108);  // a version-4 header
  Put32(out, 4);
  Put32(out, 4);
  Put16(out, 1);
  Put16(out, 24);
  out.resize(14 + 108 + 48, 0x55);
  WriteFile(path, out);
}

std::vector<std::uint8_t> ReadTexture(unsigned name, int* width, int* height) {
  glBindTexture(GL_TEXTURE_2D, name);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  *width = w;
  *height = h;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
  if (!rgb.empty()) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  }
  return rgb;
}

Frame Frame::Read(int width, int height) {
  Frame f;
  f.width = width;
  f.height = height;
  f.rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, f.rgb.data());
  return f;
}

Rgb Frame::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1};
  const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)) * 3;
  return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
  for (int i = 0; i < 3; ++i) {
    if (std::abs(a[i] - b[i]) > tolerance) return false;
  }
  return true;
}

std::string ToString(const Rgb& c) {
  return "(" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ", " + std::to_string(c[2]) + ")";
}

WindowPoint Project(const double modelview[16], double x, double y, double z) {
  GLdouble projection[16];
  GLint viewport[4];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble wx = 0, wy = 0, wz = 0;
  gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
  return {static_cast<int>(wx), static_cast<int>(wy)};
}

bool HeapBytesInUse(std::size_t* bytes) {
#if defined(__SANITIZE_ADDRESS__)
  *bytes = __sanitizer_get_current_allocated_bytes();
  return true;
#elif defined(__GLIBC__)
  *bytes = mallinfo2().uordblks;
  return true;
#elif defined(_WIN32)
  _HEAPINFO entry = {};
  std::size_t used = 0;
  int status;
  while ((status = _heapwalk(&entry)) == _HEAPOK) {
    if (entry._useflag == _USEDENTRY) used += entry._size;
  }
  *bytes = used;
  return status == _HEAPEND;
#else
  *bytes = 0;
  return false;
#endif
}
