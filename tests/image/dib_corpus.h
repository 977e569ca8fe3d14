// The public BMP corpus the image tests run over.
#pragma once

#include <string>
#include <vector>

#include "dib_test_files.h"

struct CorpusFile {
  std::string name;  // relative to the corpus folder, e.g. "g/pal8.bmp"
  std::string path;
};

// Every .bmp of the corpus, sorted by name.
std::vector<CorpusFile> CorpusFiles();

// The packed DIB of a file with a file header: the bitmap header and table
// followed directly by the pixel data. Empty when the layout does not allow it
// (no file header, unknown header, or pixel data overlapping the table).
Bytes StripFileHeader(const Bytes& file);
