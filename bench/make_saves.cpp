// Writes a full save folder for the whole-run benchmark: the 20 automatic and the 20
// manual saves, each a save-like document of the given size from its own seed.
//   make_saves FOLDER [KIB]    (1024 KiB when no size is given)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/save_document.h"

namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    return false;
  }
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make_saves FOLDER [KIB]\n");
    return 2;
  }
  std::size_t size = (argc == 3 ? std::strtoul(argv[2], nullptr, 10) : 1024) << 10;
  for (int slot = 0; slot < 20; ++slot) {
    for (const char* name : {"AutomaticDSave", "Save"}) {
      std::string path = std::string(argv[1]) + '/' + name + std::to_string(slot) + ".Save";
      std::uint64_t seed = static_cast<std::uint64_t>(slot) * 2 + (name[0] == 'S' ? 1 : 0);
      if (!WriteFile(path, MakeSaveDocument(size, seed))) {
        std::fprintf(stderr, "make_saves: cannot write %s\n", path.c_str());
        return 1;
      }
    }
  }
  return 0;
}
