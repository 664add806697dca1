#include "fs/fs.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <filesystem>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fs/fs_rules.h"
#include "gtest/gtest.h"
#include "testing/test_support.h"

namespace {

TEST(FsTest, CutAtLastSeparatorTakesTheLaterSeparator) {
  // The folder left, or null where there is no separator and the path stays as it was.
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"C:\\Games/Tool\\tool.exe", "\\/", "C:\\Games/Tool"},
      {"C:\\Games\\Tool/tool.exe", "\\/", "C:\\Games\\Tool"},
      {"C:\\tool.exe", "\\/", "C:"},
      {"", "\\/", nullptr},
      {"/home/me/a\\b/tool", "/", "/home/me/a\\b"},
      {"/tool", "/", ""},
  };
  for (const auto& [text, separators, folder] : cases) {
    NativeString path = NativePath(text);
    EXPECT_EQ(CutAtLastSeparator(&path[0], NativePath(separators).c_str()), folder ? 1 : 0);
    EXPECT_EQ(NativeString(path.c_str()), NativePath(folder != nullptr ? folder : text)) << text;
  }
}

TEST(FsTest, JoinedAndTemporaryPathsRefuseWhatDoesNotFit) {
  PathChar out[12];
  EXPECT_EQ(JoinPath(out, 12, NativePath("ab").c_str(), "c/d.e"), 1);
  EXPECT_EQ(NativeString(out), NativePath(NativeSeparators("ab/c/d.e")));
  EXPECT_EQ(JoinPath(out, 12, NativePath("abcd").c_str(), "e/f.gh"), 1);  // 11 units and a zero
  EXPECT_EQ(JoinPath(out, 12, NativePath("abcd").c_str(), "e/f.ghi"), 0);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(JoinPath(out, 12, NativePath("").c_str(), "t"), 1);  // the root folder
  EXPECT_EQ(NativeString(out), NativePath(NativeSeparators("/t")));
  // A temporary name: "t.1-0.tmp" and its zero take 10 units.
  EXPECT_EQ(FormatTempPath(out, 10, NativePath("t").c_str(), 1, 0), 1);
  EXPECT_EQ(NativeString(out), NativePath("t.1-0.tmp"));
  EXPECT_EQ(FormatTempPath(out, 9, NativePath("t").c_str(), 1, 0), 0);
}

TEST(FsTest, LongPathFormPrefixesDrivesAndNetworkPathsPastThreshold) {
  const std::string a200(200, 'a');
  const std::string a300(300, 'a');
  // The path as GetFullPathNameW gives it (a relative one is made absolute before) and
  // its long-path form, which must fit exactly.
  const std::tuple<std::string, std::string> cases[] = {
      {"C:\\" + a200.substr(3), "C:\\" + a200.substr(3)},
      {"C:\\" + a200.substr(2), "\\\\?\\C:\\" + a200.substr(2)},
      {"\\\\server\\share\\" + a300, "\\\\?\\UNC\\server\\share\\" + a300},
      {"\\\\server\\" + a200.substr(9), "\\\\server\\" + a200.substr(9)},
      {"\\\\?\\C:\\" + a300, "\\\\?\\C:\\" + a300},
      {"\\\\?\\UNC\\server\\share\\" + a300, "\\\\?\\UNC\\server\\share\\" + a300},
      {"\\\\.\\C:\\" + a300, "\\\\?\\C:\\" + a300},
      {"\\\\.\\C:\\" + a200.substr(7), "\\\\.\\C:\\" + a200.substr(7)},
      {"\\??\\C:\\" + a300, "\\??\\C:\\" + a300},
  };
  for (const auto& [full, form] : cases) {
    NativeString out(form.size() + 1, 'x');
    EXPECT_EQ(LongPathForm(NativePath(full).c_str(), &out[0], out.size()), 1) << full.size();
    EXPECT_EQ(out, NativePath(form) + PathChar{0}) << full.size();
    EXPECT_EQ(LongPathForm(NativePath(full).c_str(), &out[0], out.size() - 1), 0) << full.size();
  }
}

