#include "app/rebuild.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "testing/test_support.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";

std::string Member(const char* name, const std::string& value, bool last = false) {
  return std::string("\t\t\"") + name + "\":\t" + value + (last ? "\n" : ",\n");
}

std::string EmptyEntry() {
  return "{\n" + Member("m_bHaveData", "false") + Member("m_strPlayerName", "\"\"") +
         Member("m_strPlaceName", "\"\"") + Member("m_strTime", "\"\"") +
         Member("m_strYear", "\"\"") + Member("m_strMonth", "\"\"") +
         Member("m_strPlayerIconName", "\"\"") + Member("m_strTrueTime", "null") +
         Member("m_strTrueYear", "null", true) + "\t}";
}

std::string FilledEntry(const std::string& name, const std::string& place, const std::string& year,
                        const std::string& icon, const std::string& date) {
  return "{\n" + Member("m_bHaveData", "true") + Member("m_strPlayerName", "\"" + name + "\"") +
         Member("m_strPlaceName", "\"" + place + "\"") + Member("m_strTime", "\"\"") +
         Member("m_strYear", year) + Member("m_strMonth", "\"\"") +
         Member("m_strPlayerIconName", icon) + Member("m_strTrueTime", "\"1\"") +
         Member("m_strTrueYear", "\"" + date + "\"", true) + "\t}";
}

// The title file for 20 slots: the given entries by slot, empty ones elsewhere.
std::string TitleFile(const std::vector<std::pair<int, std::string>>& filled) {
  std::string text = kBom + "[";
  for (int slot = 0; slot < kSlotCount; ++slot) {
    std::string entry = EmptyEntry();
    for (const auto& [filled_slot, filled_entry] : filled) {
      if (filled_slot == slot)
        entry = filled_entry;
    }
    text += (slot == 0 ? "" : ", ") + entry;
  }
  return text + "]";
}

constexpr long long kJuly31At2330Utc = 1438385400;

class RebuildTest : public ::testing::Test {
 protected:
  std::string Title(SaveKind kind) const {
    return temp_.Join(kind == SaveKind::Manual ? "SaveTitle.SaveTitle"
                                               : "SaveAutomaticDTitle.SaveTitle");
  }
  void Save(const std::string& name, const std::string& bytes) {
    WriteFileForTest(temp_.Join(name), bytes);
    ASSERT_TRUE(SetLastWriteTimeForTest(temp_.Join(name), kJuly31At2330Utc));
  }
  int Rebuild(SaveKind kind, TitleOutcome* outcome) {
    return RebuildTitleFile(NativePath(Title(kind)).c_str(), NativePath(temp_.path()).c_str(), kind,
                            outcome);
  }
  ScopedTempDir temp_;
};

TEST_F(RebuildTest, WorkedExampleByteForByte) {
  // ctest runs the tests at UTC+8, where this save was last written on 1 August.
  Save("Save0.Save",
       kBom +
           "{\"m_strPlayerLastName\":\"Mo\",\"m_strPlayerName\":\"Lan\","
           "\"m_strSceneName\":\"Riverside\",\"m_iYear\":3,\"m_PlayerIconID\":\"12\"}");
  TitleOutcome outcome = TitleOutcome::kWriteFailed;
  EXPECT_EQ(Rebuild(SaveKind::Manual, &outcome), 1);
  EXPECT_EQ(outcome, TitleOutcome::kWritten);
  std::string file = ReadWholeFileForTest(Title(SaveKind::Manual));
  const std::string start =
      kBom + "[{\n\t\t\"m_bHaveData\":\ttrue,\n\t\t\"m_strPlayerName\":\t\"MoLan\",\n";
  const std::string between =
      "\t\t\"m_strTrueYear\":\t\"2015/08/01\"\n\t}, {\n\t\t\"m_bHaveData\":\tfalse,\n";
  const std::string end = "\t\t\"m_strTrueYear\":\tnull\n\t}]";
  EXPECT_EQ(file.compare(0, start.size(), start), 0);
  EXPECT_NE(file.find(between), std::string::npos);
  ASSERT_GE(file.size(), end.size());
  EXPECT_EQ(file.compare(file.size() - end.size(), end.size(), end), 0);
  EXPECT_EQ(file, TitleFile({{0, FilledEntry("MoLan", "Riverside", "3", "12", "2015/08/01")}}));
}

// A save's block is not cleared before the read, and the heap may hand it out where the
// previous save lay: a short save must see only its own bytes, never the tail of a
// longer save read before it.
TEST_F(RebuildTest, ShortSaveAfterLongOneSeesOnlyItsOwnBytes) {
  const std::string tail = ",\"m_strSceneName\":\"Riverside\"}";
  Save("Save0.Save", kBom + "{\"m_strPlayerName\":\"Lan\",\"m_iYear\":3" + tail);
  // Cut short just where the first save's tail would finish it as valid JSON.
  Save("Save1.Save", kBom + "{\"m_strPlayerName\":\"Lan\",\"m_iYear\":3");
  Save("Save2.Save", kBom + "[1]       ");
  EXPECT_EQ(Rebuild(SaveKind::Manual, nullptr), 2);
  EXPECT_EQ(ReadWholeFileForTest(Title(SaveKind::Manual)),
            TitleFile({{0, FilledEntry("Lan", "Riverside", "3", "0", "2015/08/01")},
                       {2, FilledEntry("", "", "0", "0", "2015/08/01")}}));
}

TEST_F(RebuildTest, MemoryRunningOutKeepsTheOldTitleAndLeavesNothing) {
  Save("Save0.Save", kBom + "{\"m_strPlayerName\":\"Lan\",\"m_iYear\":3}");
  Save("Save4.Save", kBom + "[1, {\"a\": [2, 3]}]");
  std::size_t requests = 0;
  {
    CountingAllocator counter;
    EXPECT_EQ(Rebuild(SaveKind::Manual, nullptr), 2);
    requests = counter.requests();
    EXPECT_EQ(counter.outstanding(), 0u);
  }
  // Whatever request fails, no slot is emptied for it: the old title file stays.
  for (std::size_t k = 1; k <= requests; ++k) {
    WriteFileForTest(Title(SaveKind::Manual), "old");
    CountingAllocator counter(k);
    TitleOutcome outcome = TitleOutcome::kWritten;
    Rebuild(SaveKind::Manual, &outcome);
    EXPECT_EQ(counter.outstanding(), 0u) << "failing request " << k;
    EXPECT_EQ(outcome, TitleOutcome::kOutOfMemory) << "failing request " << k;
    EXPECT_EQ(ReadWholeFileForTest(Title(SaveKind::Manual)), "old") << "failing request " << k;
  }
}

}  // namespace
