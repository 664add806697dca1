#include "app/console.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void ConsoleSetTitle(const char* ascii_title) {
  wchar_t title[128] = {};
  for (int i = 0; i < 127 && ascii_title[i] != '\0'; ++i) {
    title[i] = static_cast<wchar_t>(static_cast<unsigned char>(ascii_title[i]));
  }
  SetConsoleTitleW(title);
}

void ConsolePrint(const char* cp936_format, ...) {
  // The bytes go out unchanged: the players' console shows code page 936 already.
  va_list arguments;
  va_start(arguments, cp936_format);
  std::vprintf(cp936_format, arguments);
  va_end(arguments);
  std::fflush(stdout);
}

void ConsolePause() {
  std::system("pause");
}

void ConsoleExit(int status) {
  std::fflush(stdout);
  ExitProcess(static_cast<UINT>(status));
}
