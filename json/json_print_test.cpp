#include "json/json_print.h"

#include <cstdint>
#include <limits>
#include <string>

#include "gtest/gtest.h"
#include "json/json.h"
#include "testing/test_support.h"

namespace {

std::string Print(const JsonNode* node, std::int32_t depth, std::int32_t formatted) {
  char* text = JsonPrintValue(node, depth, formatted);
  EXPECT_NE(text, nullptr);
  std::string result = text != nullptr ? text : "<null>";
  JsonRelease(text);
  return result;
}

TEST(JsonPrintTest, NumbersTakeFirstMatchingForm) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {2147483647, "2147483647"},
      {-2147483648.0, "-2147483648"},
      {-3000000000.0, "-3000000000"},
      {1000000000.5, "1.000000e+009"},
      {1234567890.5, "1.234568e+009"},
      {2.5, "2.500000"},
      {-2.5, "-2.500000"},
      {0.000001, "0.000001"},  // 1e-6 itself is not below the bound
      {0.0000001, "1.000000e-007"},
      {-1e100, "-1.000000e+100"},
      {1e60, "1.000000e+060"},
      {1e59, "99999999999999997000000000000000000000000000000000000000000"},  // zeros past 17
      {0.0078125, "0.007813"},
      {0.30000000000000004, "0.300000"},
      {999999999.9999999, "1000000000.000000"},  // rounding carries into a new digit
      {0.0000015, "0.000002"},
      {9.9999995e-7, "9.999999e-007"},
      {9.99999995e8 + 0.5, "999999995.500000"},
      {1.7976931348623157e308, "1.797693e+308"},
      {4.9406564584124654e-324, "0"},  // within 2^-52 of zero
      {3e-16, "3.000000e-016"},
      {18446744073709549568.0, "18446744073709550000"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
  };
  for (const Case& c : cases) {
    JsonNode* node = JsonNewNumber(c.value);
    EXPECT_EQ(Print(node, 0, 1), c.text) << "value: " << c.value;
    JsonDestroy(node);
  }
}

TEST(JsonPrintTest, StringsEscapeQuotesBackslashesAndControlBytes) {
  struct Case {
    const char* text;
    const char* printed;
  } cases[] = {
      {"", "\"\""},
      {"\"\\/ \t\x01\xC3\xA9", "\"\\\"\\\\/ \\t\\u0001\xC3\xA9\""},
      {"\b\f\n\r", "\"\\b\\f\\n\\r\""},
      {"\x1B\x1F\x7F", "\"\\u001b\\u001f\x7F\""},
  };
  for (const Case& c : cases) {
    JsonNode* node = JsonNewString(c.text);
    EXPECT_EQ(Print(node, 0, 1), c.printed) << "text: " << c.text;
    JsonDestroy(node);
  }
}

TEST(JsonPrintTest, MissingTextsPrintAsNothing) {
  JsonNode* object = JsonNewObject();
  JsonNode* value = JsonNewString("x");
  JsonRelease(value->stringValue);
  value->stringValue = nullptr;
  JsonAppendMember(object, "name", value);
  JsonAppendElement(object, JsonNewTrue());  // a member without a name
  EXPECT_EQ(Print(object, 0, 0), "{\"name\":,:true}");
  JsonDestroy(object);
}

TEST(JsonPrintTest, UnknownTypeAndNullNodeGiveNull) {
  CountingAllocator counter;
  JsonNode* node = JsonNewNull();
  node->type = 7;
  EXPECT_EQ(JsonPrintValue(node, 0, 1), nullptr);
  EXPECT_EQ(JsonPrintValue(nullptr, 0, 1), nullptr);
  node->type = 0x100 | static_cast<std::int32_t>(JsonType::False);  // only the low byte counts
  EXPECT_EQ(Print(node, 0, 1), "false");
  JsonDestroy(node);
  EXPECT_EQ(counter.outstanding(), 0u);
}

TEST(JsonPrintTest, EmptyObjectClosesOneTabShortOfItsDepth) {
  JsonNode* object = JsonNewObject();
  EXPECT_EQ(Print(object, 3, 1), "{\n\t\t}");  // the examples print it at depths 0 to 2
  JsonDestroy(object);
}

// Trees built from text, so that the examples read as they print.
const struct {
  const char* source;
  const char* formatted;
  const char* compact;
} kExamples[] = {
    {"{\"a\":{\"b\":1},\"e\":{},\"k\":[],\"l\":[1,2.5,\"x\",true],\"n\":{\"z\":{}}}",
     "{\n\t\"a\":\t{\n\t\t\"b\":\t1\n\t},\n\t\"e\":\t{\n},\n\t\"k\":\t[],\n\t\"l\":\t[1, "
     "2.500000, \"x\", true],\n\t\"n\":\t{\n\t\t\"z\":\t{\n\t}\n\t}\n}",
     "{\"a\":{\"b\":1},\"e\":{},\"k\":[],\"l\":[1,2.500000,\"x\",true],\"n\":{\"z\":{}}}"},
    {"[[null,2],[],[{\"a\":1}]]", "[[null, 2], [], [{\n\t\t\t\"a\":\t1\n\t\t}]]",
     "[[null,2],[],[{\"a\":1}]]"},
    // Duplicate names stay, in text order; a name's escapes are decoded.
    {"{\"a\":1,\"A\":null,\"\\u0062\":\"x\"}",
     "{\n\t\"a\":\t1,\n\t\"A\":\tnull,\n\t\"b\":\t\"x\"\n}", "{\"a\":1,\"A\":null,\"b\":\"x\"}"},
    {"{}", "{\n}", "{}"},  // fills its first block to the last byte
};

TEST(JsonPrintTest, LayoutOfNestedContainers) {
  for (const auto& e : kExamples) {
    JsonNode* tree = JsonParse(e.source);
    ASSERT_NE(tree, nullptr) << e.source;
    char* text = JsonPrint(tree);
    EXPECT_STREQ(text, e.formatted) << e.source;
    JsonRelease(text);
    EXPECT_EQ(Print(tree, 0, 0), e.compact) << e.source;
    JsonDestroy(tree);
  }
}

// The text outgrows its block at a different point of the print for every size of the
// first block, up to the whole text's. Request k fails, for each k until the print makes
// fewer than k requests.
TEST(JsonPrintTest, FailingAtEveryRequestLeavesNothing) {
  for (const auto& e : kExamples) {
    JsonNode* tree = JsonParse(e.source);
    for (std::int32_t formatted = 0; formatted <= 1; ++formatted) {
      const std::string expected = formatted ? e.formatted : e.compact;
      for (std::size_t first = 1; first <= expected.size() + 1; ++first) {
        for (std::size_t k = 1;; ++k) {
          CountingAllocator counter(k);
          char* text = JsonPrintValueFrom(tree, 0, formatted, first);
          if (counter.requests() < k) {
            EXPECT_STREQ(text, expected.c_str()) << e.source << ", first block " << first;
            JsonRelease(text);
            break;
          }
          EXPECT_EQ(text, nullptr) << e.source << ", first block " << first << ", request " << k;
          EXPECT_EQ(counter.outstanding(), 0u) << e.source << ", request " << k;
        }
      }
    }
    JsonDestroy(tree);
  }
}

}  // namespace
