#include "fs/fs.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fs/fs_rules.h"
#include "gtest/gtest.h"
#include "testing/test_support.h"

namespace {

TEST(FsTest, CutAtLastSeparatorTakesTheLaterSeparator) {
  struct Case {
    const char* path;
    const char* separators;
    const char* folder;  // null: no separator, path unchanged
  } cases[] = {
      {"C:\\Games\\Tool\\tool.exe", "\\/", "C:\\Games\\Tool"},
      {"C:\\Games/Tool\\tool.exe", "\\/", "C:\\Games/Tool"},
      {"C:\\Games\\Tool/tool.exe", "\\/", "C:\\Games\\Tool"},
      {"C:\\tool.exe", "\\/", "C:"},
      {"tool.exe", "\\/", nullptr},
      {"", "\\/", nullptr},
      {"/home/me/a\\b/tool", "/", "/home/me/a\\b"},
      {"/tool", "/", ""},
  };
  for (const Case& c : cases) {
    NativeString path = NativePath(c.path);
    int result = CutAtLastSeparator(&path[0], NativePath(c.separators).c_str());
    EXPECT_EQ(result, c.folder != nullptr ? 1 : 0) << c.path;
    EXPECT_EQ(NativeString(path.c_str()), NativePath(c.folder != nullptr ? c.folder : c.path))
        << c.path;
  }
}

TEST(FsTest, ExecutableDirectoryHoldsTheRunningProgram) {
  PathChar folder[kPathBufferSize];
  std::fill(folder, folder + kPathBufferSize, PathChar{'x'});
  ASSERT_EQ(GetExecutableDirectory(folder), FolderStatus::kFound);
  NativeString found = folder;
  ASSERT_FALSE(found.empty());
  EXPECT_NE(found.back(), kPathSeparator);
#if defined(_WIN32)
  EXPECT_EQ(PathExists((found + L"\\unit_tests.exe").c_str()), 1);
#else
  EXPECT_EQ(PathExists((found + "/unit_tests").c_str()), 1);
#endif
}

TEST(FsTest, JoinPathAddsOneSeparatorAndRefusesWhatDoesNotFit) {
  PathChar out[12];
  EXPECT_EQ(JoinPath(out, 12, NativePath("ab").c_str(), "c/d.e"), 1);
  EXPECT_EQ(NativeString(out), NativePath(NativeSeparators("ab/c/d.e")));
  EXPECT_EQ(JoinPath(out, 12, NativePath("abcd").c_str(), "e/f.gh"), 1);  // 11 units and a zero
  EXPECT_EQ(JoinPath(out, 12, NativePath("abcd").c_str(), "e/f.ghi"), 0);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(JoinPath(out, 12, NativePath("").c_str(), "t"), 1);  // the root folder
  EXPECT_EQ(NativeString(out), NativePath(NativeSeparators("/t")));
}

TEST(FsTest, LongPathPrefixOnlyPastThresholdAndNotTwice) {
  struct Case {
    std::string path;
    bool prefixed;
  } cases[] = {
      {std::string(200, 'a'), false},
      {std::string(201, 'a'), true},
      {"C:" + std::string(199, 'a'), true},
      {"\\\\?\\" + std::string(300, 'a'), false},
      {"\\\\.\\" + std::string(300, 'a'), false},
      {"\\\\?x" + std::string(300, 'a'), true},
      {"\\\\server\\share\\" + std::string(300, 'a'), true},
  };
  for (const Case& c : cases) {
    NativeString path = NativePath(c.path);
    EXPECT_EQ(NeedsLongPathPrefix(path.c_str(), path.size()), c.prefixed) << c.path.size();
  }
}

TEST(FsTest, WildcardMatchesStarAndQuestionMark) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  } cases[] = {
      {"*.Save", "Save0.Save", true},
      {"*.Save", ".Save", true},
      {"*.Save", "x.Save.bak", false},
      {"*.Save", "x.save", false},
      {"*.Save", "Save", false},
      {"Save?.Save", "Save7.Save", true},
      {"Save?.Save", "Save17.Save", false},
      {"*", "", true},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
      {"[ab]", "[ab]", true},  // brackets are ordinary bytes
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
  }
}

