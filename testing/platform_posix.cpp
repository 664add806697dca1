#include "testing/test_support.h"

NativeString NativePath(const std::string& path) {
  return path;
}
