// The rebuild pass: one title file regenerated from the saves of one kind.
#ifndef SAVETITLE_APP_REBUILD_H_
#define SAVETITLE_APP_REBUILD_H_

#include "app/save_files.h"
#include "fs/fs.h"

// How a pass ended for its title file.
enum class TitleOutcome {
  kWritten,      // replaced whole by the new entries
  kWriteFailed,  // left as it was: it could not be replaced (reported on the console)
  kOutOfMemory,  // left as it was: a save or the title could not be held (reported)
};

// Visits the kind's kSlotCount slots in order: a save that parses fills its slot's entry
// (reported by the processing message), a save that cannot be used leaves it empty
// (reported by the incomplete message), a missing save leaves it empty silently. Then
// replaces the title file at title_path with the byte-order mark and the formatted array
// of entries, creating missing folders on the way. When memory runs out the pass stops
// there and the title file stays as it was: a slot must not lose its entry for the
// machine's sake. Returns how many slots were filled, and stores in *outcome, when it is
// not null, how the title file fared. Holds one save in memory at a time and leaves
// nothing allocated.
int RebuildTitleFile(const PathChar* title_path, const PathChar* save_directory, SaveKind kind,
                     TitleOutcome* outcome);

#endif  // SAVETITLE_APP_REBUILD_H_
