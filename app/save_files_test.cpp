#include "app/save_files.h"

#include <string>
#include <tuple>
#include <utility>

#include "gtest/gtest.h"
#include "testing/test_support.h"

namespace {

TEST(SaveFilesTest, FileNamesPerKindAndSlot) {
  const std::tuple<SaveKind, int, const char*> cases[] = {  // slot -1: the title file
      {SaveKind::Manual, 0, "D:/Saves/Save0.Save"},
      {SaveKind::Manual, 19, "D:/Saves/Save19.Save"},
      {SaveKind::Automatic, 0, "D:/Saves/AutomaticDSave0.Save"},
      {SaveKind::Automatic, 19, "D:/Saves/AutomaticDSave19.Save"},
      {SaveKind::Manual, -1, "D:/Saves/SaveTitle.SaveTitle"},
      {SaveKind::Automatic, -1, "D:/Saves/SaveAutomaticDTitle.SaveTitle"},
  };
  const NativeString folder = NativePath(NativeSeparators("D:/Saves"));
  for (const auto& [kind, slot, expected] : cases) {
    PathChar path[64];
    ASSERT_EQ(slot < 0 ? FormatTitlePath(path, 64, folder.c_str(), kind)
                       : FormatSavePath(path, 64, folder.c_str(), kind, slot),
              1);
    EXPECT_EQ(NativeString(path), NativePath(NativeSeparators(expected)));
  }
  // "x/SaveTitle.SaveTitle" is 21 units: it fits 22 with its zero, not 21.
  PathChar path[22];
  EXPECT_EQ(FormatTitlePath(path, 22, NativePath("x").c_str(), SaveKind::Manual), 1);
  EXPECT_EQ(FormatTitlePath(path, 21, NativePath("x").c_str(), SaveKind::Manual), 0);
  EXPECT_EQ(FormatSavePath(path, 12, NativePath("x").c_str(), SaveKind::Manual, 19), 0);
}

TEST(SaveFilesTest, IconNumberConvertsLike32BitStrtoul) {
  const std::pair<const char*, std::uint32_t> cases[] = {
      {"12", 12},         {"007", 7},
      {"12abc", 12},      {"", 0},
      {"abc", 0},         {"-1", 4294967295u},
      {"4294967295", 4294967295u},
      {"4294967296", 4294967295u},
      {"99999999999999999999999", 4294967295u},
      {"-4294967296", 4294967295u},
      {"  \t+42", 42},    {"-0", 0},
      {"0x10", 0},        {"- 5", 0},
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(ParseIconNumber(text), value) << '"' << text << '"';
  }
}

// Saves are parsed as the tool parses them, building only the members it reads.
TEST(SaveFilesTest, ReadsFieldsIgnoringCaseFirstMatchWins) {
  struct Case {
    const char* save;
    const char* names[3];  // family, given, place
    std::uint32_t year;
    std::uint32_t icon;
  } cases[] = {
      {"{\"M_STRSCENENAME\":\"Hall\",\"m_strSceneName\":\"Second\",\"m_strplayerlastname\":"
       "\"Mo\",\"m_strPlayerName\":\"Lan\",\"m_iYear\":2015,\"m_PlayerIconID\":\"12\"}",
       {"Mo", "Lan", "Hall"}, 2015, 12},
      // Missing or mistyped members give empty texts and zeros.
      {"{}", {"", "", ""}, 0, 0},
      {"[1,2]", {"", "", ""}, 0, 0},
      {"\"a string\"", {"", "", ""}, 0, 0},
      {"{\"m_strPlayerLastName\":1,\"m_strPlayerName\":null,\"m_strSceneName\":[],"
       "\"m_PlayerIconID\":12,\"m_iYear\":\"3\"}",
       {"", "", ""}, 0, 0},
      // The year is the low 32 bits of the member's integer.
      {"{\"m_iYear\":-1}", {"", "", ""}, 4294967295u, 0},
      {"{\"m_iYear\":4294967296}", {"", "", ""}, 0, 0},
      {"{\"m_iYear\":4294967297}", {"", "", ""}, 1, 0},
      {"{\"m_iYear\":2.9}", {"", "", ""}, 2, 0},
      {"{\"m_iYear\":true}", {"", "", ""}, 1, 0},
  };
  for (const Case& c : cases) {
    JsonNode* save = JsonParseWith(c.save, nullptr, kSaveFieldNames);
    ASSERT_NE(save, nullptr) << c.save;
    SaveFields fields = ReadSaveFields(save);
    EXPECT_STREQ(fields.family_name, c.names[0]) << c.save;
    EXPECT_STREQ(fields.given_name, c.names[1]) << c.save;
    EXPECT_STREQ(fields.place, c.names[2]) << c.save;
    EXPECT_EQ(fields.year, c.year) << c.save;
    EXPECT_EQ(fields.icon, c.icon) << c.save;
    JsonDestroy(save);
  }
}

}  // namespace
