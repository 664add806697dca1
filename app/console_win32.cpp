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

// Units per WriteConsoleW call: consoles before Windows 8 refuse a single write much
// longer than this.
constexpr std::size_t kConsoleWriteUnits = 8192;

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

// A console shows UTF-16 whatever its code page.
void WriteConsoleUnits(HANDLE console, const wchar_t* units, std::size_t count) {
  while (count > 0) {
    std::size_t piece = count < kConsoleWriteUnits ? count : kConsoleWriteUnits;
    if (piece < count && IS_HIGH_SURROGATE(units[piece - 1])) {
      --piece;  // a pair goes out whole
    }
    DWORD written = 0;
    if (!WriteConsoleW(console, units, static_cast<DWORD>(piece), &written, nullptr)) {
      return;
    }
    units += piece;
    count -= piece;
  }
}

// Code page 936 text to the console. Whole messages, or parts cut at ASCII placeholders,
// so that no character is split.
void WriteConsoleCp936(HANDLE console, const char* bytes, std::size_t count) {
  if (count == 0) {
    return;
  }
  int length = static_cast<int>(count);
  int units = MultiByteToWideChar(kMessageCodePage, 0, bytes, length, nullptr, 0);
  if (units <= 0) {
    return;
  }
  auto* wide =
      static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * static_cast<std::size_t>(units)));
  if (wide != nullptr) {
    units = MultiByteToWideChar(kMessageCodePage, 0, bytes, length, wide, units);
    WriteConsoleUnits(console, wide, static_cast<std::size_t>(units));
    std::free(wide);
  }
}

// Where standard output is no console (a file, a pipe) the text goes out as the code
// page 936 bytes the tool has always written; text mode turns each line feed into CR LF.
void EmitCp936(const char* bytes, std::size_t count) {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (IsConsole(output)) {
    WriteConsoleCp936(output, bytes, count);
    return;
  }
  std::fwrite(bytes, 1, count, stdout);
  std::fflush(stdout);
}

// UTF-16 text: to a console as it is, elsewhere in code page 936 with "?" for what that
// code page lacks.
void EmitWide(const wchar_t* units, std::size_t count) {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (IsConsole(output)) {
    WriteConsoleUnits(output, units, count);
    return;
  }
  int length = static_cast<int>(count);
  int bytes = WideCharToMultiByte(kMessageCodePage, 0, units, length, nullptr, 0, "?", nullptr);
  if (bytes <= 0) {
    return;
  }
  auto* narrow = static_cast<char*>(std::malloc(static_cast<std::size_t>(bytes)));
  if (narrow != nullptr) {
    bytes = WideCharToMultiByte(kMessageCodePage, 0, units, length, narrow, bytes, "?", nullptr);
    EmitCp936(narrow, static_cast<std::size_t>(bytes));
    std::free(narrow);
  }
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
  va_list arguments;
  va_start(arguments, cp936_format);
  va_list again;
  va_copy(again, arguments);
  char small[512];
  int count = std::vsnprintf(small, sizeof(small), cp936_format, arguments);
  va_end(arguments);
  char* bytes = small;
  if (count >= static_cast<int>(sizeof(small))) {
    bytes = static_cast<char*>(std::malloc(static_cast<std::size_t>(count) + 1));
    if (bytes != nullptr) {
      std::vsnprintf(bytes, static_cast<std::size_t>(count) + 1, cp936_format, again);
    }
  }
  va_end(again);
  if (bytes != nullptr && count > 0) {
    EmitCp936(bytes, static_cast<std::size_t>(count));
  }
  if (bytes != small) {
    std::free(bytes);
  }
}

void ConsolePrintPath(const char* cp936_format, const PathChar* path) {
  const char* placeholder = std::strstr(cp936_format, "%s");
  if (placeholder == nullptr) {
    EmitCp936(cp936_format, std::strlen(cp936_format));
    return;
  }
  // The message in one piece, as UTF-16, so that the path never goes through the ANSI
  // code page and a console shows the line as one write.
  const char* after = placeholder + 2;
  int before_bytes = static_cast<int>(placeholder - cp936_format);
  int after_bytes = static_cast<int>(std::strlen(after));
  int before_units =
      MultiByteToWideChar(kMessageCodePage, 0, cp936_format, before_bytes, nullptr, 0);
  int after_units = MultiByteToWideChar(kMessageCodePage, 0, after, after_bytes, nullptr, 0);
  std::size_t path_units = std::wcslen(path);
  std::size_t units =
      static_cast<std::size_t>(before_units) + path_units + static_cast<std::size_t>(after_units);
  auto* text = static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * (units + 1)));
  if (text == nullptr) {
    return;
  }
  MultiByteToWideChar(kMessageCodePage, 0, cp936_format, before_bytes, text, before_units);
  std::wmemcpy(text + before_units, path, path_units);
  MultiByteToWideChar(kMessageCodePage, 0, after, after_bytes,
                      text + static_cast<std::size_t>(before_units) + path_units, after_units);
  EmitWide(text, units);
  std::free(text);
}

void ConsolePause() {
  // Without a console to read a key from, the command processor's "pause" waits on
  // whatever standard input is.
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (!IsConsole(input)) {
    std::system("pause");
    return;
  }
  // The key is pressed at the console, so the prompt goes there, even when standard
  // output is a file: the window must not wait with nothing shown. The command
  // processor's own prompt would be in the console's code page, not in UTF-16.
  HANDLE screen = GetStdHandle(STD_OUTPUT_HANDLE);
  bool opened = !IsConsole(screen);
  if (opened) {
    screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  WriteConsoleCp936(screen, kPausePrompt, std::strlen(kPausePrompt));
  INPUT_RECORD record = {};
  DWORD read = 0;
  // A key that gives a character, as the command processor's pause waits for: Shift or an
  // arrow alone does not end it.
  while (ReadConsoleInputW(input, &record, 1, &read) && read == 1 &&
         !(record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
           record.Event.KeyEvent.uChar.UnicodeChar != 0)) {
  }
  WriteConsoleUnits(screen, L"\n", 1);
  if (opened && screen != INVALID_HANDLE_VALUE) {
    CloseHandle(screen);
  }
}

void ConsoleExit(int status) {
  std::fflush(stdout);
  ExitProcess(static_cast<UINT>(status));
}
