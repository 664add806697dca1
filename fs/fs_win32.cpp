#include "fs/fs.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "fs/fs_rules.h"

namespace {

HANDLE ToHandle(FileHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

FileHandle FromHandle(HANDLE handle) {
  return reinterpret_cast<FileHandle>(handle);
}

// The longest path the wide services take, and so the longest module path.
constexpr DWORD kLongestPathUnits = 32768;

// A path as the wide file services take it at any length. Past kLongPathThreshold units it
// is made absolute, since the long-path form turns off the system's own handling of "..",
// "." and "/", and then given that form; the exe is not long-path aware, so without it
// every call past MAX_PATH would fail. Holds the empty path, which every service refuses,
// when memory runs out.
class SystemPath {
 public:
  explicit SystemPath(const wchar_t* path) {
    wchar_t* full = nullptr;
    if (std::wcslen(path) > kLongPathThreshold) {
      DWORD needed = GetFullPathNameW(path, 0, nullptr, nullptr);
      full = static_cast<wchar_t*>(std::calloc(needed + 1, sizeof(wchar_t)));
      if (needed == 0 || full == nullptr ||
          GetFullPathNameW(path, needed, full, nullptr) >= needed) {
        std::free(full);
        return;
      }
      path = full;
    }
    std::size_t capacity = std::wcslen(path) + kLongPathFormExtraUnits + 1;
    units_ = static_cast<wchar_t*>(std::calloc(capacity, sizeof(wchar_t)));
    if (units_ != nullptr && !LongPathForm(path, units_, capacity)) {
      std::free(units_);
      units_ = nullptr;
    }
    std::free(full);
  }
  ~SystemPath() { std::free(units_); }
  SystemPath(const SystemPath&) = delete;
  SystemPath& operator=(const SystemPath&) = delete;

  const wchar_t* get() const { return units_ != nullptr ? units_ : L""; }

 private:
  wchar_t* units_ = nullptr;
};

int MakeFolder(const PathChar* folder) {
  return CreateDirectoryW(SystemPath(folder).get(), nullptr) ? 1 : 0;
}

std::int64_t WriteSome(FileHandle handle, const void* buffer, std::uint64_t offset,
                       std::size_t size) {
  DWORD written = 0;
  const char* start = static_cast<const char*>(buffer) + offset;
  if (!WriteFile(ToHandle(handle), start, static_cast<DWORD>(size), &written, nullptr)) {
    return -1;
  }
  return written;
}

// Calls attempt, which returns whether it succeeded and leaves the system's error code
// when not, until it succeeds, fails for a reason other than the file being held by
// another program, or about total_ms have passed, waiting 50 ms and then twice as long each
// time, up to half a second.
template <typename Attempt>
bool RetryWhileHeld(Attempt attempt, bool access_denied_is_held, DWORD total_ms) {
  DWORD waited = 0;
  for (DWORD wait = 50;; wait = wait < 250 ? 2 * wait : 500) {
    if (attempt()) {
      return true;
    }
    DWORD error = GetLastError();
    bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                (access_denied_is_held && error == ERROR_ACCESS_DENIED);
    if (!held || waited >= total_ms) {
      return false;
    }
    Sleep(wait);
    waited += wait;
  }
}

TargetKind InspectTarget(const wchar_t* path) {
  SystemPath system_path(path);
  DWORD attributes = GetFileAttributesW(system_path.get());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return missing ? TargetKind::kNothing : TargetKind::kOther;
  }
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) {
    return TargetKind::kOther;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return TargetKind::kLink;
  }
  // The attribute the old in-place write was refused for: a rename must not get round it.
  return (attributes & FILE_ATTRIBUTE_READONLY) ? TargetKind::kReadOnlyFile : TargetKind::kFile;
}

