#include <cstdint>

#include "gtest/gtest.h"
#include "json/json.h"
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

}  // namespace
