#include <windows.h>

#include "testing/test_support.h"

NativeString NativePath(const std::string& path) {
  int units = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  NativeString wide(static_cast<std::size_t>(units > 0 ? units : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], units);
  wide.resize(wide.size() - 1);
  return wide;
}

TestPages::TestPages(std::size_t count) {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  size_ = system.dwPageSize;
  base_ = static_cast<char*>(
      VirtualAlloc(nullptr, count * size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  count_ = base_ != nullptr ? count : 0;
}

TestPages::~TestPages() {
  if (base_ != nullptr) {
    VirtualFree(base_, 0, MEM_RELEASE);
  }
}

bool TestPages::Forbid(std::size_t index) {
  DWORD old = 0;
  return VirtualProtect(Page(index), size_, PAGE_NOACCESS, &old) != 0;
}
