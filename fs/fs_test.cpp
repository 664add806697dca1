#include "fs/fs.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fs/fs_rules.h"
#include "gtest/gtest.h"
#include "testing/test_support.h"

namespace {

using NativeString = std::basic_string<PathChar>;

NativeString Native(const std::string& path) {
  PathChar* converted = ConvertPathToNative(path.c_str());
  NativeString result = converted != nullptr ? converted : NativeString();
  ReleaseNativePath(converted);
  return result;
}

TEST(FsTest, CutAtLastSeparatorTakesTheLaterSeparator) {
  struct Case {
    const char* path;
    const char* separators;
    const char* folder;  // null: no separator, path unchanged
  } cases[] = {
      {"C:\\Games\\Tool\\tool.exe", "\\/", "C:\\Games\\Tool"},
      {"C:\\Games/Tool\\tool.exe", "\\/", "C:\\Games/Tool"},
      {"C:\\Games\\Tool/tool.exe", "\\/", "C:\\Games\\Tool"},
      {"C:/Games/Tool/tool.exe", "\\/", "C:/Games/Tool"},
      {"C:\\tool.exe", "\\/", "C:"},
      {"\x95\\\\tool.exe", "\\/", "\x95\\"},  // a trail byte equal to "\" counts as one
      {"tool.exe", "\\/", nullptr},
      {"", "\\/", nullptr},
      {"/home/me/a\\b/tool", "/", "/home/me/a\\b"},
      {"/tool", "/", ""},
      {"a\\b", "/", nullptr},
  };
  for (const Case& c : cases) {
    char buffer[64];
    std::strcpy(buffer, c.path);
    int result = CutAtLastSeparator(buffer, c.separators);
    EXPECT_EQ(result, c.folder != nullptr ? 1 : 0) << c.path;
    EXPECT_STREQ(buffer, c.folder != nullptr ? c.folder : c.path) << c.path;
  }
}

TEST(FsTest, ExecutableDirectoryHoldsTheRunningProgram) {
  char folder[kPathBufferSize];
  std::memset(folder, 'x', sizeof(folder));
  ASSERT_EQ(GetExecutableDirectory(folder), 1);
  ASSERT_NE(std::strlen(folder), 0u);
  EXPECT_NE(folder[std::strlen(folder) - 1], kPathSeparator);
#if defined(_WIN32)
  const std::string program = "unit_tests.exe";
#else
  const std::string program = "unit_tests";
#endif
  EXPECT_EQ(NarrowPathExists((std::string(folder) + kPathSeparator + program).c_str()), 1)
      << folder;
  EXPECT_EQ(GetExecutableDirectory(nullptr), 0);
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
    NativeString path = Native(c.path);
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
  EXPECT_EQ(PathExists(Native(saves).c_str()), 0);
  EXPECT_EQ(PathExists(Native(saves + NativeSeparators("/*.Save")).c_str()), 0);  // missing folder
  std::filesystem::create_directories(saves);
  EXPECT_EQ(PathExists(Native(saves).c_str()), 1);                   // a folder counts
  EXPECT_EQ(PathExists(Native(saves + NativeSeparators("/*.Save")).c_str()), 0);  // no entry
  WriteFileForTest(saves + NativeSeparators("/Save3.Save"), "x");
  EXPECT_EQ(PathExists(Native(saves + NativeSeparators("/*.Save")).c_str()), 1);
  EXPECT_EQ(PathExists(Native(saves + NativeSeparators("/Save?.Save")).c_str()), 1);
  EXPECT_EQ(PathExists(Native(saves + NativeSeparators("/Save3.Save")).c_str()), 1);
  EXPECT_EQ(PathExists(Native(saves + NativeSeparators("/Save4.Save")).c_str()), 0);

  EXPECT_EQ(PathExists(Native(temp.Join("*.Save")).c_str()), 0);
  std::filesystem::create_directory(temp.Join("x.Save"));  // a folder matches too
  EXPECT_EQ(PathExists(Native(temp.Join("*.Save")).c_str()), 1);
  EXPECT_EQ(PathExists(Native("").c_str()), 0);
}

TEST(FsTest, CreateParentFoldersCreatesInnermostLast) {
  // A fake file system that has only "C:\" and records each attempt.
  std::vector<NativeString> attempts;
  std::vector<NativeString> existing = {Native("C:")};
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
  NativeString path = Native("C:/A\\B/C\\title");
  EXPECT_NE(CreateParentFolders(path.c_str(), '\\', true, make_folder), 0);
  std::vector<NativeString> expected = {Native("C:\\A\\B\\C"), Native("C:"), Native("C:\\A"),
                                        Native("C:\\A\\B"), Native("C:\\A\\B\\C")};
  EXPECT_EQ(attempts, expected);
  EXPECT_EQ(path, Native("C:/A\\B/C\\title"));  // the caller's path is not changed

  attempts.clear();
  EXPECT_EQ(CreateParentFolders(path.c_str(), '\\', true, make_folder), 0);  // exists now
  EXPECT_EQ(CreateParentFolders(Native("title").c_str(), '\\', true, make_folder), 0);
  EXPECT_EQ(CreateParentFolders(Native("a").c_str(), '\\', true, make_folder), 0);
  EXPECT_EQ(CreateParentFolders(nullptr, '\\', true, make_folder), 0);
  NativeString too_long = Native("C:\\" + std::string(kFolderBufferUnits, 'a') + "\\t");
  EXPECT_EQ(CreateParentFolders(too_long.c_str(), '\\', true, make_folder), 0);
  EXPECT_EQ(attempts.size(), 5u);  // only the existing folder's walk was tried
}

TEST(FsTest, CreateOutputFileMakesFoldersAndEmptiesOldFile) {
  ScopedTempDir temp;
  EXPECT_EQ(CreateOutputFile(nullptr), kInvalidFileHandle);

  const std::string file = temp.Join(NativeSeparators("a/b/c/SaveTitle.SaveTitle"));
  EXPECT_EQ(CreateParentDirectories(Native(file).c_str()), 1);
  EXPECT_EQ(CreateParentDirectories(Native(file).c_str()), 0);  // already there
  std::filesystem::remove_all(temp.Join("a"));

  WriteFileForTest(temp.Join("old"), "");
  FileHandle handle = CreateOutputFile(Native(file).c_str());
  ASSERT_NE(handle, kInvalidFileHandle);
  EXPECT_EQ(WriteAtPosition("\xEF\xBB\xBF", handle, 3, MoveMethod::kBegin), 1);
  EXPECT_EQ(WriteAtPosition("[1]", handle, 3, MoveMethod::kCurrent), 1);
  EXPECT_EQ(CloseOutputFile(handle), 1);
  EXPECT_EQ(ReadWholeFileForTest(file), "\xEF\xBB\xBF[1]");

  WriteFileForTest(file, "an older and much longer title file");
  handle = CreateOutputFile(Native(file).c_str());
  ASSERT_NE(handle, kInvalidFileHandle);
  EXPECT_EQ(WriteAtPosition("\xEF\xBB\xBF", handle, 3, MoveMethod::kBegin), 1);
  EXPECT_EQ(WriteAtPosition("[]", handle, 2, MoveMethod::kCurrent), 1);
  EXPECT_EQ(CloseOutputFile(handle), 1);
  EXPECT_EQ(ReadWholeFileForTest(file), "\xEF\xBB\xBF[]");
}

TEST(FsTest, CreateOutputFileAcceptsForwardSlashes) {
  ScopedTempDir temp;
  const std::string file = temp.path() + "/x/y/t.txt";
  FileHandle handle = CreateOutputFile(Native(file).c_str());
  ASSERT_NE(handle, kInvalidFileHandle);
  EXPECT_EQ(CloseOutputFile(handle), 1);
  EXPECT_EQ(NarrowPathExists(temp.Join(NativeSeparators("x/y/t.txt")).c_str()), 1);
}

TEST(FsTest, CreateOutputFileFailsWhereAFileBlocksTheFolder) {
  ScopedTempDir temp;
  WriteFileForTest(temp.Join("blocker"), "a file, not a folder");
  EXPECT_EQ(CreateOutputFile(Native(temp.Join(NativeSeparators("blocker/t.txt"))).c_str()), kInvalidFileHandle);
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
  FileHandle handle = CreateOutputFile(Native(file).c_str());
  ASSERT_NE(handle, kInvalidFileHandle);
  EXPECT_EQ(WriteAtPositionInChunks("0123456789", handle, 10, MoveMethod::kBegin, 4), 1);
  EXPECT_EQ(WriteAtPositionInChunks("abc", handle, 3, MoveMethod::kCurrent, 2), 1);
  EXPECT_EQ(WriteAtPositionInChunks("XY", handle, 2, MoveMethod::kBegin, 4), 1);
  EXPECT_EQ(WriteAtPositionInChunks("!", handle, 1, MoveMethod::kEnd, 4), 1);
  EXPECT_EQ(WriteAtPositionInChunks("", handle, 0, MoveMethod::kBegin, 4), 1);
  EXPECT_EQ(CloseOutputFile(handle), 1);
  EXPECT_EQ(ReadWholeFileForTest(file), "XY23456789abc!");

  EXPECT_EQ(WriteAtPosition("zz", kInvalidFileHandle, 2, MoveMethod::kBegin), 0);
  EXPECT_EQ(WriteAtPosition("zz", 0, 2, MoveMethod::kBegin), 0);
  EXPECT_EQ(ReadWholeFileForTest(file), "XY23456789abc!");
}

TEST(FsTest, SaveFileQueries) {
  ScopedTempDir temp;
  const std::string file = temp.Join("Save0.Save");
  WriteFileForTest(file, "\xEF\xBB\xBF{\"a\":1}");
  EXPECT_EQ(NarrowPathExists(file.c_str()), 1);
  EXPECT_EQ(NarrowPathExists(temp.path().c_str()), 1);
  EXPECT_EQ(NarrowPathExists(temp.Join("Save1.Save").c_str()), 0);

  std::uint64_t size = 99;
  EXPECT_EQ(QueryFileSize(file.c_str(), &size), 1);
  EXPECT_EQ(size, 10u);
  size = 99;
  EXPECT_EQ(QueryFileSize(temp.path().c_str(), &size), 0);  // a folder is refused
  EXPECT_EQ(QueryFileSize(temp.Join("Save1.Save").c_str(), &size), 0);
  EXPECT_EQ(size, 99u);

  char buffer[16] = {};
  EXPECT_EQ(ReadFileStart(file.c_str(), buffer, 6), 6u);
  EXPECT_EQ(std::string(buffer), "\xEF\xBB\xBF{\"a");
  EXPECT_EQ(ReadFileStart(file.c_str(), buffer, 15), 10u);  // a short file gives what it has
  EXPECT_EQ(ReadFileStart(temp.Join("Save1.Save").c_str(), buffer, 6), 0u);
  EXPECT_EQ(ReadFileStart(temp.path().c_str(), buffer, 6), 0u);
}

TEST(FsTest, LastWriteDateIsTheLocalCalendarDate) {
  // ctest runs this program with TZ=UTC-8 (UTC+8): 23:30 UTC on 31 July 2015 is already
  // 1 August there.
  ScopedTempDir temp;
  const std::string file = temp.Join("Save0.Save");
  WriteFileForTest(file, "0123456789");
  ASSERT_TRUE(SetLastWriteTimeForTest(file, 1438385400));  // 2015-07-31 23:30:00 UTC
  FileDate date = {1, 2, 3};
  ASSERT_EQ(QueryLastWriteDate(file.c_str(), &date), 1);
  EXPECT_EQ(date.year, 2015);
  EXPECT_EQ(date.month, 8);
  EXPECT_EQ(date.day, 1);

  date = {1, 2, 3};
  EXPECT_EQ(QueryLastWriteDate(temp.Join("missing").c_str(), &date), 0);
  EXPECT_EQ(date.year, 1);
}

}  // namespace