TEST(FsTest, WildcardMatchesStarAndQuestionMark) {
  const std::tuple<const char*, const char*, bool> cases[] = {
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
  for (const auto& [pattern, name, matches] : cases) {
    EXPECT_EQ(WildcardMatch(pattern, name), matches) << pattern << " / " << name;
  }
}

// The end-to-end test finds saves, folders named like saves and missing saves; these are
// the edges it cannot reach.
TEST(FsTest, PathExistsEdges) {
  EXPECT_EQ(PathExists(NativePath("").c_str()), 0);
#if !defined(_WIN32)
  // Wildcards count in the last component only; a folder's name is taken as it stands.
  ScopedTempDir temp;
  const std::string starred = temp.Join("a*b?");
  std::filesystem::create_directories(starred);
  WriteFileForTest(starred + "/Save0.Save", "x");
  EXPECT_EQ(PathExists((starred + "/*.Save").c_str()), 1);
  EXPECT_EQ(PathExists((starred + "/Save0.Save").c_str()), 1);
  EXPECT_EQ(PathExists((starred + "/Save1.Save").c_str()), 0);
#endif
}

const ByteRange kTitleBytes[] = {{"\xEF\xBB\xBF", 3}, {"[1]", 3}};

// How many entries a folder holds: with the title in place, what a replacement left behind.
std::ptrdiff_t EntryCount(const std::string& folder) {
  return std::distance(std::filesystem::directory_iterator(folder), {});
}

TEST(FsTest, ReplaceOutputFileMakesFoldersAndReplacesTheOldFileWhole) {
  ScopedTempDir temp;
  const std::string file = temp.Join(NativeSeparators("a/b/c/SaveTitle.SaveTitle"));
  EXPECT_EQ(CreateParentDirectories(NativePath(file).c_str()), 1);
  EXPECT_EQ(CreateParentDirectories(NativePath(file).c_str()), 0);  // already there
  std::filesystem::remove_all(temp.Join("a"));
  for (const NativeString& no_folder :
       {NativePath("title"), NativePath("C:\\" + std::string(kFolderBufferUnits, 'a') + "\\t")}) {
    EXPECT_EQ(CreateParentDirectories(no_folder.c_str()), 0);
  }

  // Forward slashes work on both builds.
  ASSERT_EQ(ReplaceOutputFile(NativePath(temp.path() + "/a/b/c/SaveTitle.SaveTitle").c_str(),
                              kTitleBytes, 2),
            1);
  EXPECT_EQ(ReadWholeFileForTest(file), "\xEF\xBB\xBF[1]");
  EXPECT_EQ(EntryCount(temp.Join("a/b/c")), 1);

  WriteFileForTest(temp.Join("blocker"), "a file, not a folder");
  EXPECT_EQ(ReplaceOutputFile(NativePath(temp.Join(NativeSeparators("blocker/t"))).c_str(),
                              kTitleBytes, 2),
            0);
  EXPECT_EQ(ReplaceOutputFile(nullptr, kTitleBytes, 2), 0);
#if !defined(_WIN32)
  // A title the game made keeps its permissions.
  chmod(file.c_str(), 0640);
  ASSERT_EQ(ReplaceOutputFile(file.c_str(), kTitleBytes, 2), 1);
  struct stat info;
  ASSERT_EQ(stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
#endif
}

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
const ReplaceSteps kFailingSteps = {
    [](const PathChar* path) {
      return FailsNow() ? TargetKind::kReadOnlyFile : Real().inspect(path);
    },
    [](const PathChar* path, bool* taken) {
      *taken = g_taken_names-- > 0;
      return FailsNow() || *taken ? kInvalidFileHandle : Real().create_new(path, taken);
    },
    [](FileHandle handle, const void* bytes, std::uint64_t size) -> int {
      const bool fails = FailsNow();
      return Real().write(handle, bytes, fails ? size / 2 : size) && !fails;
    },
    [](FileHandle handle, const PathChar* replaced) -> int {
      return !FailsNow() && Real().flush(handle, replaced);
    },
    [](FileHandle handle) -> int { return Real().close(handle) && !FailsNow(); },
    [](const PathChar* from, const PathChar* to) -> int {
      return !FailsNow() && Real().rename(from, to);
    },
    [](const PathChar* path) { return Real().remove(path); },
    [](const PathChar* path) -> int { return !FailsNow() && Real().flush_folder(path); },
};

TEST(FsTest, ReplacementFailingAtAnyStepLeavesTheOldFileAndNoTrace) {
  ScopedTempDir temp;
  const std::string title = temp.Join("SaveTitle.SaveTitle");
  // inspect, create, two writes, flush, close, rename, flush the folder: the last one's
  // failure cannot undo a replacement that has happened.
  const int kCalls = 8;
  for (g_fail_at = 1; g_fail_at <= kCalls + 1; ++g_fail_at) {
    WriteFileForTest(title, "old");
    g_calls = 0;
    g_taken_names = 0;
    SCOPED_TRACE("failing call " + std::to_string(g_fail_at));
    const bool replaced = g_fail_at >= kCalls;
    EXPECT_EQ(ReplaceFileBySteps(NativePath(title).c_str(), kTitleBytes, 2, kFailingSteps),
              replaced ? 1 : 0);
    EXPECT_EQ(ReadWholeFileForTest(title), replaced ? "\xEF\xBB\xBF[1]" : "old");
    EXPECT_EQ(EntryCount(temp.path()), 1);
  }
  EXPECT_EQ(g_calls, kCalls);

  // Names in use, by a run at the same time or left by a crash, are passed over.
  g_fail_at = 0;
  g_taken_names = 3;
  WriteFileForTest(
      temp.Join("SaveTitle.SaveTitle." + std::to_string(CurrentProcessNumber()) + "-3.tmp"),
      "left by a crash");
  EXPECT_EQ(ReplaceFileBySteps(NativePath(title).c_str(), kTitleBytes, 2, kFailingSteps), 1);
  EXPECT_EQ(ReadWholeFileForTest(title), "\xEF\xBB\xBF[1]");
  EXPECT_EQ(EntryCount(temp.path()), 2);  // the title and the untouched leftover
}

// Records the sizes a chunked write asks for, writing nothing: at most g_short_limit
// bytes a call when that is set, and a failure at call number g_fail_call.
std::vector<std::size_t> g_chunks;
std::size_t g_short_limit = 0;
std::size_t g_fail_call = 0;
std::int64_t RecordWrite(FileHandle, const void*, std::uint64_t, std::size_t size) {
  g_chunks.push_back(size);
  std::size_t written = g_short_limit != 0 && size > g_short_limit ? g_short_limit : size;
  return g_chunks.size() == g_fail_call ? -1 : static_cast<std::int64_t>(written);
}

TEST(FsTest, WritesSplitAtChunkSize) {
  const std::size_t k = static_cast<std::size_t>(kWriteChunkSize);
  struct Case {
    std::uint64_t length;
    std::uint64_t chunk_size;
    std::size_t short_limit;
    std::size_t fail_call;
    int result;
    std::vector<std::size_t> chunks;
  } cases[] = {
      {0, k, 0, 0, 1, {}},
      {3, k, 0, 0, 1, {3}},
      {524288000, k, 0, 0, 1, {k}},
      {524288001, k, 0, 0, 1, {k, 1}},
      {4294967301ULL, k, 0, 0, 1, {k, k, k, k, k, k, k, k, 100663301}},
      {10, 6, 4, 0, 1, {6, 6, 2}},  // short writes go on with the rest
      {30, 10, 0, 2, 0, {10, 10}},  // a failure ends them
  };
  char byte = 0;
  for (const Case& c : cases) {
    g_chunks.clear();
    g_short_limit = c.short_limit;
    g_fail_call = c.fail_call;
    EXPECT_EQ(WriteInChunks(1, &byte, c.length, c.chunk_size, RecordWrite), c.result) << c.length;
    EXPECT_EQ(g_chunks, c.chunks) << c.length;
  }
}

// Only the title's write, from the current position, is an end-to-end case.
TEST(FsTest, PositionedWritesInSmallChunks) {
  ScopedTempDir temp;
  const std::string file = temp.Join("out.bin");
  bool taken = true;
  FileHandle handle = Real().create_new(NativePath(file).c_str(), &taken);
  ASSERT_NE(handle, kInvalidFileHandle);
  EXPECT_FALSE(taken);
  EXPECT_EQ(WriteAtPositionInChunks("0123456789", handle, 10, MoveMethod::kBegin, 4), 1);
  EXPECT_EQ(WriteAtPositionInChunks("XY", handle, 2, MoveMethod::kBegin, 4), 1);
  EXPECT_EQ(WriteAtPositionInChunks("!", handle, 1, MoveMethod::kEnd, 4), 1);
  EXPECT_EQ(Real().close(handle), 1);
  EXPECT_EQ(ReadWholeFileForTest(file), "XY23456789!");
  EXPECT_EQ(Real().create_new(NativePath(file).c_str(), &taken), kInvalidFileHandle);
  EXPECT_TRUE(taken);
  EXPECT_EQ(WriteAtPosition("zz", kInvalidFileHandle, 2, MoveMethod::kBegin), 0);
  EXPECT_EQ(WriteAtPosition("zz", 0, 2, MoveMethod::kBegin), 0);
}

// Sizes, reads and dates of real saves are end-to-end cases; here what a save folder
// cannot show: folders, missing files and files shorter than the read.
TEST(FsTest, SaveFileQueriesRefuseFoldersAndMissingFiles) {
  ScopedTempDir temp;
  const NativeString file = NativePath(temp.Join("Save0.Save"));
  const NativeString missing = NativePath(temp.Join("Save1.Save"));
  const NativeString folder = NativePath(temp.path());
  WriteFileForTest(temp.Join("Save0.Save"), "\xEF\xBB\xBF{\"a\":1}");
  std::uint64_t size = 99;
  EXPECT_EQ(QueryFileSize(folder.c_str(), &size), 0);
  EXPECT_EQ(QueryFileSize(missing.c_str(), &size), 0);
  EXPECT_EQ(size, 99u);

  char buffer[16] = {};
  EXPECT_EQ(ReadFileStart(file.c_str(), buffer, 15), 10u);  // a short file gives what it has
  EXPECT_EQ(ReadFileStart(missing.c_str(), buffer, 6), 0u);
  EXPECT_EQ(ReadFileStart(folder.c_str(), buffer, 6), 0u);

  FileDate date = {1, 2, 3};
  EXPECT_EQ(QueryLastWriteDate(missing.c_str(), &date), 0);
  EXPECT_EQ(date.year, 1);
  // Dates before or after what both platforms can write give none.
  EXPECT_TRUE(IsExpressibleYear(1601) && IsExpressibleYear(30827));
  EXPECT_FALSE(IsExpressibleYear(1600) || IsExpressibleYear(30828));
}

}  // namespace
