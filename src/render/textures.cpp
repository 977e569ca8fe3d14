#include "render/textures.h"

#include <cstdio>

#include "cube/cubie.h"
#include "image/dib_loader.h"
#include "render/gl.h"

namespace {

struct DataFile {
  const char* name;
  TextureSlot slot;
};

#if defined(_WIN32)
#define VOXRA_DATA_PATH(n) "Data\\Data" n ".dll"
#else
#define VOXRA_DATA_PATH(n) "Data/Data" n ".dll"
#endif

// Processed in this order; note that Data7 fills the right side's slot 5 and
// Data6 the backdrop, and that the inner-face texture comes last.
const DataFile kDataFiles[] = {
    {VOXRA_DATA_PATH("1"), 0}, {VOXRA_DATA_PATH("2"), 1},
    {VOXRA_DATA_PATH("3"), 2}, {VOXRA_DATA_PATH("4"), 3},
    {VOXRA_DATA_PATH("5"), 4}, {VOXRA_DATA_PATH("7"), 5},
    {VOXRA_DATA_PATH("6"), kBackdropSlot}, {VOXRA_DATA_PATH("8"), kInnerSlot},
};

#undef VOXRA_DATA_PATH

bool FileExists(const char* name) {
  std::FILE* file = std::fopen(name, "r");
  if (!file) return false;
  std::fclose(file);
  return true;
}

// Decodes one file into a new texture name stored in its slot. False, with the
// slot untouched, when the file is missing (silently) or cannot be decoded
// (after the loader's own message).
bool LoadOne(const DataFile& file) {
  if (!FileExists(file.name)) return false;
  DibImage* image = LoadDibImage(file.name);
  if (!image) return false;

  GLuint name = 0;
  glGenTextures(1, &name);
  TextureTable[file.slot] = name;
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);

  // The decoded rows are 3 * width bytes with no fill, so GL must not assume
  // rows aligned to 4 bytes: for widths of 1 or 2 (or any width not a multiple
  // of 4) it would read past the buffer and skew the rows.
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE,
               image->pixels);
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);

  // GL keeps its own copy; without this every reopen of the window would leak
  // eight pictures.
  FreeDibImage(image);
  return true;
}

}  // namespace

bool LoadTextures() {
  bool innerLoaded = false;
  for (const DataFile& file : kDataFiles) {
    const bool loaded = LoadOne(file);
    if (file.slot == kInnerSlot) innerLoaded = loaded;
  }
  return innerLoaded;
}
