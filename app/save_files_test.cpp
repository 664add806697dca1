#include "app/save_files.h"

#include <string>

#include "gtest/gtest.h"
#include "testing/test_support.h"

namespace {

TEST(SaveFilesTest, FileNamesPerKindAndSlot) {
  struct Case {
    SaveKind kind;
    int slot;  // -1: the title file
    const char* path;
  } cases[] = {
      {SaveKind::Manual, 0, "D:/Saves/Save0.Save"},
      {SaveKind::Manual, 7, "D:/Saves/Save7.Save"},
      {SaveKind::Manual, 19, "D:/Saves/Save19.Save"},
      {SaveKind::Automatic, 0, "D:/Saves/AutomaticDSave0.Save"},
      {SaveKind::Automatic, 19, "D:/Saves/AutomaticDSave19.Save"},
      {SaveKind::Manual, -1, "D:/Saves/SaveTitle.SaveTitle"},
      {SaveKind::Automatic, -1, "D:/Saves/SaveAutomaticDTitle.SaveTitle"},
  };
  const NativeString folder = NativePath(NativeSeparators("D:/Saves"));
  for (const Case& c : cases) {
    PathChar path[64];
    ASSERT_EQ(c.slot < 0 ? FormatTitlePath(path, 64, folder.c_str(), c.kind)
                         : FormatSavePath(path, 64, folder.c_str(), c.kind, c.slot),
              1);
    EXPECT_EQ(NativeString(path), NativePath(NativeSeparators(c.path)));
  }
  // "x/SaveTitle.SaveTitle" is 21 units: it fits 22 with its zero, not 21.
  PathChar path[22];
  EXPECT_EQ(FormatTitlePath(path, 22, NativePath("x").c_str(), SaveKind::Manual), 1);
  EXPECT_EQ(FormatTitlePath(path, 21, NativePath("x").c_str(), SaveKind::Manual), 0);
  EXPECT_EQ(FormatSavePath(path, 12, NativePath("x").c_str(), SaveKind::Manual, 19), 0);
}

TEST(SaveFilesTest, IconNumberConvertsLike32BitStrtoul) {
  struct Case {
    const char* text;
    std::uint32_t value;
  } cases[] = {
      {"12", 12},
      {"007", 7},
      {"12abc", 12},
      {"", 0},
      {"abc", 0},
      {"-1", 4294967295u},
      {"4294967295", 4294967295u},
      {"4294967296", 4294967295u},
      {"99999999999999999999999", 4294967295u},
      {"-4294967296", 4294967295u},
      {"  \t+42", 42},
      {"-0", 0},
      {"0x10", 0},
      {"- 5", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseIconNumber(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(SaveFilesTest, ReadsMembersIgnoringCaseFirstMatchWins) {
  JsonNode* save = JsonParse(
      "{\"M_STRSCENENAME\":\"Hall\",\"m_strSceneName\":\"Second\",\"m_strplayerlastname\":\"Mo\","
      "\"m_strPlayerName\":\"Lan\",\"m_iYear\":2015,\"m_PlayerIconID\":\"12\"}");
  ASSERT_NE(save, nullptr);
  SaveFields fields = ReadSaveFields(save);
  EXPECT_STREQ(fields.place, "Hall");
  EXPECT_STREQ(fields.family_name, "Mo");
  EXPECT_STREQ(fields.given_name, "Lan");
  EXPECT_EQ(fields.year, 2015u);
  EXPECT_EQ(fields.icon, 12u);
  JsonDestroy(save);
}

TEST(SaveFilesTest, YearTakesLow32BitsOfTheInteger) {
  struct Case {
    const char* value;
    std::uint32_t year;
  } cases[] = {
      {"-1", 4294967295u}, {"4294967296", 0}, {"2.9", 2},        {"\"3\"", 0},
      {"true", 1},         {"null", 0},       {"4294967297", 1},
  };
  for (const Case& c : cases) {
    std::string text = std::string("{\"m_iYear\":") + c.value + "}";
    JsonNode* save = JsonParse(text.c_str());
    ASSERT_NE(save, nullptr) << text;
    EXPECT_EQ(ReadSaveFields(save).year, c.year) << text;
    JsonDestroy(save);
  }
}

TEST(SaveFilesTest, MissingOrMistypedMembersGiveEmptyTextAndZero) {
  const char* saves[] = {
      "{}",
      "[1,2]",
      "\"a string\"",
      "{\"m_strPlayerLastName\":1,\"m_strPlayerName\":null,\"m_strSceneName\":[],"
      "\"m_PlayerIconID\":12}",
  };
  for (const char* text : saves) {
    JsonNode* save = JsonParse(text);
    ASSERT_NE(save, nullptr) << text;
    SaveFields fields = ReadSaveFields(save);
    EXPECT_STREQ(fields.family_name, "") << text;
    EXPECT_STREQ(fields.given_name, "") << text;
    EXPECT_STREQ(fields.place, "") << text;
    EXPECT_EQ(fields.year, 0u) << text;
    EXPECT_EQ(fields.icon, 0u) << text;
    JsonDestroy(save);
  }
}

}  // namespace
