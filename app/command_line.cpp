#include "app/command_line.h"

namespace {

bool Is(const PathChar* argument, const char* ascii) {
  for (; *ascii != '\0'; ++argument, ++ascii) {
    if (*argument != static_cast<PathChar>(*ascii)) {
      return false;
    }
  }
  return *argument == 0;
}

}  // namespace

CommandLine ParseCommandLine(int count, const PathChar* const* arguments) {
  CommandLine line = {Request::kRepair, nullptr};
  bool options = true;
  for (int i = 1; i < count; ++i) {
    const PathChar* argument = arguments[i];
    if (options && (Is(argument, "-h") || Is(argument, "--help") || Is(argument, "/?"))) {
      return {Request::kHelp, nullptr};
    }
    if (options && Is(argument, "--version")) {
      return {Request::kVersion, nullptr};
    }
    if (options && Is(argument, "--")) {
      options = false;
    } else if (options && argument[0] == '-') {
      return {Request::kUnknownOption, argument};
    } else if (line.argument != nullptr) {
      return {Request::kTwoFolders, nullptr};
    } else {
      line.argument = argument;
    }
  }
  return line;
}
