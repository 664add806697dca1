#include "app/process.h"

#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

// Windows ends no process for a failed write.
void PrepareProcess() {}

const PathChar* const* ProcessArguments(int, char**, int* count) {
  *count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), count);
  if (arguments == nullptr) {
    *count = 0;
  }
  return arguments;
}
