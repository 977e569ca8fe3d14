#include "dib_corpus.h"

#include <algorithm>
#include <filesystem>

#include "image/dib_convert.h"

std::vector<CorpusFile> CorpusFiles() {
  namespace fs = std::filesystem;
  std::vector<CorpusFile> files;
  const fs::path root(VOXRA_BMPSUITE_DIR);
  std::error_code error;
  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end;
       it.increment(error)) {
    if (!it->is_regular_file() || it->path().extension() != ".bmp") continue;
    files.push_back({it->path().lexically_relative(root).generic_string(), it->path().string()});
  }
  std::sort(files.begin(), files.end(),
            [](const CorpusFile& a, const CorpusFile& b) { return a.name < b.name; });
  return files;
}

Bytes StripFileHeader(const Bytes& file) {
  if (file.size() < 18 || file[0] != 0x42 || file[1] != 0x4D) return {};
  const std::uint8_t* header = file.data() + 14;
  const std::uint32_t headerBytes = DibRead32(header);
  if ((headerBytes != 12 && headerBytes != 40) || file.size() < 14 + headerBytes) return {};
  const std::size_t n = DibHeaderColorCount(header);
  std::size_t table = headerBytes == 12 ? 3 * n : 4 * n;
  if (headerBytes == 40 && DibRead32(header + 16) == DibBitfields) table += 12;
  const std::size_t offset = DibRead32(file.data() + 10);
  const std::size_t headEnd = 14 + headerBytes + table;
  if (headEnd > file.size() || offset < headEnd || offset > file.size()) return {};
  Bytes packed(file.begin() + 14, file.begin() + static_cast<std::ptrdiff_t>(headEnd));
  packed.insert(packed.end(), file.begin() + static_cast<std::ptrdiff_t>(offset), file.end());
  return packed;
}
