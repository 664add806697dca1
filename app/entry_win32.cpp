// The Windows entry point: wmain, so that the arguments arrive as UTF-16 and hold every
// name Windows accepts, whatever the ANSI code page. The C runtime splits the command line
// by the same rules as CommandLineToArgvW, without shell32.dll, which mod loaders often
// replace with their own.
#include <cwchar>

#include "app/process.h"

int wmain(int argc, wchar_t** argv) {
  // By those rules a backslash before a quote escapes it: "D:\My Game\", as PowerShell
  // and tab completion pass a quoted folder, arrives as D:\My Game". No Windows name can
  // hold a quote, so a trailing one is the backslash the player typed.
  for (int i = 1; i < argc; ++i) {
    std::size_t length = std::wcslen(argv[i]);
    if (length > 0 && argv[i][length - 1] == L'"') {
      argv[i][length - 1] = L'\\';
    }
  }
  return ToolMain(argc, argv);
}
