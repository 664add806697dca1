#include <sys/mman.h>
#include <unistd.h>

#include "testing/test_support.h"

NativeString NativePath(const std::string& path) {
  return path;
}

TestPages::TestPages(std::size_t count) : size_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))) {
  void* pages = mmap(nullptr, count * size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                     -1, 0);
  if (pages != MAP_FAILED) {
    base_ = static_cast<char*>(pages);
    count_ = count;
  }
}

TestPages::~TestPages() {
  if (base_ != nullptr) {
    munmap(base_, count_ * size_);
  }
}

bool TestPages::Forbid(std::size_t index) {
  return mprotect(Page(index), size_, PROT_NONE) == 0;
}