TEST(FsTest, PathExistsForFilesFoldersAndWildcards) {
  ScopedTempDir temp;
  const std::string saves = temp.Join(NativeSeparators("config/SaveData"));
  EXPECT_EQ(PathExists(NativePath(saves).c_str()), 0);
  EXPECT_EQ(PathExists(NativePath(saves + NativeSeparators("/*.Save")).c_str()),
            0);  // missing folder
  std::filesystem::create_directories(saves);
  EXPECT_EQ(PathExists(NativePath(saves).c_str()), 1);  // a folder counts
  EXPECT_EQ(PathExists(NativePath(saves + NativeSeparators("/*.Save")).c_str()), 0);  // no entry
  WriteFileForTest(saves + NativeSeparators("/Save3.Save"), "x");
  EXPECT_EQ(PathExists(NativePath(saves + NativeSeparators("/*.Save")).c_str()), 1);
  EXPECT_EQ(PathExists(NativePath(saves + NativeSeparators("/Save?.Save")).c_str()), 1);
  EXPECT_EQ(PathExists(NativePath(saves + NativeSeparators("/Save3.Save")).c_str()), 1);
  EXPECT_EQ(PathExists(NativePath(saves + NativeSeparators("/Save4.Save")).c_str()), 0);

  EXPECT_EQ(PathExists(NativePath(temp.Join("*.Save")).c_str()), 0);
  std::filesystem::create_directory(temp.Join("x.Save"));  // a folder matches too
  EXPECT_EQ(PathExists(NativePath(temp.Join("*.Save")).c_str()), 1);
  EXPECT_EQ(PathExists(NativePath("").c_str()), 0);
#if !defined(_WIN32)
  // Wildcards count in the last component only; a folder's name is taken as it stands.
  const std::string starred = temp.Join("a*b?");
  std::filesystem::create_directories(starred);
  WriteFileForTest(starred + "/Save0.Save", "x");
  EXPECT_EQ(PathExists((starred + "/*.Save").c_str()), 1);
  EXPECT_EQ(PathExists((starred + "/Save0.Save").c_str()), 1);
#endif
}

TEST(FsTest, CreateParentFoldersCreatesInnermostLast) {
  // A fake file system that has only "C:\" and records each attempt.
  std::vector<NativeString> attempts;
  std::vector<NativeString> existing = {NativePath("C:")};
  static std::vector<NativeString>* s_attempts;
  static std::vector<NativeString>* s_existing;
  s_attempts = &attempts;
  s_existing = &existing;
  auto make_folder = [](const PathChar* folder) -> int {
    NativeString name(folder);
    s_attempts->push_back(name);
    NativeString parent = name.substr(0, name.rfind('\\'));
    for (const NativeString& e : *s_existing) {
      if (e == name)
        return 0;
    }
    for (const NativeString& e : *s_existing) {
      if (e == parent) {
        s_existing->push_back(name);
        return 1;
      }
    }
    return 0;
  };
  NativeString path = NativePath("C:/A\\B/C\\title");
  EXPECT_NE(CreateParentFolders(path.c_str(), '\\', true, make_folder), 0);
  std::vector<NativeString> expected = {NativePath("C:\\A\\B\\C"), NativePath("C:"),
                                        NativePath("C:\\A"), NativePath("C:\\A\\B"),
                                        NativePath("C:\\A\\B\\C")};
  EXPECT_EQ(attempts, expected);
  EXPECT_EQ(path, NativePath("C:/A\\B/C\\title"));  // the caller's path is not changed

  attempts.clear();
  EXPECT_EQ(CreateParentFolders(path.c_str(), '\\', true, make_folder), 0);  // exists now
  EXPECT_EQ(CreateParentFolders(NativePath("title").c_str(), '\\', true, make_folder), 0);
  EXPECT_EQ(CreateParentFolders(NativePath("a").c_str(), '\\', true, make_folder), 0);
  EXPECT_EQ(CreateParentFolders(nullptr, '\\', true, make_folder), 0);
  NativeString too_long = NativePath("C:\\" + std::string(kFolderBufferUnits, 'a') + "\\t");
  EXPECT_EQ(CreateParentFolders(too_long.c_str(), '\\', true, make_folder), 0);
  EXPECT_EQ(attempts.size(), 5u);  // only the existing folder's walk was tried
}

