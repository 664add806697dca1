// SaveTitleRebuild: regenerates Lanternfall's two title files from the saves present,
// first for the automatic slots, then for the manual ones.
#include "app/command_line.h"
#include "app/console.h"
#include "app/messages.h"
#include "app/process.h"
#include "app/rebuild.h"
#include "app/save_files.h"
#include "app/version.h"
#include "fs/fs.h"

namespace {

[[noreturn]] void StopWith(const char* message, int status) {
  ConsolePrint(message);
  ConsolePause();
  ConsoleExit(status);
}

// A command line the tool cannot follow: what is wrong, the help, and nothing written.
[[noreturn]] void StopWithUsage(const char* message, const PathChar* argument) {
  if (argument != nullptr) {
    ConsolePrintPath(message, argument);
  } else {
    ConsolePrint(message);
  }
  StopWith(kUsageMessage, 2);
}

}  // namespace

int ToolMain(int count, PathChar** arguments) {
  PrepareProcess();
  ConsoleSetTitle("Lanternfall.Save.Data.ReBulid-Fennick");
  CommandLine line = ParseCommandLine(count, arguments);
  switch (line.request) {
    case Request::kHelp:
      ConsolePrint(kUsageMessage);
      return 0;
    case Request::kVersion:
      ConsolePrint("SaveTitleRebuild %s\n", kToolVersion);
      return 0;
    case Request::kTwoFolders:
      StopWithUsage(kTwoFoldersMessage, nullptr);
    case Request::kUnknownOption:
      StopWithUsage(kUnknownOptionMessage, line.argument);
    case Request::kRepair:
      break;
  }

  // The folder named, or the executable's own: the checks and the writes both go there.
  PathChar folder[kPathBufferSize] = {};
  FolderStatus found = line.argument != nullptr ? ResolveFolder(line.argument, folder)
                                                : GetExecutableDirectory(folder);
  if (found == FolderStatus::kUnknown && line.argument != nullptr) {
    StopWithUsage(kNoSuchFolderMessage, line.argument);
  }
  PathChar save_directory[kPathBufferSize] = {};
  if (found == FolderStatus::kFound) {
    // Named the game folder, the saves are below it; named the save folder, in it.
    found = FindSaveDirectory(folder, save_directory);
  }
  if (found == FolderStatus::kTooLong) {
    StopWith(kPathTooLongMessage, 1);
  }
  if (found == FolderStatus::kUnknown) {
    // Where the saves belong, with the separator the player's own system writes.
    const char separator = static_cast<char>(kPathSeparator);
    ConsolePrint(kInstructionMessage, separator, separator);
    ConsolePause();
    return 0;
  }

  PathChar automatic_title[kPathBufferSize] = {};
  PathChar manual_title[kPathBufferSize] = {};
  FormatTitlePath(automatic_title, kPathBufferSize, save_directory, SaveKind::Automatic);
  FormatTitlePath(manual_title, kPathBufferSize, save_directory, SaveKind::Manual);
  TitleOutcome automatic_outcome = TitleOutcome::kWritten;
  TitleOutcome manual_outcome = TitleOutcome::kWritten;
  ConsolePrint(kAutomaticStartMessage);
  int automatic =
      RebuildTitleFile(automatic_title, save_directory, SaveKind::Automatic, &automatic_outcome);
  ConsolePrint(kAutomaticDoneMessage, automatic);
  ConsolePrint(kManualStartMessage);
  int manual = RebuildTitleFile(manual_title, save_directory, SaveKind::Manual, &manual_outcome);
  ConsolePrint(kManualDoneMessage, manual);
  ConsolePause();
  bool both_written =
      automatic_outcome == TitleOutcome::kWritten && manual_outcome == TitleOutcome::kWritten;
  return both_written ? 0 : 1;
}
