#include "app/console.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "app/messages.h"

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

bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

// A console shows UTF-16 whatever its code page. Elsewhere (a file, a pipe) the text goes
// out as the code page 936 bytes the tool has always written, with "?" for what that code
// page lacks; text mode turns each line feed into CR LF.
void Emit(const WideText& text) {
  if (IsConsole(STD_OUTPUT_HANDLE)) {
    DWORD written = 0;
    WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), text.units, static_cast<DWORD>(text.length),
                  &written, nullptr);
    return;
  }
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
  char bytes[2048];  // the longest message, the help, takes about 560 bytes
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
  // The command processor's prompt is in the system's language but its bytes are in the
  // console's code page: on a console the tool asks itself, in UTF-16.
  if (!IsConsole(STD_OUTPUT_HANDLE) || !IsConsole(STD_INPUT_HANDLE)) {
    std::system("pause");
    return;
  }
  ConsolePrint(kPausePrompt);
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  INPUT_RECORD record = {};
  DWORD read = 0;
  // A key that gives a character, as the command processor's pause waits for: Shift or an
  // arrow alone does not end it.
  while (ReadConsoleInputW(input, &record, 1, &read) && read == 1 &&
         !(record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
           record.Event.KeyEvent.uChar.UnicodeChar != 0)) {
  }
  ConsolePrint("\n");
}

void ConsoleExit(int status) {
  std::fflush(stdout);
  ExitProcess(static_cast<UINT>(status));
}
