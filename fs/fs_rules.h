// Rules both platform files follow, kept in one place so that both builds behave alike
// and tests can reach them without touching the disk. Not for use outside fs/.
#ifndef SAVETITLE_FS_FS_RULES_H_
#define SAVETITLE_FS_FS_RULES_H_

#include <cstddef>
#include <cstdint>

#include "fs/fs.h"

// Ends path at its last separator (any byte of separators), leaving the folder without
// a trailing separator; returns 0 and leaves path alone when it holds none.
int CutAtLastSeparator(char* path, const char* separators);

// Whether CreateOutputFile must put the long-path prefix before a path of `units` units:
// it is longer than kLongPathThreshold and carries neither "\\?\" nor "\\.\" yet.
bool NeedsLongPathPrefix(const PathChar* path, std::size_t units);

// Matches a file name against a pattern whose "*" stands for any run of bytes and "?"
// for exactly one byte; every other byte must be equal.
bool WildcardMatch(const char* pattern, const char* name);

// Units in the folder buffers of CreateParentDirectories.
inline constexpr std::size_t kFolderBufferUnits = 4096;

// CreateParentDirectories with the platform's parts passed in: the separator, whether
// forward slashes turn into it first, and the call that creates one folder (nonzero
// when it did).
int CreateParentFolders(const PathChar* path, PathChar separator, bool fold_forward_slashes,
                        int (*make_folder)(const PathChar* folder));

// Writes length bytes from buffer in pieces of at most chunk_size: each piece is one
// call of write_some(handle, buffer, offset, size), which returns how many bytes it
// wrote (a short count continues with the rest) or a negative number on failure.
// Returns 1 when every byte was written, 0 at the first failure or a call that wrote
// nothing.
using WriteSomeFunction = std::int64_t (*)(FileHandle handle, const void* buffer,
                                           std::uint64_t offset, std::size_t size);
int WriteInChunks(FileHandle handle, const void* buffer, std::uint64_t length,
                  std::uint64_t chunk_size, WriteSomeFunction write_some);

// WriteAtPosition with the chunk size as a parameter, so tests cross chunk boundaries
// with a few bytes. Each platform file defines it.
int WriteAtPositionInChunks(const void* buffer, FileHandle handle, std::uint64_t length,
                            MoveMethod move_method, std::uint64_t chunk_size);

#endif  // SAVETITLE_FS_FS_RULES_H_
