#include <cstdint>
#include <cstring>

#include "gtest/gtest.h"
#include "json/json.h"
#include "json/json_print.h"
#include "testing/test_support.h"

namespace {

const char kNestedText[] =
    "{\"a\":[1,2.5,{\"b\":\"x\\u00e9\",\"c\":[[],{}]}],\"d\":null,\"e\":true,"
    "\"f\":{\"g\":[\"h\",\"i\"]},\"j\":\"\\ud83d\\ude00\"}";

// The filtered parse builds the member a with all it holds, and the surrogate pair j.
const char* const kWanted[] = {"a", "j", nullptr};

std::size_t ParseRequests(const char* const* wanted) {
  CountingAllocator counter;
  JsonDestroy(JsonParseWith(kNestedText, nullptr, wanted));
  return counter.requests();
}

std::size_t PrintRequests(const JsonNode* tree, std::int32_t formatted, std::size_t first_block) {
  CountingAllocator counter;
  JsonRelease(JsonPrintValueFrom(tree, 0, formatted, first_block));
  return counter.requests();
}

TEST(JsonAllocFailureTest, ParseFailingAtEveryRequestLeavesNothing) {
  for (const char* const* wanted : {static_cast<const char* const*>(nullptr), kWanted}) {
    std::size_t total = ParseRequests(wanted);
    ASSERT_GT(total, 15u);
    for (std::size_t k = 1; k <= total; ++k) {
      CountingAllocator counter(k);
      JsonParseError error = JsonParseError::None;
      EXPECT_EQ(JsonParseWith(kNestedText, &error, wanted), nullptr) << "failing request " << k;
      EXPECT_EQ(error, JsonParseError::OutOfMemory) << "failing request " << k;
      EXPECT_EQ(counter.outstanding(), 0u) << "failing request " << k;
    }
  }
}

// The text outgrows its block at a different point of the print for every size of the
// first block, up to the whole text's; "{}" fills its block to the last byte.
TEST(JsonAllocFailureTest, PrintFailingAtEveryRequestLeavesNothing) {
  for (const char* source : {kNestedText, "{}"}) {
    JsonNode* tree = JsonParse(source);
    ASSERT_NE(tree, nullptr);
    for (std::int32_t formatted = 0; formatted <= 1; ++formatted) {
      char* expected = JsonPrintValue(tree, 0, formatted);
      for (std::size_t first = 1; first <= std::strlen(expected) + 1; ++first) {
        char* text = JsonPrintValueFrom(tree, 0, formatted, first);
        EXPECT_STREQ(text, expected) << source << ", first block " << first;
        JsonRelease(text);
        std::size_t total = PrintRequests(tree, formatted, first);
        for (std::size_t k = 1; k <= total; ++k) {
          CountingAllocator counter(k);
          EXPECT_EQ(JsonPrintValueFrom(tree, 0, formatted, first), nullptr)
              << source << ", formatted " << formatted << ", first block " << first << ", request "
              << k;
          EXPECT_EQ(counter.outstanding(), 0u) << source << ", request " << k;
        }
      }
      JsonRelease(expected);
    }
    JsonDestroy(tree);
  }
}

}  // namespace
