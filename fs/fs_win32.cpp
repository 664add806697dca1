#include "fs/fs.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "fs/fs_rules.h"

namespace {

HANDLE ToHandle(FileHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

FileHandle FromHandle(HANDLE handle) {
  return reinterpret_cast<FileHandle>(handle);
}

// Cuts the module path in place and copies the folder out. Under MSVC a structured
// exception guard turns a fault on an unwritable out into 0; mingw has no such guard,
// and callers there pass fixed arrays.
int CopyDirectory(char* module_path, char* out) {
#if defined(_MSC_VER)
  __try {
#endif
    if (!CutAtLastSeparator(module_path, "\\/")) {
      return 0;
    }
    std::memcpy(out, module_path, std::strlen(module_path) + 1);
    return 1;
#if defined(_MSC_VER)
  } __except (EXCEPTION_EXECUTE_HANDLER) {
    return 0;
  }
#endif
}

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

}  // namespace

int GetExecutableDirectory(char* out) {
  if (out == nullptr) {
    return 0;
  }
  // Only MAX_PATH bytes are offered; a longer path would arrive cut short and name the
  // wrong folder, so it is refused.
  char module_path[4096] = {};
  DWORD length = GetModuleFileNameA(nullptr, module_path, static_cast<DWORD>(kPathBufferSize));
  if (length == 0 || length >= kPathBufferSize) {
    return 0;
  }
  return CopyDirectory(module_path, out);
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

FileHandle CreateOutputFile(const PathChar* path) {
  if (path == nullptr) {
    return kInvalidFileHandle;
  }
  std::size_t units = std::wcslen(path);
  // Room for the four-unit prefix, the path and its zero.
  auto* work = static_cast<wchar_t*>(std::calloc(units + 5, sizeof(wchar_t)));
  if (work == nullptr) {
    return kInvalidFileHandle;
  }
  if (NeedsLongPathPrefix(path, units)) {
    std::wmemcpy(work, L"\\\\?\\", 4);
    std::wmemcpy(work + 4, path, units);
  } else {
    std::wmemcpy(work, path, units);
  }
  CreateParentDirectories(work);
  HANDLE handle =
      CreateFileW(work, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  std::free(work);
  return FromHandle(handle);
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

int CloseOutputFile(FileHandle handle) {
  return CloseHandle(ToHandle(handle)) ? 1 : 0;
}

PathChar* ConvertPathToNative(const char* path) {
  int units = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (units <= 0) {
    return nullptr;
  }
  auto* wide = static_cast<wchar_t*>(std::calloc(static_cast<std::size_t>(units), sizeof(wchar_t)));
  if (wide == nullptr) {
    return nullptr;
  }
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, units) != units) {
    std::free(wide);
    return nullptr;
  }
  return wide;
}

void ReleaseNativePath(PathChar* path) {
  std::free(path);
}

int NarrowPathExists(const char* path) {
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int QueryFileSize(const char* path, std::uint64_t* size) {
  // FILE_READ_EA is enough to ask for the size; a folder cannot be opened this way.
  HANDLE file =
      CreateFileA(path, FILE_READ_EA, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
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

std::uint32_t ReadFileStart(const char* path, char* buffer, std::uint32_t size) {
  // Shared for reading only: a save the game holds open for writing is refused.
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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

int QueryLastWriteDate(const char* path, FileDate* date) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  FILETIME local = {};
  SYSTEMTIME calendar = {};
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
      !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !FileTimeToSystemTime(&local, &calendar)) {
    return 0;
  }
  date->year = calendar.wYear;
  date->month = calendar.wMonth;
  date->day = calendar.wDay;
  return 1;
}
