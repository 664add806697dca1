#include "fs/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "fs/fs_rules.h"

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace {

// The running executable's path into buffer (capacity bytes); false when it is unknown
// or would not fit.
bool ReadExecutablePath(char* buffer, std::size_t capacity) {
#if defined(__APPLE__)
  auto size = static_cast<std::uint32_t>(capacity);
  return _NSGetExecutablePath(buffer, &size) == 0;
#else
  ssize_t length = readlink("/proc/self/exe", buffer, capacity);
  if (length <= 0 || static_cast<std::size_t>(length) >= capacity) {
    return false;  // a cut-short path would name the wrong folder
  }
  buffer[length] = '\0';
  return true;
#endif
}

bool HasWildcard(const char* text) {
  return std::strpbrk(text, "?*") != nullptr;
}

// Whether any entry of folder, dot entries included, matches pattern.
bool FolderHasMatch(const char* folder, const char* pattern) {
  DIR* dir = opendir(folder);
  if (dir == nullptr) {
    return false;
  }
  bool found = false;
  while (!found) {
    dirent* entry = readdir(dir);
    if (entry == nullptr) {
      break;
    }
    const char* name = entry->d_name;
    bool self_or_parent = std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
    found = !self_or_parent && WildcardMatch(pattern, name);
  }
  closedir(dir);
  return found;
}

int MakeFolder(const char* folder) {
  return mkdir(folder, 0777) == 0 ? 1 : 0;
}

// A descriptor below 3 would be mistaken for standard input, output or error by
// anything that writes there; move it up out of the way.
int AvoidStandardDescriptors(int fd) {
  if (fd < 0 || fd > 2) {
    return fd;
  }
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
}

std::int64_t WriteSome(FileHandle handle, const void* buffer, std::uint64_t offset,
                       std::size_t size) {
  const char* start = static_cast<const char*>(buffer) + offset;
  for (;;) {
    ssize_t written = write(static_cast<int>(handle), start, size);
    if (written >= 0 || errno != EINTR) {
      return written;
    }
  }
}

// Opens path for reading only if it is a regular file: a folder, a FIFO or a device
// named like a save is refused rather than waited on.
int OpenRegularFile(const char* path) {
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    return -1;
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

int GetExecutableDirectory(char* out) {
  if (out == nullptr) {
    return 0;
  }
  char path[kPathBufferSize] = {};
  if (!ReadExecutablePath(path, sizeof(path)) || !CutAtLastSeparator(path, "/")) {
    return 0;
  }
  std::memcpy(out, path, std::strlen(path) + 1);
  return 1;
}

int PathExists(const PathChar* path) {
  if (!HasWildcard(path)) {
    return NarrowPathExists(path);  // POSIX paths are the narrow bytes already
  }
  const char* slash = std::strrchr(path, '/');
  if (slash == nullptr) {
    return FolderHasMatch(".", path) ? 1 : 0;
  }
  std::size_t folder_length = static_cast<std::size_t>(slash - path);
  char folder[kPathBufferSize];
  if (folder_length + 1 >= sizeof(folder)) {
    return 0;
  }
  std::memcpy(folder, path, folder_length);
  folder[folder_length] = '\0';
  if (folder_length == 0) {
    folder[0] = '/';
    folder[1] = '\0';
  }
  // As on Windows, wildcards only work in the last component.
  if (HasWildcard(folder)) {
    return 0;
  }
  return FolderHasMatch(folder, slash + 1) ? 1 : 0;
}

int CreateParentDirectories(const PathChar* path) {
  return CreateParentFolders(path, '/', false, MakeFolder);
}

FileHandle CreateOutputFile(const PathChar* path) {
  if (path == nullptr) {
    return kInvalidFileHandle;
  }
  CreateParentDirectories(path);
  int fd = AvoidStandardDescriptors(open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  return fd < 0 ? kInvalidFileHandle : fd;
}

int WriteAtPositionInChunks(const void* buffer, FileHandle handle, std::uint64_t length,
                            MoveMethod move_method, std::uint64_t chunk_size) {
  if (handle == 0 || handle == kInvalidFileHandle) {
    return 0;
  }
  int whence = move_method == MoveMethod::kBegin ? SEEK_SET
               : move_method == MoveMethod::kEnd ? SEEK_END
                                                 : SEEK_CUR;
  lseek(static_cast<int>(handle), 0, whence);
  return WriteInChunks(handle, buffer, length, chunk_size, WriteSome);
}

int WriteAtPosition(const void* buffer, FileHandle handle, std::uint64_t length,
                    MoveMethod move_method) {
  return WriteAtPositionInChunks(buffer, handle, length, move_method, kWriteChunkSize);
}

int CloseOutputFile(FileHandle handle) {
  return close(static_cast<int>(handle)) == 0 ? 1 : 0;
}

PathChar* ConvertPathToNative(const char* path) {
  std::size_t size = std::strlen(path) + 1;
  auto* copy = static_cast<char*>(std::malloc(size));
  if (copy != nullptr) {
    std::memcpy(copy, path, size);
  }
  return copy;
}

void ReleaseNativePath(PathChar* path) {
  std::free(path);
}

int NarrowPathExists(const char* path) {
  struct stat info;
  return lstat(path, &info) == 0 ? 1 : 0;
}

int QueryFileSize(const char* path, std::uint64_t* size) {
  // stat, not open: a FIFO named like a save must not block the tool.
  struct stat info;
  if (stat(path, &info) != 0 || S_ISDIR(info.st_mode)) {
    return 0;
  }
  *size = static_cast<std::uint64_t>(info.st_size);
  return 1;
}

std::uint32_t ReadFileStart(const char* path, char* buffer, std::uint32_t size) {
  int fd = OpenRegularFile(path);
  if (fd < 0) {
    return 0;
  }
  std::uint32_t total = 0;
  while (total < size) {
    ssize_t got = read(fd, buffer + total, size - total);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    total += static_cast<std::uint32_t>(got);
  }
  close(fd);
  return total;
}

int QueryLastWriteDate(const char* path, FileDate* date) {
  struct stat info;
  std::tm local{};
  if (stat(path, &info) != 0 || localtime_r(&info.st_mtime, &local) == nullptr) {
    return 0;
  }
  date->year = local.tm_year + 1900;
  date->month = local.tm_mon + 1;
  date->day = local.tm_mday;
  return 1;
}
