// How the tool sets up its process before it touches any file, and where it starts.
#ifndef SAVETITLE_APP_PROCESS_H_
#define SAVETITLE_APP_PROCESS_H_

#include "fs/fs.h"

// Makes the process fit the tool's work. POSIX: a write past the file size limit, or
// to a console that went away, fails and is reported instead of ending the process
// midway. Failure is ignored.
void PrepareProcess();

// The tool's whole run, defined in main.cpp: arguments holds count paths, the program's
// own name first. The platform's entry point (entry_win32.cpp, entry_posix.cpp) calls it
// with the command line: on Windows the UTF-16 one, on POSIX argv itself. Returns the exit
// status.
int ToolMain(int count, PathChar** arguments);

#endif  // SAVETITLE_APP_PROCESS_H_
