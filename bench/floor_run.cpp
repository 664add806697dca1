// The floor of the whole-run benchmark: what any tool doing this job must spend. It
// reads the same 40 saves as the tool, each whole with one read, and writes two small
// files in their folder, as the tool writes its two title files.
//   floor_run            (in the save folder)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// One buffer, grown when a save is larger than any before it.
char* buffer = nullptr;
std::size_t capacity = 0;

void ReadWhole(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY);
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0) {
    if (fd >= 0) {
      close(fd);
    }
    return;
  }
  auto size = static_cast<std::size_t>(info.st_size);
  if (size + 1 > capacity) {
    std::free(buffer);
    capacity = size + 1;
    buffer = static_cast<char*>(std::malloc(capacity));
  }
  if (buffer != nullptr && read(fd, buffer, size) >= 0) {
    buffer[size] = '\0';
  }
  close(fd);
}

void WriteSmall(const char* path) {
  static const char kText[4096] = "[]";
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd >= 0) {
    ssize_t written = write(fd, kText, sizeof(kText));
    (void)written;
    close(fd);
  }
}

}  // namespace

int main() {
  for (const char* name : {"AutomaticDSave", "Save"}) {
    for (int slot = 0; slot < 20; ++slot) {
      ReadWhole(std::string(name) + std::to_string(slot) + ".Save");
    }
  }
  WriteSmall("FloorAutomatic.out");
  WriteSmall("FloorManual.out");
  return 0;
}
