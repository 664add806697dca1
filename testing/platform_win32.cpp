#include <windows.h>

#include "testing/test_support.h"

NativeString NativePath(const std::string& path) {
  int units = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  NativeString wide(static_cast<std::size_t>(units > 0 ? units : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], units);
  wide.resize(wide.size() - 1);
  return wide;
}
