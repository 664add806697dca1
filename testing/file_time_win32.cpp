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
