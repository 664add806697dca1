// The rebuild pass: one title file regenerated from the saves of one kind.
#ifndef SAVETITLE_APP_REBUILD_H_
#define SAVETITLE_APP_REBUILD_H_

#include "app/save_files.h"

// Visits the kind's kSlotCount slots in order: a save that parses fills its slot's entry
// (reported by the processing message), a save that cannot be used leaves it empty
// (reported by the incomplete message), a missing save leaves it empty silently. Then
// replaces the title file at title_path with the byte-order mark and the formatted array
// of entries, creating missing folders on the way. Returns how many slots were filled.
// When the title file cannot be written, says so on the console and, when
// title_written is not null, stores 0 there (1 on success). Holds one save in memory at a
// time and leaves nothing allocated.
int RebuildTitleFile(const char* title_path, const char* save_directory, SaveKind kind,
                     int* title_written);

#endif  // SAVETITLE_APP_REBUILD_H_
