// SaveTitleRebuild: regenerates Lanternfall's two title files from the saves present,
// first for the automatic slots, then for the manual ones.
#include <algorithm>

#include "app/console.h"
#include "app/messages.h"
#include "app/process.h"
#include "app/rebuild.h"
#include "app/save_files.h"
#include "fs/fs.h"

namespace {

// The existence tests are relative paths, so they look at the current folder.
bool Matches(const char* pattern) {
  PathChar relative[64];
  const PathChar current[] = {'.', 0};
  return JoinPath(relative, 64, current, pattern) && PathExists(relative);
}

[[noreturn]] void StopWith(const char* message, int status) {
  ConsolePrint(message);
  ConsolePause();
  ConsoleExit(status);
}

}  // namespace

int main() {
  PrepareProcess();
  ConsoleSetTitle("Lanternfall.Save.Data.ReBulid-Fennick");

  PathChar executable_directory[kPathBufferSize] = {};
  PathChar save_directory[kPathBufferSize] = {};
  PathChar automatic_title[kPathBufferSize] = {};
  PathChar manual_title[kPathBufferSize] = {};
  switch (GetExecutableDirectory(executable_directory)) {
    case FolderStatus::kFound:
      break;
    case FolderStatus::kTooLong:
      StopWith(kPathTooLongMessage, 1);
    case FolderStatus::kUnknown:
      StopWith(kInstructionMessage, 0);  // no folder to put the title files in
  }

  // Started in the game folder, the saves are below it; started in the save folder, beside it.
  bool fits = true;
  if (Matches("config/SaveData/*.Save")) {
    fits = JoinPath(save_directory, kPathBufferSize, executable_directory, "config/SaveData");
  } else if (Matches("*.Save")) {
    std::copy(executable_directory, executable_directory + kPathBufferSize, save_directory);
  } else {
    StopWith(kInstructionMessage, 0);
  }

  // A folder whose paths would not fit their buffers stops the tool before it writes.
  if (!fits ||
      !FormatTitlePath(automatic_title, kPathBufferSize, save_directory, SaveKind::Automatic) ||
      !FormatTitlePath(manual_title, kPathBufferSize, save_directory, SaveKind::Manual)) {
    StopWith(kPathTooLongMessage, 1);
  }

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
