#include "app/console.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

constexpr UINT kMessageCodePage = 936;

// A message on its way out, as UTF-16: room for the longest message around the longest
// path the tool names.
struct WideText {
  wchar_t units[1024];
  int length;
};

void AppendWide(WideText* text, const wchar_t* units, int count) {
  int room = static_cast<int>(sizeof(text->units) / sizeof(text->units[0])) - text->length;
  int taken = count < room ? count : room;
  std::wmemcpy(text->units + text->length, units, static_cast<std::size_t>(taken));
  text->length += taken;
}

void AppendCp936(WideText* text, const char* bytes, int count) {
  if (count <= 0) {
    return;
  }
  int room = static_cast<int>(sizeof(text->units) / sizeof(text->units[0])) - text->length;
  text->length +=
      MultiByteToWideChar(kMessageCodePage, 0, bytes, count, text->units + text->length, room);
}

// Writes the text as the code page 936 bytes the tool has always written; what that code
// page lacks comes out as "?". Text mode turns each line feed into CR LF.
void Emit(const WideText& text) {
  char bytes[4 * sizeof(text.units) / sizeof(text.units[0])];
  int count = WideCharToMultiByte(kMessageCodePage, 0, text.units, text.length, bytes,
                                  static_cast<int>(sizeof(bytes)), "?", nullptr);
  std::fwrite(bytes, 1, static_cast<std::size_t>(count), stdout);
  std::fflush(stdout);
}

}  // namespace

void ConsoleSetTitle(const char* ascii_title) {
  wchar_t title[128] = {};
  for (int i = 0; i < 127 && ascii_title[i] != '\0'; ++i) {
    title[i] = static_cast<wchar_t>(static_cast<unsigned char>(ascii_title[i]));
  }
  SetConsoleTitleW(title);
}

void ConsolePrint(const char* cp936_format, ...) {
  char bytes[512];  // the longest message with a number in it takes about 80 bytes
  va_list arguments;
  va_start(arguments, cp936_format);
  int count = std::vsnprintf(bytes, sizeof(bytes), cp936_format, arguments);
  va_end(arguments);
  WideText text = {};
  AppendCp936(&text, bytes, count < static_cast<int>(sizeof(bytes)) ? count : 0);
  Emit(text);
}

void ConsolePrintPath(const char* cp936_format, const PathChar* path) {
  // The path goes into the message as UTF-16, never through the ANSI code page.
  const char* placeholder = std::strstr(cp936_format, "%s");
  WideText text = {};
  if (placeholder == nullptr) {
    AppendCp936(&text, cp936_format, static_cast<int>(std::strlen(cp936_format)));
  } else {
    AppendCp936(&text, cp936_format, static_cast<int>(placeholder - cp936_format));
    AppendWide(&text, path, static_cast<int>(std::wcslen(path)));
    AppendCp936(&text, placeholder + 2, static_cast<int>(std::strlen(placeholder + 2)));
  }
  Emit(text);
}

void ConsolePause() {
  std::system("pause");
}

void ConsoleExit(int status) {
  std::fflush(stdout);
  ExitProcess(static_cast<UINT>(status));
}
