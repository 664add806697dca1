// Rules both platform files follow, kept in one place so that both builds behave alike
// and tests can reach them without touching the disk. Not for use outside fs/.
#ifndef SAVETITLE_FS_FS_RULES_H_
#define SAVETITLE_FS_FS_RULES_H_

#include <cstddef>
#include <cstdint>

#include "fs/fs.h"

// Ends path at its last separator (any unit of separators), leaving the folder without
// a trailing separator; returns 0 and leaves path alone when it holds none.
int CutAtLastSeparator(PathChar* path, const PathChar* separators);

// How many units the long-path form may add to a path: "\\?\UNC\" takes the place of the
// "\\" that opens a network path.
inline constexpr std::size_t kLongPathFormExtraUnits = 6;

// Writes into out (capacity units) the form of the absolute path full (backslashes only,
// as GetFullPathNameW gives it) that Windows' wide file services take at any length:
// full itself up to kLongPathThreshold units or when it already passes unchecked ("\\?\",
// "\??\"); "\\?\" in place of a device path's "\\.\"; "\\?\UNC\server\share..." for a
// network path "\\server\share..."; else "\\?\" and full. Returns 1, or 0 when it does
// not fit.
int LongPathForm(const PathChar* full, PathChar* out, std::size_t capacity);

// Matches a file name against a pattern whose "*" stands for any run of bytes and "?"
// for exactly one byte; every other byte must be equal.
bool WildcardMatch(const char* pattern, const char* name);

// Whether both platforms can express a date of this year.
bool IsExpressibleYear(int year);

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

// What stands at a path that is about to be replaced.
enum class TargetKind {
  kNothing,
  kFile,          // a regular file the user may write
  kLink,          // a symbolic link: replaced, never followed
  kReadOnlyFile,  // a regular file the user may not write: left alone
  kOther,         // a folder, device, FIFO or socket, or what the system will not tell
};

// The steps of replacing a file, each one call of the system, so that a test can make
// any of them fail and then look at the disk. Each returns nonzero on success.
struct ReplaceSteps {
  TargetKind (*inspect)(const PathChar* path);
  // Creates a file that did not exist; *taken tells whether the name was in use.
  FileHandle (*create_new)(const PathChar* path, bool* taken);
  int (*write)(FileHandle handle, const void* bytes, std::uint64_t size);
  // Gives the new file what the platform keeps of the replaced one (POSIX: permissions
  // and owner), then forces its bytes to the disk.
  int (*flush)(FileHandle handle, const PathChar* replaced);
  int (*close)(FileHandle handle);
  int (*rename)(const PathChar* from, const PathChar* to);  // replaces to
  int (*remove)(const PathChar* path);
  // Forces the folder entry of path to the disk.
  int (*flush_folder)(const PathChar* path);
};

// The platform's steps, and the number of the running process; each platform file
// defines them.
const ReplaceSteps& PlatformReplaceSteps();
std::uint32_t CurrentProcessNumber();

// Units after a path that its temporary file's name may add.
inline constexpr std::size_t kTempSuffixUnits = 32;

// The name of a temporary file beside path, for a process and an attempt counted from
// 0: path, ".", the process number, "-", the attempt, ".tmp". 1, or 0 when it does not
// fit capacity units.
int FormatTempPath(PathChar* out, std::size_t capacity, const PathChar* path, std::uint32_t process,
                   int attempt);

// ReplaceOutputFile's work on a path whose folders exist, one step at a time.
int ReplaceFileBySteps(const PathChar* path, const ByteRange* ranges, std::size_t count,
                       const ReplaceSteps& steps);

#endif  // SAVETITLE_FS_FS_RULES_H_
