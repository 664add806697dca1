#include "fs/fs_rules.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

namespace {

std::size_t Length(const PathChar* text) {
  return std::char_traits<PathChar>::length(text);
}

bool IsOneOf(PathChar unit, const PathChar* set) {
  for (; *set != 0; ++set) {
    if (*set == unit) {
      return true;
    }
  }
  return false;
}

}  // namespace

int CutAtLastSeparator(PathChar* path, const PathChar* separators) {
  PathChar* last = nullptr;
  for (PathChar* p = path; *p != 0; ++p) {
    if (IsOneOf(*p, separators)) {
      last = p;
    }
  }
  if (last == nullptr) {
    return 0;
  }
  *last = 0;
  return 1;
}

int JoinPath(PathChar* out, std::size_t capacity, const PathChar* folder, const char* name) {
  std::size_t folder_length = Length(folder);
  std::size_t name_length = std::strlen(name);
  if (folder_length + 1 + name_length >= capacity) {
    if (capacity > 0) {
      out[0] = 0;
    }
    return 0;
  }
  std::memcpy(out, folder, folder_length * sizeof(PathChar));
  PathChar* next = out + folder_length;
  *next++ = kPathSeparator;
  for (std::size_t i = 0; i < name_length; ++i) {
    *next++ = name[i] == '/' ? kPathSeparator : static_cast<PathChar>(name[i]);
  }
  *next = 0;
  return 1;
}

bool IsExpressibleYear(int year) {
  // Windows' calendar runs from 1601 to 30827; a date outside it is one it cannot write.
  return year >= 1601 && year <= 30827;
}

int LongPathForm(const PathChar* full, PathChar* out, std::size_t capacity) {
  std::size_t units = Length(full);
  auto starts_with = [full](const char* ascii) {
    for (std::size_t i = 0; ascii[i] != '\0'; ++i) {
      if (full[i] != static_cast<PathChar>(ascii[i])) {
        return false;
      }
    }
    return true;
  };
  const char* prefix = "";
  std::size_t skipped = 0;
  if (units > kLongPathThreshold && !starts_with("\\\\?\\") && !starts_with("\\??\\")) {
    if (starts_with("\\\\.\\")) {
      // A device path is still held to MAX_PATH; once normalised, as full is, "\\?\" names
      // the same thing without that check.
      prefix = "\\\\?\\";
      skipped = 4;
    } else if (starts_with("\\\\")) {
      // A network path keeps its server and share behind "UNC", without its own "\\".
      prefix = "\\\\?\\UNC\\";
      skipped = 2;
    } else {
      prefix = "\\\\?\\";
    }
  }
  std::size_t prefix_units = std::strlen(prefix);
  if (prefix_units + units - skipped >= capacity) {
    return 0;
  }
  for (std::size_t i = 0; i < prefix_units; ++i) {
    out[i] = static_cast<PathChar>(prefix[i]);
  }
  std::memcpy(out + prefix_units, full + skipped, (units - skipped + 1) * sizeof(PathChar));
  return 1;
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

int FormatTempPath(PathChar* out, std::size_t capacity, const PathChar* path, std::uint32_t process,
                   int attempt) {
  char suffix[kTempSuffixUnits];
  std::snprintf(suffix, sizeof(suffix), ".%lu-%d.tmp", static_cast<unsigned long>(process),
                attempt);
  std::size_t length = Length(path);
  std::size_t suffix_length = std::strlen(suffix);
  if (length + suffix_length >= capacity) {
    return 0;
  }
  std::memcpy(out, path, length * sizeof(PathChar));
  for (std::size_t i = 0; i <= suffix_length; ++i) {
    out[length + i] = static_cast<PathChar>(suffix[i]);
  }
  return 1;
}

int ReplaceFileBySteps(const PathChar* path, const ByteRange* ranges, std::size_t count,
                       const ReplaceSteps& steps) {
  TargetKind target = steps.inspect(path);
  if (target == TargetKind::kReadOnlyFile || target == TargetKind::kOther) {
    return 0;
  }
  // The process number keeps two runs at once apart; a name left by an earlier crash of
  // a process with the same number is passed over.
  constexpr int kAttempts = 100;
  PathChar temp[kPathBufferSize + 4 + kTempSuffixUnits];
  FileHandle handle = kInvalidFileHandle;
  bool taken = true;
  for (int attempt = 0; handle == kInvalidFileHandle && taken && attempt < kAttempts; ++attempt) {
    taken = false;
    if (!FormatTempPath(temp, std::size(temp), path, CurrentProcessNumber(), attempt)) {
      return 0;
    }
    handle = steps.create_new(temp, &taken);
  }
  if (handle == kInvalidFileHandle) {
    return 0;
  }
  bool written = true;
  for (std::size_t i = 0; i < count && written; ++i) {
    written = steps.write(handle, ranges[i].bytes, ranges[i].size) != 0;
  }
  written = written && steps.flush(handle, path) != 0;
  written = steps.close(handle) != 0 && written;
  if (!written || !steps.rename(temp, path)) {
    steps.remove(temp);
    return 0;
  }
  // The new file is whole and in place; should the folder not reach the disk before a
  // crash, the old file comes back whole, which is just as safe.
  steps.flush_folder(path);
  return 1;
}
