#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include "testing/test_support.h"

bool SetLastWriteTimeForTest(const std::string& path, long long unix_seconds) {
  timespec times[2] = {};
  times[0].tv_sec = static_cast<time_t>(unix_seconds);
  times[1].tv_sec = static_cast<time_t>(unix_seconds);
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

NativeString NativePath(const std::string& path) {
  return path;
}
