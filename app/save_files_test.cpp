#include "app/save_files.h"

#include <cstdint>
#include <utility>

#include "gtest/gtest.h"

namespace {

TEST(SaveFilesTest, IconNumberConvertsLike32BitStrtoul) {
  const std::pair<const char*, std::uint32_t> cases[] = {
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
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(ParseIconNumber(text), value) << '"' << text << '"';
  }
}

}  // namespace
