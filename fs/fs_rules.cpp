#include "fs/fs_rules.h"

#include <cstring>

int CutAtLastSeparator(char* path, const char* separators) {
  char* last = nullptr;
  for (char* p = path; *p != '\0'; ++p) {
    if (std::strchr(separators, *p) != nullptr) {
      last = p;  // bytes, not characters: a trail byte equal to a separator counts
    }
  }
  if (last == nullptr) {
    return 0;
  }
  *last = '\0';
  return 1;
}

bool NeedsLongPathPrefix(const PathChar* path, std::size_t units) {
  if (units <= kLongPathThreshold) {
    return false;
  }
  bool namespaced =
      path[0] == '\\' && path[1] == '\\' && (path[2] == '?' || path[2] == '.') && path[3] == '\\';
  return !namespaced;
}

bool WildcardMatch(const char* pattern, const char* name) {
  // Greedy matching with one remembered star: linear in practice, never recursive.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' || *pattern == *name) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') {
    ++pattern;
  }
  return *pattern == '\0';
}

int CreateParentFolders(const PathChar* path, PathChar separator, bool fold_forward_slashes,
                        int (*make_folder)(const PathChar* folder)) {
  if (path == nullptr) {
    return 0;
  }
  std::size_t length = 0;
  while (path[length] != 0) {
    ++length;
  }
  if (length < 2 || length >= kFolderBufferUnits) {
    return 0;
  }
  PathChar folder[kFolderBufferUnits] = {};
  PathChar* last = nullptr;
  for (std::size_t i = 0; i < length; ++i) {
    folder[i] = (fold_forward_slashes && path[i] == '/') ? separator : path[i];
    if (folder[i] == separator) {
      last = &folder[i];
    }
  }
  if (last == nullptr) {
    return 0;  // a bare file name has no folder to create
  }
  *last = 0;
  if (make_folder(folder)) {
    return 1;
  }
  // Create each leading part in turn. The first two units are never taken as separators
  // (they may be a drive or the start of "\\"); parts that exist or cannot be created,
  // such as a drive, are passed over.
  PathChar part[kFolderBufferUnits] = {};
  for (std::size_t i = 2; folder[i] != 0; ++i) {
    if (folder[i] == separator) {
      std::memcpy(part, folder, i * sizeof(PathChar));
      part[i] = 0;
      make_folder(part);
    }
  }
  return make_folder(folder);
}

int WriteInChunks(FileHandle handle, const void* buffer, std::uint64_t length,
                  std::uint64_t chunk_size, WriteSomeFunction write_some) {
  std::uint64_t offset = 0;
  while (offset < length) {
    std::uint64_t remaining = length - offset;
    auto size = static_cast<std::size_t>(remaining < chunk_size ? remaining : chunk_size);
    std::int64_t written = write_some(handle, buffer, offset, size);
    if (written <= 0) {
      return 0;
    }
    offset += static_cast<std::uint64_t>(written);
  }
  return 1;
}