const ByteRange kTitleBytes[] = {{"\xEF\xBB\xBF", 3}, {"[1]", 3}};

// Every entry of a folder, by name: what a replacement leaves behind.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FsTest, ReplaceOutputFileMakesFoldersAndReplacesTheOldFileWhole) {
  ScopedTempDir temp;
  const std::string file = temp.Join(NativeSeparators("a/b/c/SaveTitle.SaveTitle"));
  EXPECT_EQ(CreateParentDirectories(NativePath(file).c_str()), 1);
  EXPECT_EQ(CreateParentDirectories(NativePath(file).c_str()), 0);  // already there
  std::filesystem::remove_all(temp.Join("a"));

  ASSERT_EQ(ReplaceOutputFile(NativePath(temp.path() + "/a/b/c/SaveTitle.SaveTitle").c_str(),
                              kTitleBytes, 2),
            1);
  EXPECT_EQ(ReadWholeFileForTest(file), "\xEF\xBB\xBF[1]");
  WriteFileForTest(file, "an older and much longer title file");
  ASSERT_EQ(ReplaceOutputFile(NativePath(file).c_str(), kTitleBytes, 1), 1);
  EXPECT_EQ(ReadWholeFileForTest(file), "\xEF\xBB\xBF");
  EXPECT_EQ(Entries(temp.Join(NativeSeparators("a/b/c"))),
            std::vector<std::string>{"SaveTitle.SaveTitle"});

  WriteFileForTest(temp.Join("blocker"), "a file, not a folder");
  EXPECT_EQ(ReplaceOutputFile(NativePath(temp.Join(NativeSeparators("blocker/t"))).c_str(),
                              kTitleBytes, 2),
            0);
  EXPECT_EQ(ReplaceOutputFile(nullptr, kTitleBytes, 2), 0);
}

