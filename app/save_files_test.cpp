#include "app/save_files.h"

#include <string>
#include <utility>

#include "gtest/gtest.h"
#include "testing/test_support.h"

namespace {

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

// The file names, and the fields of ordinary saves, are end-to-end cases. Saves are parsed
// here as the tool parses them, building only the members it reads.
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
      // Members of other types give empty texts and zeros; no lookup finds an element.
      {"[1,2]", {"", "", ""}, 0, 0},
      {"{\"m_strPlayerLastName\":1,\"m_strPlayerName\":null,\"m_strSceneName\":[],"
       "\"m_PlayerIconID\":12,\"m_iYear\":\"3\"}",
       {"", "", ""}, 0, 0},
      // The year is the low 32 bits of the member's integer.
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
