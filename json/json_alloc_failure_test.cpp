#include <cstdint>

#include "gtest/gtest.h"
#include "json/json.h"
#include "testing/test_support.h"

namespace {

const char kNestedText[] =
    "{\"a\":[1,2.5,{\"b\":\"x\\u00e9\",\"c\":[[],{}]}],\"d\":null,\"e\":true,"
    "\"f\":{\"g\":[\"h\",\"i\"]},\"j\":\"\\ud83d\\ude00\"}";

std::size_t RequestsWithoutFailure(JsonNode* tree, std::int32_t formatted) {
  CountingAllocator counter;
  char* text = tree == nullptr ? nullptr : JsonPrintValue(tree, 0, formatted);
  JsonNode* parsed = tree == nullptr ? JsonParse(kNestedText) : nullptr;
  std::size_t requests = counter.requests();
  JsonRelease(text);
  JsonDestroy(parsed);
  return requests;
}

TEST(JsonAllocFailureTest, ParseFailingAtEveryRequestLeavesNothing) {
  std::size_t total = RequestsWithoutFailure(nullptr, 0);
  ASSERT_GT(total, 20u);
  for (std::size_t k = 1; k <= total; ++k) {
    CountingAllocator counter(k);
    JsonParseError error = JsonParseError::None;
    EXPECT_EQ(JsonParseWith(kNestedText, &error), nullptr) << "failing request " << k;
    EXPECT_EQ(error, JsonParseError::OutOfMemory) << "failing request " << k;
    EXPECT_EQ(counter.outstanding(), 0u) << "failing request " << k;
  }
}

TEST(JsonAllocFailureTest, PrintFailingAtEveryRequestLeavesNothing) {
  JsonNode* tree = JsonParse(kNestedText);
  ASSERT_NE(tree, nullptr);
  for (std::int32_t formatted = 0; formatted <= 1; ++formatted) {
    std::size_t total = RequestsWithoutFailure(tree, formatted);
    ASSERT_GT(total, 20u);
    for (std::size_t k = 1; k <= total; ++k) {
      CountingAllocator counter(k);
      EXPECT_EQ(JsonPrintValue(tree, 0, formatted), nullptr)
          << "formatted " << formatted << ", failing request " << k;
      EXPECT_EQ(counter.outstanding(), 0u)
          << "formatted " << formatted << ", failing request " << k;
    }
  }
  JsonDestroy(tree);
}

}  // namespace
