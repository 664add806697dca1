// How the tool sets up its process before it touches any file.
#ifndef SAVETITLE_APP_PROCESS_H_
#define SAVETITLE_APP_PROCESS_H_

#include "fs/fs.h"

// Makes the process fit the tool's work. POSIX: a write past the file size limit, or
// to a console that went away, fails and is reported instead of ending the process
// midway. Failure is ignored.
void PrepareProcess();

// The command line's arguments, the program's own name first, as paths: on Windows the
// UTF-16 command line (argv holds only what the ANSI code page can say), on POSIX argv
// itself. Stores their number in *count. The arrays live as long as the process.
const PathChar* const* ProcessArguments(int argc, char** argv, int* count);

#endif  // SAVETITLE_APP_PROCESS_H_
