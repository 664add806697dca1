// The file services the tool needs beyond plain reading, the same on every platform:
// the executable's own folder, existence tests with wildcards, joining paths, replacing
// a file whole, and the few queries made of save files. Windows implements them over the
// wide Win32 file services, POSIX over the nearest calls.
#ifndef SAVETITLE_FS_FS_H_
#define SAVETITLE_FS_FS_H_

#include <climits>
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
using PathChar = wchar_t;  // UTF-16: every name Windows accepts, whatever the code page
inline constexpr std::size_t kPathBufferSize = 260;  // MAX_PATH: 259 units of text and a zero
inline constexpr PathChar kPathSeparator = L'\\';
#else
using PathChar = char;                                    // the path's bytes, unchanged
inline constexpr std::size_t kPathBufferSize = PATH_MAX;  // room for the longest path and a zero
inline constexpr PathChar kPathSeparator = '/';
#endif

// How looking for a folder ended.
enum class FolderStatus {
  kFound,
  kUnknown,  // the folder cannot be had, or names no folder
  kTooLong,  // the folder exists but its path does not fit kPathBufferSize units
};

// Writes the running executable's folder, without a trailing separator, into out
// (kPathBufferSize units). kUnknown when the executable's path cannot be had or holds no
// separator; out is then left as it was, as it is for kTooLong.
FolderStatus GetExecutableDirectory(PathChar* out);

// Writes the folder that given names (relative to the current folder, or absolute) into
// out (kPathBufferSize units), absolute and without a trailing separator; the root of a
// POSIX file system becomes the empty text, a drive's root "C:". kUnknown when given
// names no folder; out is then left as it was, as it is for kTooLong.
FolderStatus ResolveFolder(const PathChar* given, PathChar* out);

// 1 when path (relative to the current folder, or absolute) names an existing file or
// folder or, when its last component holds "?" or "*", when some entry of that folder
// matches; 0 otherwise, also when the system refuses to look.
int PathExists(const PathChar* path);

// Writes folder, a separator and name into out (capacity units). name is ASCII, and each
// "/" in it becomes the platform's separator. Returns 1, or 0 when the result does not
// fit (out then holds the empty text).
int JoinPath(PathChar* out, std::size_t capacity, const PathChar* folder, const char* name);

// A run of bytes to write.
struct ByteRange {
  const void* bytes;
  std::uint64_t size;
};

// Replaces the file at path by one holding the ranges one after another, creating its
// missing folders first. The new bytes go to a new file beside it, which reaches the
// disk before it takes path's place in one step: at every moment, a crash included, path
// holds the old bytes or the new ones. A link at path is replaced, never written
// through. Returns 1, or 0 when anything fails; then path is as it was, and nothing of
// the attempt is left. A folder, device, FIFO or socket at path, or a file the user may
// not write, fails without anything being written.
int ReplaceOutputFile(const PathChar* path, const ByteRange* ranges, std::size_t count);

// Creates the folder that holds the file at path, with every missing folder above it.
// Returns nonzero when the last attempt created the file's folder, 0 otherwise (also
// when it already existed, and for paths too long for the folder buffer).
int CreateParentDirectories(const PathChar* path);

// An open file. kInvalidFileHandle marks a failed open; WriteAtPosition refuses a zero
// handle too.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidFileHandle = -1;

// Where WriteAtPosition starts: the file's start, the current position, or its end.
enum class MoveMethod { kBegin = 0, kCurrent = 1, kEnd = 2 };

// Windows: a path of more than this many UTF-16 units gets the "\\?\" prefix.
inline constexpr std::size_t kLongPathThreshold = 200;

// The largest number of bytes handed to the system in one write.
inline constexpr std::uint64_t kWriteChunkSize = 524288000;  // 500 MiB

// Moves the file position by 0 from move_method's origin, then writes length bytes of
// buffer there in chunks of at most kWriteChunkSize. Returns 1 when every byte was
// written, 0 for an invalid or zero handle (then nothing is touched) or a failed write.
int WriteAtPosition(const void* buffer, FileHandle handle, std::uint64_t length,
                    MoveMethod move_method);

// The queries made of save files.

// Stores the size of the file at path in *size and returns 1; returns 0 and leaves
// *size alone when it cannot be opened for the query or names a folder.
int QueryFileSize(const PathChar* path, std::uint64_t* size);

// Reads up to size bytes from the start of the file at path into buffer and returns how
// many arrived; 0 when it cannot be opened for reading.
std::uint32_t ReadFileStart(const PathChar* path, char* buffer, std::uint32_t size);

// The calendar date, in local time, of the file's last write.
struct FileDate {
  int year;   // 1601 to 30827, the years both platforms can express
  int month;  // 1 to 12
  int day;    // 1 to 31
};

// Stores the local date of the last write to the file at path and returns 1; returns 0
// and leaves *date alone when the time cannot be read, or falls outside those years.
int QueryLastWriteDate(const PathChar* path, FileDate* date);

#endif  // SAVETITLE_FS_FS_H_
