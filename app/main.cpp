// SaveTitleRebuild: regenerates Lanternfall's two title files from the saves present,
// first for the automatic slots, then for the manual ones.
#include <cstdio>

#include "app/console.h"
#include "app/heap.h"
#include "app/messages.h"
#include "app/rebuild.h"
#include "app/save_files.h"
#include "fs/fs.h"

namespace {

// The existence tests are relative paths, so they look at the current folder.
bool Matches(const char* pattern) {
  PathChar* native = ConvertPathToNative(pattern);
  bool found = native != nullptr && PathExists(native);
  ReleaseNativePath(native);
  return found;
}

[[noreturn]] void StopWith(const char* message, int status) {
  ConsolePrint(message);
  ConsolePause();
  ConsoleExit(status);
}

}  // namespace

int main() {
  PrepareProcessHeap();
  ConsoleSetTitle("Lanternfall.Save.Data.ReBulid-Fennick");

  char executable_directory[kPathBufferSize] = {};
  char save_directory[kPathBufferSize] = {};
  char automatic_title[kPathBufferSize] = {};
  char manual_title[kPathBufferSize] = {};
  if (!GetExecutableDirectory(executable_directory)) {
    StopWith(kInstructionMessage, 0);  // no folder to put the title files in
  }

  // Started in the game folder, the saves are below it; started in the save folder, beside it.
  char game_folder_pattern[32];
  std::snprintf(game_folder_pattern, sizeof(game_folder_pattern), "config%cSaveData%c*.Save",
                kPathSeparator, kPathSeparator);
  int written = 0;
  if (Matches(game_folder_pattern)) {
    written = std::snprintf(save_directory, sizeof(save_directory), "%s%cconfig%cSaveData",
                            executable_directory, kPathSeparator, kPathSeparator);
  } else if (Matches("*.Save")) {
    written = std::snprintf(save_directory, sizeof(save_directory), "%s", executable_directory);
  } else {
    StopWith(kInstructionMessage, 0);
  }

  // A folder whose paths would not fit their buffers stops the tool before it writes.
  if (written < 0 || static_cast<std::size_t>(written) >= sizeof(save_directory) ||
      !FormatTitlePath(automatic_title, sizeof(automatic_title), save_directory,
                       SaveKind::Automatic) ||
      !FormatTitlePath(manual_title, sizeof(manual_title), save_directory, SaveKind::Manual)) {
    StopWith(kPathTooLongMessage, 1);
  }

  int automatic_written = 0;
  int manual_written = 0;
  ConsolePrint(kAutomaticStartMessage);
  int automatic =
      RebuildTitleFile(automatic_title, save_directory, SaveKind::Automatic, &automatic_written);
  ConsolePrint(kAutomaticDoneMessage, automatic);
  ConsolePrint(kManualStartMessage);
  int manual = RebuildTitleFile(manual_title, save_directory, SaveKind::Manual, &manual_written);
  ConsolePrint(kManualDoneMessage, manual);
  ConsolePause();
  return automatic_written && manual_written ? 0 : 1;
}
