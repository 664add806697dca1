#include <windows.h>

#include "testing/test_support.h"

bool SetLastWriteTimeForTest(const std::string& path, long long unix_seconds) {
  // FILETIME counts 100 ns steps from 1601; 11644473600 s lie between 1601 and 1970.
  ULARGE_INTEGER ticks;
  ticks.QuadPart = static_cast<unsigned long long>(unix_seconds + 11644473600LL) * 10000000ULL;
  FILETIME time;
  time.dwLowDateTime = ticks.LowPart;
  time.dwHighDateTime = ticks.HighPart;
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  BOOL ok = SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
  return ok != 0;
}

NativeString NativePath(const std::string& path) {
  int units = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  NativeString wide(static_cast<std::size_t>(units > 0 ? units : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], units);
  wide.resize(wide.size() - 1);
  return wide;
}
