// The file services the tool needs beyond plain reading, the same on every platform:
// the executable's own folder, existence tests with wildcards, creating an output file
// with its missing folders, positioned writes, and the few queries made of save files.
// Windows implements them over the Win32 file services, POSIX over the nearest calls.
#ifndef SAVETITLE_FS_FS_H_
#define SAVETITLE_FS_FS_H_

#include <climits>
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
using PathChar = wchar_t;                            // UTF-16, for the wide Win32 services
inline constexpr std::size_t kPathBufferSize = 260;  // MAX_PATH: 259 bytes of text and a zero
inline constexpr char kPathSeparator = '\\';
#else
using PathChar = char;                                    // the path's bytes, unchanged
inline constexpr std::size_t kPathBufferSize = PATH_MAX;  // room for the longest path and a zero
inline constexpr char kPathSeparator = '/';
#endif

// An open file. kInvalidFileHandle marks a failed open; WriteAtPosition refuses a zero
// handle too.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidFileHandle = -1;

// Where WriteAtPosition starts: the file's start, the current position, or its end.
enum class MoveMethod { kBegin = 0, kCurrent = 1, kEnd = 2 };

// Windows: an output path of more than this many UTF-16 units gets the "\\?\" prefix.
inline constexpr std::size_t kLongPathThreshold = 200;

// The largest number of bytes handed to the system in one write.
inline constexpr std::uint64_t kWriteChunkSize = 524288000;  // 500 MiB

// Writes the running executable's folder, without a trailing separator, into out
// (kPathBufferSize bytes) and returns 1. Returns 0, leaving out as it was, when out is
// null, the executable's path is unknown, holds no separator, or did not fit the buffer.
int GetExecutableDirectory(char* out);

// 1 when path (relative to the current folder, or absolute) names an existing file or
// folder or, when its last component holds "?" or "*", when some entry of that folder
// matches; 0 otherwise, also when the system refuses to look.
int PathExists(const PathChar* path);

// Creates the file at path, or empties an existing one, for reading and writing, after
// creating its missing folders. Returns the handle, which the caller closes with
// CloseOutputFile, or kInvalidFileHandle on any failure (null path included).
FileHandle CreateOutputFile(const PathChar* path);

// Creates the folder that holds the file at path, with every missing folder above it.
// Returns nonzero when the last attempt created the file's folder, 0 otherwise (also
// when it already existed, and for paths too long for the folder buffer).
int CreateParentDirectories(const PathChar* path);

// Moves the file position by 0 from move_method's origin, then writes length bytes of
// buffer there in chunks of at most kWriteChunkSize. Returns 1 when every byte was
// written, 0 for an invalid or zero handle (then nothing is touched) or a failed write.
int WriteAtPosition(const void* buffer, FileHandle handle, std::uint64_t length,
                    MoveMethod move_method);

// Closes a handle from CreateOutputFile; returns 0 when the system reports a failure
// (for example one of writing back data), 1 otherwise.
int CloseOutputFile(FileHandle handle);

// A copy of a narrow path (the system's ANSI code page on Windows, bytes on POSIX) in
// the form CreateOutputFile and PathExists take, or null when it cannot be converted or
// allocated. Released with ReleaseNativePath.
PathChar* ConvertPathToNative(const char* path);
void ReleaseNativePath(PathChar* path);

// The queries made of save files, all on narrow paths.

// 1 when something (file or folder) exists at path, 0 otherwise.
int NarrowPathExists(const char* path);

// Stores the size of the file at path in *size and returns 1; returns 0 and leaves
// *size alone when it cannot be opened for the query or names a folder.
int QueryFileSize(const char* path, std::uint64_t* size);

// Reads up to size bytes from the start of the file at path into buffer and returns how
// many arrived; 0 when it cannot be opened for reading.
std::uint32_t ReadFileStart(const char* path, char* buffer, std::uint32_t size);

// The calendar date, in local time, of the file's last write.
struct FileDate {
  int year;
  int month;  // 1 to 12
  int day;    // 1 to 31
};

// Stores the local date of the last write to the file at path and returns 1; returns 0
// and leaves *date alone when the time cannot be read or converted.
int QueryLastWriteDate(const char* path, FileDate* date);

#endif  // SAVETITLE_FS_FS_H_
