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

int MakeFolder(const PathChar* folder) {
  return CreateDirectoryW(folder, nullptr) ? 1 : 0;
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

// A copy of path that the wide services take at any length: past kLongPathThreshold
// units it carries the "\\?\" prefix. Null when memory runs out; released with free.
wchar_t* CopyWithLongPathPrefix(const wchar_t* path) {
  std::size_t units = std::wcslen(path);
  // Room for the four-unit prefix, the path and its zero.
  auto* copy = static_cast<wchar_t*>(std::calloc(units + 5, sizeof(wchar_t)));
  if (copy == nullptr) {
    return nullptr;
  }
  if (NeedsLongPathPrefix(path, units)) {
    std::wmemcpy(copy, L"\\\\?\\", 4);
    std::wmemcpy(copy + 4, path, units);
  } else {
    std::wmemcpy(copy, path, units);
  }
  return copy;
}

TargetKind InspectTarget(const wchar_t* path) {
  DWORD attributes = GetFileAttributesW(path);
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
  HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
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
  return FlushFileBuffers(ToHandle(handle)) ? 1 : 0;
}

int CloseFile(FileHandle handle) {
  return CloseHandle(ToHandle(handle)) ? 1 : 0;
}

int RenameFile(const wchar_t* from, const wchar_t* to) {
  // A program that has the old file open for a moment (the game, a virus scanner, a
  // second run replacing it too) makes the replacement fail while it does: try again for
  // about a second. Write-through: the call returns once the folder entry is on the disk.
  constexpr int kAttempts = 20;
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return 1;
    }
    DWORD error = GetLastError();
    bool busy = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                error == ERROR_LOCK_VIOLATION;
    if (!busy || attempt == kAttempts) {
      return 0;
    }
    Sleep(50);
  }
}

int RemoveFile(const wchar_t* path) {
  return DeleteFileW(path) ? 1 : 0;
}

int FlushFolder(const wchar_t*) {
  return 1;  // the write-through rename already did
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
  wchar_t* checked = CopyWithLongPathPrefix(full);
  DWORD attributes = checked != nullptr ? GetFileAttributesW(checked) : INVALID_FILE_ATTRIBUTES;
  std::free(checked);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return FolderStatus::kUnknown;
  }
  // "C:\" becomes "C:", the form the tool's paths are built from.
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
  if (std::wcschr(path, L'?') == nullptr && std::wcschr(path, L'*') == nullptr) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
  }
  WIN32_FIND_DATAW found = {};
  HANDLE search = FindFirstFileW(path, &found);
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
  wchar_t* work = CopyWithLongPathPrefix(path);
  if (work == nullptr) {
    return 0;
  }
  CreateParentDirectories(work);
  int replaced = ReplaceFileBySteps(work, ranges, count, kSteps);
  std::free(work);
  return replaced;
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
  // FILE_READ_EA is enough to ask for the size; a folder cannot be opened this way.
  HANDLE file =
      CreateFileW(path, FILE_READ_EA, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
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
  // Shared for reading only: a save the game holds open for writing is refused.
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return 0;
  }
  DWORD got = 0;
  if (!ReadFile(file, buffer, size, &got, nullptr)) {
    got = 0;
  }
  CloseHandle(file);
  return got;
}

int QueryLastWriteDate(const PathChar* path, FileDate* date) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  SYSTEMTIME universal = {};
  SYSTEMTIME calendar = {};
  // Local time by the daylight-saving rules in force on the file's date, as POSIX
  // localtime does; FileTimeToLocalFileTime would apply today's offset instead.
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data) ||
      !FileTimeToSystemTime(&data.ftLastWriteTime, &universal) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &calendar) ||
      !IsExpressibleYear(calendar.wYear)) {
    return 0;
  }
  date->year = calendar.wYear;
  date->month = calendar.wMonth;
  date->day = calendar.wDay;
  return 1;
}