#if !defined(_WIN32)
// A title the game made keeps its permissions (the end-to-end test covers links).
TEST(FsTest, ReplaceOutputFileKeepsPermissions) {
  ScopedTempDir temp;
  const std::string title = temp.Join("SaveTitle.SaveTitle");
  WriteFileForTest(title, "old");
  chmod(title.c_str(), 0640);
  ASSERT_EQ(ReplaceOutputFile(title.c_str(), kTitleBytes, 2), 1);
  struct stat info;
  ASSERT_EQ(stat(title.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}
#endif

// The platform's steps, with the n-th call of them made to fail: a failing write writes
// half its bytes first, as a full disk does.
int g_calls = 0;
int g_fail_at = 0;
int g_taken_names = 0;  // how many temporary names the fake claims are in use
bool FailsNow() {
  return ++g_calls == g_fail_at;
}
const ReplaceSteps& Real() {
  return PlatformReplaceSteps();
}
TargetKind FakeInspect(const PathChar* path) {
  return FailsNow() ? TargetKind::kReadOnlyFile : Real().inspect(path);
}
FileHandle FakeCreate(const PathChar* path, bool* taken) {
  *taken = g_taken_names-- > 0;
  if (FailsNow() || *taken) {
    return kInvalidFileHandle;
  }
  return Real().create_new(path, taken);
}
int FakeWrite(FileHandle handle, const void* bytes, std::uint64_t size) {
  if (FailsNow()) {
    Real().write(handle, bytes, size / 2);
    return 0;
  }
  return Real().write(handle, bytes, size);
}
int FakeFlush(FileHandle handle, const PathChar* replaced) {
  return FailsNow() ? 0 : Real().flush(handle, replaced);
}
int FakeClose(FileHandle handle) {
  int closed = Real().close(handle);
  return FailsNow() ? 0 : closed;
}
int FakeRename(const PathChar* from, const PathChar* to) {
  return FailsNow() ? 0 : Real().rename(from, to);
}
int FakeFlushFolder(const PathChar* path) {
  return FailsNow() ? 0 : Real().flush_folder(path);
}

TEST(FsTest, ReplacementFailingAtAnyStepLeavesTheOldFileAndNoTrace) {
  const ReplaceSteps steps = {FakeInspect, FakeCreate, FakeWrite,     FakeFlush,
                              FakeClose,   FakeRename, Real().remove, FakeFlushFolder};
  ScopedTempDir temp;
  const std::string title = temp.Join("SaveTitle.SaveTitle");
  // inspect, create, two writes, flush, close, rename, flush the folder: the last one's
  // failure cannot undo a replacement that has happened.
  const int kCalls = 8;
  for (g_fail_at = 1; g_fail_at <= kCalls + 1; ++g_fail_at) {
    WriteFileForTest(title, "old");
    g_calls = 0;
    g_taken_names = 0;
    bool replaced = g_fail_at >= kCalls;
    EXPECT_EQ(ReplaceFileBySteps(NativePath(title).c_str(), kTitleBytes, 2, steps),
              replaced ? 1 : 0)
        << "failing call " << g_fail_at;
    EXPECT_EQ(ReadWholeFileForTest(title), replaced ? "\xEF\xBB\xBF[1]" : "old")
        << "failing call " << g_fail_at;
    EXPECT_EQ(Entries(temp.path()), std::vector<std::string>{"SaveTitle.SaveTitle"})
        << "failing call " << g_fail_at;
  }
  EXPECT_EQ(g_calls, kCalls);

  // Names in use, by a run at the same time or left by a crash, are passed over.
  g_fail_at = 0;
  g_taken_names = 3;
  WriteFileForTest(
      temp.Join("SaveTitle.SaveTitle." + std::to_string(CurrentProcessNumber()) + "-3.tmp"),
      "left by a crash");
  EXPECT_EQ(ReplaceFileBySteps(NativePath(title).c_str(), kTitleBytes, 2, steps), 1);
  EXPECT_EQ(ReadWholeFileForTest(title), "\xEF\xBB\xBF[1]");
  EXPECT_EQ(Entries(temp.path()).size(), 2u);  // the title and the untouched leftover
}

// Records the sizes a chunked write asks for, writing nothing.
std::vector<std::size_t> g_chunks;
std::size_t g_short_limit = 0;
std::int64_t RecordWrite(FileHandle, const void*, std::uint64_t, std::size_t size) {
  g_chunks.push_back(size);
  std::size_t written = g_short_limit != 0 && size > g_short_limit ? g_short_limit : size;
  return static_cast<std::int64_t>(written);
}
std::int64_t FailSecondWrite(FileHandle, const void*, std::uint64_t, std::size_t size) {
  g_chunks.push_back(size);
  return g_chunks.size() == 2 ? -1 : static_cast<std::int64_t>(size);
}

TEST(FsTest, WritesSplitAtChunkSize) {
  const std::size_t k = static_cast<std::size_t>(kWriteChunkSize);
  struct Case {
    std::uint64_t length;
    std::vector<std::size_t> chunks;
  } cases[] = {
      {0, {}},
      {3, {3}},
      {524288000, {k}},
      {524288001, {k, 1}},
      {1048576000, {k, k}},
      {4294967301ULL, {k, k, k, k, k, k, k, k, 100663301}},
  };
  char byte = 0;
  for (const Case& c : cases) {
    g_chunks.clear();
    g_short_limit = 0;
    EXPECT_EQ(WriteInChunks(1, &byte, c.length, kWriteChunkSize, RecordWrite), 1);
    EXPECT_EQ(g_chunks, c.chunks) << c.length;
  }
  g_chunks.clear();
  g_short_limit = 4;  // short writes go on with the rest
  EXPECT_EQ(WriteInChunks(1, &byte, 10, 6, RecordWrite), 1);
  EXPECT_EQ(g_chunks, (std::vector<std::size_t>{6, 6, 2}));
  g_chunks.clear();
  EXPECT_EQ(WriteInChunks(1, &byte, 30, 10, FailSecondWrite), 0);
  EXPECT_EQ(g_chunks.size(), 2u);  // stops at the failure
}

TEST(FsTest, PositionedWritesInSmallChunks) {
  ScopedTempDir temp;
  const std::string file = temp.Join("out.bin");
  bool taken = true;
  FileHandle handle = Real().create_new(NativePath(file).c_str(), &taken);
  ASSERT_NE(handle, kInvalidFileHandle);
  EXPECT_FALSE(taken);
  EXPECT_EQ(WriteAtPositionInChunks("0123456789", handle, 10, MoveMethod::kBegin, 4), 1);
  EXPECT_EQ(WriteAtPositionInChunks("abc", handle, 3, MoveMethod::kCurrent, 2), 1);
  EXPECT_EQ(WriteAtPositionInChunks("XY", handle, 2, MoveMethod::kBegin, 4), 1);
  EXPECT_EQ(WriteAtPositionInChunks("!", handle, 1, MoveMethod::kEnd, 4), 1);
  EXPECT_EQ(WriteAtPositionInChunks("", handle, 0, MoveMethod::kBegin, 4), 1);
  EXPECT_EQ(Real().close(handle), 1);
  EXPECT_EQ(ReadWholeFileForTest(file), "XY23456789abc!");
  EXPECT_EQ(Real().create_new(NativePath(file).c_str(), &taken), kInvalidFileHandle);
  EXPECT_TRUE(taken);

  EXPECT_EQ(WriteAtPosition("zz", kInvalidFileHandle, 2, MoveMethod::kBegin), 0);
  EXPECT_EQ(WriteAtPosition("zz", 0, 2, MoveMethod::kBegin), 0);
  EXPECT_EQ(ReadWholeFileForTest(file), "XY23456789abc!");
}

TEST(FsTest, SaveFileQueries) {
  ScopedTempDir temp;
  const NativeString file = NativePath(temp.Join("Save0.Save"));
  const NativeString missing = NativePath(temp.Join("Save1.Save"));
  const NativeString folder = NativePath(temp.path());
  WriteFileForTest(temp.Join("Save0.Save"), "\xEF\xBB\xBF{\"a\":1}");
  std::uint64_t size = 99;
  EXPECT_EQ(QueryFileSize(file.c_str(), &size), 1);
  EXPECT_EQ(size, 10u);
  size = 99;
  EXPECT_EQ(QueryFileSize(folder.c_str(), &size), 0);  // a folder is refused
  EXPECT_EQ(QueryFileSize(missing.c_str(), &size), 0);
  EXPECT_EQ(size, 99u);

  char buffer[16] = {};
  EXPECT_EQ(ReadFileStart(file.c_str(), buffer, 6), 6u);
  EXPECT_EQ(std::string(buffer), "\xEF\xBB\xBF{\"a");
  EXPECT_EQ(ReadFileStart(file.c_str(), buffer, 15), 10u);  // a short file gives what it has
  EXPECT_EQ(ReadFileStart(missing.c_str(), buffer, 6), 0u);
  EXPECT_EQ(ReadFileStart(folder.c_str(), buffer, 6), 0u);
}

TEST(FsTest, LastWriteDateIsTheLocalCalendarDate) {
  // ctest runs this program with TZ=UTC-8 (UTC+8): 23:30 UTC on 31 July 2015 is already
  // 1 August there.
  ScopedTempDir temp;
  const std::string file = temp.Join("Save0.Save");
  WriteFileForTest(file, "0123456789");
  ASSERT_TRUE(SetLastWriteTimeForTest(file, 1438385400));  // 2015-07-31 23:30:00 UTC
  FileDate date = {1, 2, 3};
  ASSERT_EQ(QueryLastWriteDate(NativePath(file).c_str(), &date), 1);
  EXPECT_EQ(date.year, 2015);
  EXPECT_EQ(date.month, 8);
  EXPECT_EQ(date.day, 1);

  // Later or earlier dates give none on either platform (the end-to-end test sets such
  // times where the file system can hold them).
  EXPECT_TRUE(IsExpressibleYear(1601) && IsExpressibleYear(30827));
  EXPECT_FALSE(IsExpressibleYear(1600) || IsExpressibleYear(30828));
  date = {1, 2, 3};
  EXPECT_EQ(QueryLastWriteDate(NativePath(temp.Join("missing")).c_str(), &date), 0);
  EXPECT_EQ(date.year, 1);
}

}  // namespace