FileHandle CreateNewFile(const wchar_t* path, bool* taken) {
  SystemPath system_path(path);
  HANDLE file = CreateFileW(system_path.get(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD error = GetLastError();
  *taken =
      file == INVALID_HANDLE_VALUE && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS);
  return FromHandle(file);
}

int WriteRange(FileHandle handle, const void* bytes, std::uint64_t size) {
  return WriteAtPosition(bytes, handle, size, MoveMethod::kCurrent);
}

int FlushNewFile(FileHandle handle, const wchar_t*) {
  if (FlushFileBuffers(ToHandle(handle))) {
    return 1;
  }
  // Some network and virtual file systems have no flush to offer. Their files are as
  // durable as they make them; refusing them would leave such a player no title at all.
  DWORD error = GetLastError();
  return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ? 1 : 0;
}

int CloseFile(FileHandle handle) {
  return CloseHandle(ToHandle(handle)) ? 1 : 0;
}

int RenameFile(const wchar_t* from, const wchar_t* to) {
  // A program that has the old file open (the game, a second run replacing it too, or a
  // virus scanner, which may look at a new file for some seconds) makes the replacement
  // fail while it does: try again for about five seconds. Write-through: the call returns
  // once the folder entry is on the disk.
  SystemPath system_from(from);
  SystemPath system_to(to);
  auto rename = [&] {
    return MoveFileExW(system_from.get(), system_to.get(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  };
  return RetryWhileHeld(rename, true, 5000) ? 1 : 0;
}

int RemoveFile(const wchar_t* path) {
  return DeleteFileW(SystemPath(path).get()) ? 1 : 0;
}

int FlushFolder(const wchar_t*) {
  return 1;  // the write-through rename already did
}

// The local time of a UTC time by the daylight-saving rules of its own year, as POSIX's
// localtime gives it: without a zone, SystemTimeToTzSpecificLocalTime applies this year's
// rules to every year. Today's rules only where the year's cannot be had.
bool ToLocalTime(const SYSTEMTIME& universal, SYSTEMTIME* local) {
  // Where the player turned off the automatic adjustment for daylight saving time,
  // Windows keeps to fixed settings, and so does the tool.
  DYNAMIC_TIME_ZONE_INFORMATION current = {};
  bool by_year = GetDynamicTimeZoneInformation(&current) != TIME_ZONE_ID_INVALID &&
                 !current.DynamicDaylightTimeDisabled;
  TIME_ZONE_INFORMATION zone = {};
  WORD year = universal.wYear;
  for (int attempt = 0; by_year && attempt < 2; ++attempt) {
    if (!GetTimeZoneInformationForYear(year, &current, &zone) ||
        !SystemTimeToTzSpecificLocalTime(&zone, &universal, local)) {
      break;
    }
    if (local->wYear == year) {
      return true;
    }
    year = local->wYear;  // around New Year: the rules of the local date's year
  }
  return SystemTimeToTzSpecificLocalTime(nullptr, &universal, local) != 0;
}

// Cuts the name from full, a file's full path, leaving its folder with a trailing
// separator ("C:\", since "C:" alone is the drive's current folder), and tells whether that
// is a folder: GetFullPathNameW turns a device's name, such as CON, into "\\.\CON", and
// "\\.\" is none.
bool CutToFolder(wchar_t* full) {
  if (!CutAtLastSeparator(full, L"\\/")) {
    return false;
  }
  std::size_t length = std::wcslen(full);
  full[length] = L'\\';
  full[length + 1] = 0;
  DWORD attributes = GetFileAttributesW(SystemPath(full).get());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

constexpr ReplaceSteps kSteps = {InspectTarget, CreateNewFile, WriteRange, FlushNewFile,
                                 CloseFile,     RenameFile,    RemoveFile, FlushFolder};

}  // namespace

const ReplaceSteps& PlatformReplaceSteps() {
  return kSteps;
}

std::uint32_t CurrentProcessNumber() {
  return static_cast<std::uint32_t>(GetCurrentProcessId());
}

FolderStatus GetExecutableDirectory(PathChar* out) {
  // Asked with room for the longest path there is, so that a folder too long for the
  // tool is told apart from one that cannot be had.
  static wchar_t module_path[kLongestPathUnits];
  DWORD length = GetModuleFileNameW(nullptr, module_path, kLongestPathUnits);
  if (length == 0 || length >= kLongestPathUnits || !CutAtLastSeparator(module_path, L"\\/")) {
    return FolderStatus::kUnknown;
  }
  std::size_t units = std::wcslen(module_path);
  if (units >= kPathBufferSize) {
    return FolderStatus::kTooLong;
  }
  std::wmemcpy(out, module_path, units + 1);
  return FolderStatus::kFound;
}

FolderStatus ResolveFolder(const PathChar* given, PathChar* out) {
  static wchar_t full[kLongestPathUnits];
  DWORD length = GetFullPathNameW(given, kLongestPathUnits, full, nullptr);
  if (length == 0 || length >= kLongestPathUnits) {
    return FolderStatus::kUnknown;
  }
  DWORD attributes = GetFileAttributesW(SystemPath(full).get());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return FolderStatus::kUnknown;
  }
  // A file stands for the folder that holds it: a save dropped on the exe repairs its folder.
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && !CutToFolder(full)) {
    return FolderStatus::kUnknown;
  }
  // "C:\" becomes "C:", the form the tool's paths are built from.
  length = static_cast<DWORD>(std::wcslen(full));
  while (length > 0 && (full[length - 1] == L'\\' || full[length - 1] == L'/')) {
    full[--length] = 0;
  }
  if (length >= kPathBufferSize) {
    return FolderStatus::kTooLong;
  }
  std::wmemcpy(out, full, length + 1);
  return FolderStatus::kFound;
}

int PathExists(const PathChar* path) {
  SystemPath system_path(path);
  if (std::wcschr(path, L'?') == nullptr && std::wcschr(path, L'*') == nullptr) {
    return GetFileAttributesW(system_path.get()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
  }
  WIN32_FIND_DATAW found = {};
  HANDLE search = FindFirstFileW(system_path.get(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return 0;
  }
  FindClose(search);
  return 1;
}

int CreateParentDirectories(const PathChar* path) {
  return CreateParentFolders(path, L'\\', true, MakeFolder);
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
  LARGE_INTEGER distance = {};
  SetFilePointerEx(ToHandle(handle), distance, nullptr, static_cast<DWORD>(move_method));
  return WriteInChunks(handle, buffer, length, chunk_size, WriteSome);
}

int WriteAtPosition(const void* buffer, FileHandle handle, std::uint64_t length,
                    MoveMethod move_method) {
  return WriteAtPositionInChunks(buffer, handle, length, move_method, kWriteChunkSize);
}

int QueryFileSize(const PathChar* path, std::uint64_t* size) {
  // Attributes are all the size needs, and are granted where extended attributes may not
  // be (some network shares and older file systems); a folder cannot be opened this way.
  HANDLE file = CreateFileW(SystemPath(path).get(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return 0;
  }
  LARGE_INTEGER result = {};
  BOOL ok = GetFileSizeEx(file, &result);
  CloseHandle(file);
  if (!ok) {
    return 0;
  }
  *size = static_cast<std::uint64_t>(result.QuadPart);
  return 1;
}

std::uint32_t ReadFileStart(const PathChar* path, char* buffer, std::uint32_t size) {
  // Shared for reading only: a save that another program is writing is not read half
  // written. Such a write takes a moment, so the tool waits up to two seconds for it
  // before it calls the save incomplete.
  SystemPath system_path(path);
  HANDLE file = INVALID_HANDLE_VALUE;
  auto open = [&] {
    file = CreateFileW(system_path.get(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE;
  };
  if (!RetryWhileHeld(open, false, 2000)) {
    return 0;
  }
  // In pieces until all is there or the file ends: a network share may refuse one very
  // large read, or give less than was asked.
  constexpr std::uint32_t kPiece = 16 << 20;
  std::uint32_t total = 0;
  DWORD got = 1;
  while (total < size && got != 0) {
    std::uint32_t left = size - total;
    if (!ReadFile(file, buffer + total, left < kPiece ? left : kPiece, &got, nullptr)) {
      break;
    }
    total += got;
  }
  CloseHandle(file);
  return total;
}

int QueryLastWriteDate(const PathChar* path, FileDate* date) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  SYSTEMTIME universal = {};
  SYSTEMTIME calendar = {};
  if (!GetFileAttributesExW(SystemPath(path).get(), GetFileExInfoStandard, &data) ||
      !FileTimeToSystemTime(&data.ftLastWriteTime, &universal) ||
      !ToLocalTime(universal, &calendar) || !IsExpressibleYear(calendar.wYear)) {
    return 0;
  }
  date->year = calendar.wYear;
  date->month = calendar.wMonth;
  date->day = calendar.wDay;
  return 1;
}
