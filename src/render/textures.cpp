#include "render/textures.h"

#include <cstdio>

#include "image/dib_loader.h"
#include "render/gl.h"

std::uint32_t TextureTable[kTextureSlots] = {};

namespace {

struct DataFile {
  char digit;  // Data/Data<digit>.dll
  TextureSlot slot;
};

// Processed in this order; note that Data7 fills the right side's slot 5 and
// Data6 the backdrop, and that the inner-face texture comes last.
const DataFile kDataFiles[] = {
    {'1', 0}, {'2', 1}, {'3', 2}, {'4', 3},
    {'5', 4}, {'7', 5}, {'6', kBackdropSlot}, {'8', kInnerSlot},
};

// The separator comes from the build: '\\' on Windows, '/' elsewhere.
constexpr char kPathSeparator = VOXRA_PATH_SEPARATOR;

// Decodes one file into a new texture name stored in its slot. False, with the
// slot untouched, when the file is missing (silently) or cannot be decoded
// (after the loader's own message).
bool LoadOne(const DataFile& file) {
  char path[sizeof "Data/Data1.dll"];
  std::snprintf(path, sizeof path, "Data%cData%c.dll", kPathSeparator, file.digit);
  DibImage* image = LoadDibImage(path, DibMissingFile::Skip);
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
  // Names of an earlier context mean nothing in this one: a slot whose file
  // is skipped below holds 0, as on a first start without that file.
  for (std::uint32_t& name : TextureTable) name = 0;
  bool innerLoaded = false;
  for (const DataFile& file : kDataFiles) {
    const bool loaded = LoadOne(file);
    if (file.slot == kInnerSlot) innerLoaded = loaded;
  }
  return innerLoaded;
}

void ReleaseTextures() {
  for (std::uint32_t& name : TextureTable) {
    if (name != 0) glDeleteTextures(1, &name);
    name = 0;
  }
}
