// The console and process services of the tool's entry, one implementation per platform.
#ifndef SAVETITLE_APP_CONSOLE_H_
#define SAVETITLE_APP_CONSOLE_H_

#include "fs/fs.h"

// Names the console window (Windows) or the terminal (POSIX, only when standard output
// is a terminal). Failure is ignored.
void ConsoleSetTitle(const char* ascii_title);

// printf of a message from messages.h to standard output, flushed so that it is on the
// console before the next step. Only the fixed text is converted where the console's
// encoding differs (POSIX: to UTF-8); the values put into it are written as they are.
void ConsolePrint(const char* cp936_format, ...);

// ConsolePrint of a message whose one placeholder, %s, takes a path. The path is shown
// as the console can show it: on Windows a character the console's code page lacks may
// come out as "?", in the message only.
void ConsolePrintPath(const char* cp936_format, const PathChar* path);

// Waits for a key: Windows runs the command processor's "pause"; POSIX prompts and
// waits for one key when standard input is a terminal and returns at once otherwise.
void ConsolePause();

// Ends the process at once with status, after standard output has been flushed.
[[noreturn]] void ConsoleExit(int status);

#endif  // SAVETITLE_APP_CONSOLE_H_
