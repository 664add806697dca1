#include "fs/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "fs/fs_rules.h"

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace {

// Where the running executable's path goes: twice PATH_MAX, so that a path the tool
// cannot work with is told apart from one it cannot read.
constexpr std::size_t kExecutablePathUnits = 2 * kPathBufferSize;

// The running executable's path into buffer (capacity bytes). kTooLong when it does not
// fit, kUnknown when the system does not tell.
FolderStatus ReadExecutablePath(char* buffer, std::size_t capacity) {
#if defined(__APPLE__)
  auto size = static_cast<std::uint32_t>(capacity);
  return _NSGetExecutablePath(buffer, &size) == 0 ? FolderStatus::kFound : FolderStatus::kTooLong;
#else
  ssize_t length = readlink("/proc/self/exe", buffer, capacity);
  if (length < 0) {
    return errno == ENAMETOOLONG ? FolderStatus::kTooLong : FolderStatus::kUnknown;
  }
  if (length == 0) {
    return FolderStatus::kUnknown;
  }
  if (static_cast<std::size_t>(length) >= capacity) {
    return FolderStatus::kTooLong;  // cut short: it would name the wrong folder
  }
  buffer[length] = '\0';
  return FolderStatus::kFound;
#endif
}

bool HasWildcard(const char* text) {
  return std::strpbrk(text, "?*") != nullptr;
}

// Opens the folder named by the first length bytes of path (the root when there are
// none), however long: a part shorter than PATH_MAX at a time, each relative to the one
// before. -1 when it cannot.
int OpenFolderAnyLength(const char* path, std::size_t length) {
  if (length == 0) {
    return open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  char part[kPathBufferSize];
  int at = AT_FDCWD;
  std::size_t start = 0;
  while (start < length) {
    std::size_t take = length - start;
    if (take >= sizeof(part)) {
      // The longest leading run of whole names that fits.
      take = sizeof(part) - 1;
      while (take > 0 && path[start + take] != '/') {
        --take;
      }
    }
    std::memcpy(part, path + start, take);
    part[take] = '\0';
    int fd = take == 0 ? -1 : openat(at, part, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (at != AT_FDCWD) {
      close(at);
    }
    if (fd < 0) {
      return -1;
    }
    at = fd;
    start += take + 1;  // past the separator
  }
  return at;
}

// Whether any entry of the folder open as fd, dot entries excepted, matches pattern.
// Closes fd.
bool FolderHasMatch(int fd, const char* pattern) {
  DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
  if (dir == nullptr) {
    if (fd >= 0) {
      close(fd);
    }
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

// A path's folder, open, and its last component. The calls of a replacement name files
// relative to the folder: a temporary name may take the path past PATH_MAX, but the
// folder's own path is shorter than the title's, which fits.
struct InFolder {
  int folder;  // AT_FDCWD for a bare name, -1 when the folder cannot be opened
  const char* name;
};

InFolder OpenFolderOf(const char* path) {
  const char* slash = std::strrchr(path, '/');
  if (slash == nullptr) {
    return {AT_FDCWD, path};
  }
  char folder[kPathBufferSize];
  auto length = static_cast<std::size_t>(slash - path);
  if (length >= sizeof(folder)) {
    return {-1, slash + 1};
  }
  std::memcpy(folder, path, length);
  folder[length] = '\0';
  const char* opened = length == 0 ? "/" : folder;
  return {open(opened, O_RDONLY | O_DIRECTORY | O_CLOEXEC), slash + 1};
}

void CloseFolder(const InFolder& in) {
  if (in.folder >= 0) {
    close(in.folder);
  }
}

TargetKind InspectTarget(const char* path) {
  InFolder in = OpenFolderOf(path);
  if (in.folder == -1) {
    return TargetKind::kOther;
  }
  struct stat info;
  TargetKind kind = TargetKind::kOther;
  if (fstatat(in.folder, in.name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
    kind = errno == ENOENT ? TargetKind::kNothing : TargetKind::kOther;
  } else if (S_ISLNK(info.st_mode)) {
    kind = TargetKind::kLink;
  } else if (S_ISREG(info.st_mode)) {
    // The permission the old in-place write needed: a rename must not get round it.
    bool writable = faccessat(in.folder, in.name, W_OK, AT_EACCESS) == 0;
    kind = writable ? TargetKind::kFile : TargetKind::kReadOnlyFile;
  }
  CloseFolder(in);
  return kind;
}

FileHandle CreateNewFile(const char* path, bool* taken) {
  InFolder in = OpenFolderOf(path);
  if (in.folder == -1) {
    return kInvalidFileHandle;
  }
  int fd = openat(in.folder, in.name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  *taken = fd < 0 && errno == EEXIST;
  CloseFolder(in);
  fd = AvoidStandardDescriptors(fd);
  return fd < 0 ? kInvalidFileHandle : fd;
}

int WriteRange(FileHandle handle, const void* bytes, std::uint64_t size) {
  return WriteAtPosition(bytes, handle, size, MoveMethod::kCurrent);
}

int FlushNewFile(FileHandle handle, const char* replaced) {
  // A title file the game or the player made keeps its permissions and, where the
  // system lets us, its owner: run as root, the tool must not leave a file the game
  // can no longer rewrite.
  InFolder in = OpenFolderOf(replaced);
  struct stat info;
  if (in.folder != -1 && fstatat(in.folder, in.name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISREG(info.st_mode)) {
    int fd = static_cast<int>(handle);
    if (fchown(fd, info.st_uid, info.st_gid) != 0) {
      // Only root may give a file away; the new file then stays the runner's.
    }
    fchmod(fd, info.st_mode & 0777);
  }
  CloseFolder(in);
  return fsync(static_cast<int>(handle)) == 0 ? 1 : 0;
}

int CloseFile(FileHandle handle) {
  return close(static_cast<int>(handle)) == 0 ? 1 : 0;
}

int RenameFile(const char* from, const char* to) {
  InFolder source = OpenFolderOf(from);
  InFolder target = OpenFolderOf(to);
  int renamed = source.folder != -1 && target.folder != -1 &&
                renameat(source.folder, source.name, target.folder, target.name) == 0;
  CloseFolder(source);
  CloseFolder(target);
  return renamed;
}

int RemoveFile(const char* path) {
  InFolder in = OpenFolderOf(path);
  int removed = in.folder != -1 && unlinkat(in.folder, in.name, 0) == 0;
  CloseFolder(in);
  return removed;
}

int FlushFolder(const char* path) {
  InFolder in = OpenFolderOf(path);
  int fd = in.folder == AT_FDCWD ? open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : in.folder;
  int flushed = fd >= 0 && fsync(fd) == 0;
  if (fd >= 0 && fd != in.folder) {
    close(fd);
  }
  CloseFolder(in);
  return flushed;
}

constexpr ReplaceSteps kSteps = {InspectTarget, CreateNewFile, WriteRange, FlushNewFile,
                                 CloseFile,     RenameFile,    RemoveFile, FlushFolder};

}  // namespace

const ReplaceSteps& PlatformReplaceSteps() {
  return kSteps;
}

std::uint32_t CurrentProcessNumber() {
  return static_cast<std::uint32_t>(getpid());
}

FolderStatus GetExecutableDirectory(PathChar* out) {
  char path[kExecutablePathUnits] = {};
  FolderStatus status = ReadExecutablePath(path, sizeof(path));
  if (status != FolderStatus::kFound) {
    return status;
  }
  if (!CutAtLastSeparator(path, "/")) {
    return FolderStatus::kUnknown;
  }
  std::size_t length = std::strlen(path);
  if (length >= kPathBufferSize) {
    return FolderStatus::kTooLong;
  }
  std::memcpy(out, path, length + 1);
  return FolderStatus::kFound;
}

FolderStatus ResolveFolder(const PathChar* given, PathChar* out) {
  char resolved[PATH_MAX];
  if (realpath(given, resolved) == nullptr) {
    return errno == ENAMETOOLONG ? FolderStatus::kTooLong : FolderStatus::kUnknown;
  }
  struct stat info;
  if (stat(resolved, &info) != 0) {
    return FolderStatus::kUnknown;
  }
  // A file stands for the folder that holds it: a save named on the command line repairs
  // its folder.
  if (!S_ISDIR(info.st_mode)) {
    CutAtLastSeparator(resolved, "/");
  }
  // The root's files are "/" and a name: the folder itself is the empty text.
  std::size_t length = std::strcmp(resolved, "/") == 0 ? 0 : std::strlen(resolved);
  std::memcpy(out, resolved, length);
  out[length] = '\0';
  return FolderStatus::kFound;
}

int PathExists(const PathChar* path) {
  // As on Windows, wildcards only work in the last component; the folder before it is
  // taken as it is, whatever bytes its name holds, and at any length, so that a folder
  // too long for the title files is found and said to be so.
  const char* slash = std::strrchr(path, '/');
  const char* last = slash == nullptr ? path : slash + 1;
  if (!HasWildcard(last)) {
    struct stat info;
    return lstat(path, &info) == 0 ? 1 : 0;
  }
  int folder = slash == nullptr ? open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                : OpenFolderAnyLength(path, static_cast<std::size_t>(slash - path));
  return FolderHasMatch(folder, last) ? 1 : 0;
}

int CreateParentDirectories(const PathChar* path) {
  return CreateParentFolders(path, '/', false, MakeFolder);
}

int ReplaceOutputFile(const PathChar* path, const ByteRange* ranges, std::size_t count) {
  if (path == nullptr) {
    return 0;
  }
  CreateParentDirectories(path);
  return ReplaceFileBySteps(path, ranges, count, kSteps);
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

int QueryFileSize(const PathChar* path, std::uint64_t* size) {
  // stat, not open: a FIFO named like a save must not block the tool.
  struct stat info;
  if (stat(path, &info) != 0 || S_ISDIR(info.st_mode)) {
    return 0;
  }
  *size = static_cast<std::uint64_t>(info.st_size);
  return 1;
}

std::uint32_t ReadFileStart(const PathChar* path, char* buffer, std::uint32_t size) {
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

int QueryLastWriteDate(const PathChar* path, FileDate* date) {
  struct stat info;
  std::tm local{};
  if (stat(path, &info) != 0 || localtime_r(&info.st_mtime, &local) == nullptr ||
      !IsExpressibleYear(local.tm_year + 1900)) {
    return 0;
  }
  date->year = local.tm_year + 1900;
  date->month = local.tm_mon + 1;
  date->day = local.tm_mday;
  return 1;
}
