// What the player asked for on the command line.
#ifndef SAVETITLE_APP_COMMAND_LINE_H_
#define SAVETITLE_APP_COMMAND_LINE_H_

#include "fs/fs.h"

enum class Request {
  kRepair,         // repair the folder named, or the executable's own
  kHelp,           // -h, --help or /?
  kVersion,        // --version
  kTwoFolders,     // more than one folder named
  kUnknownOption,  // an argument that starts with "-" and is none of the above
};

struct CommandLine {
  Request request;
  const PathChar* argument;  // kRepair: the folder named, or null; kUnknownOption: the option
};

// Reads the arguments after the program's own name (arguments[0]); "--" ends the options,
// so that a folder whose name starts with "-" can be named after it. The result points
// into arguments.
CommandLine ParseCommandLine(int count, const PathChar* const* arguments);

#endif  // SAVETITLE_APP_COMMAND_LINE_H_
