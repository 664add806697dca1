#include "app/rebuild.h"

#include <string>

#include "gtest/gtest.h"
#include "testing/test_support.h"

namespace {

// The end-to-end test checks the title files byte for byte; here each request for memory
// that a pass makes is refused in turn.
TEST(RebuildTest, MemoryRunningOutKeepsTheOldTitleAndLeavesNothing) {
  ScopedTempDir temp;
  const std::string title = temp.Join("SaveTitle.SaveTitle");
  WriteFileForTest(temp.Join("Save0.Save"),
                   "\xEF\xBB\xBF{\"m_strPlayerName\":\"Lan\",\"m_iYear\":3}");
  WriteFileForTest(temp.Join("Save4.Save"), "\xEF\xBB\xBF[1, {\"a\": [2, 3]}]");
  auto rebuild = [&](TitleOutcome* outcome) {
    return RebuildTitleFile(NativePath(title).c_str(), NativePath(temp.path()).c_str(),
                            SaveKind::Manual, outcome);
  };
  std::size_t requests = 0;
  {
    CountingAllocator counter;
    EXPECT_EQ(rebuild(nullptr), 2);
    requests = counter.requests();
    EXPECT_EQ(counter.outstanding(), 0u);
  }
  // Whatever request fails, no slot is emptied for it: the old title file stays.
  for (std::size_t k = 1; k <= requests; ++k) {
    WriteFileForTest(title, "old");
    CountingAllocator counter(k);
    TitleOutcome outcome = TitleOutcome::kWritten;
    rebuild(&outcome);
    EXPECT_EQ(counter.outstanding(), 0u) << "failing request " << k;
    EXPECT_EQ(outcome, TitleOutcome::kOutOfMemory) << "failing request " << k;
    EXPECT_EQ(ReadWholeFileForTest(title), "old") << "failing request " << k;
  }
}

}  // namespace
