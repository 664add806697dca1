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

std::string PrintNumber(double value) {
  JsonNode* node = JsonNewNumber(value);
  std::string text = Print(node, 0, 1);
  JsonDestroy(node);
  return text;
}

TEST(JsonPrintTest, NumbersTakeFirstMatchingForm) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {-1, "-1"},
      {3, "3"},
      {2147483647, "2147483647"},
      {-2147483648.0, "-2147483648"},
      {3000000000.0, "3000000000"},
      {-3000000000.0, "-3000000000"},
      {4294967295.0, "4294967295"},
      {1000000000, "1000000000"},
      {1000000000.5, "1.000000e+009"},
      {1234567890.5, "1.234568e+009"},
      {2.5, "2.500000"},
      {-2.5, "-2.500000"},
      {0.000001, "0.000001"},  // 1e-6 itself is not below the bound
      {0.0000001, "1.000000e-007"},
      {-0.0000001, "-1.000000e-007"},
      {1e60, "1.000000e+060"},
      {1e59, "99999999999999997000000000000000000000000000000000000000000"},
      {0.0078125, "0.007813"},
      {9223372036854775808.0, "9223372036854775800"},
      {0.30000000000000004, "0.300000"},
      {999999999.9999999, "1000000000.000000"},  // rounding carries into a new digit
      {0.5, "0.500000"},
      {0.0000015, "0.000002"},
      {123.456, "123.456000"},
      {9.9999995e-7, "9.999999e-007"},
      {9.99999995e8 + 0.5, "999999995.500000"},
      {1.7976931348623157e308, "1.797693e+308"},
      {4.9406564584124654e-324, "0"},  // within 2^-52 of zero
      {1e-300, "0"},
      {3e-16, "3.000000e-016"},
      {2.98023223876953125e-08, "2.980232e-008"},
      {1e23, "99999999999999992000000"},  // zeros past the 17th digit
      {1e19, "10000000000000000000"},     // twenty digits in 64 bits
      {18446744073709549568.0, "18446744073709550000"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PrintNumber(c.value), c.text) << "value: " << c.value;
  }
}

TEST(JsonPrintTest, NumberPrintsFromDoubleWhenFieldsDisagree) {
  JsonNode* node = JsonNewNumber(7.5);
  node->integerValue = 7;
  EXPECT_EQ(Print(node, 0, 1), "7.500000");
  node->integerValue = 0;
  node->doubleValue = 1e-17;  // within 2^-52 of the integer
  EXPECT_EQ(Print(node, 0, 1), "0");
  JsonDestroy(node);
}

TEST(JsonPrintTest, StringsEscapeQuotesBackslashesAndControlBytes) {
  struct Case {
    const char* text;
    const char* printed;
  } cases[] = {
      {"a", "\"a\""},
      {"", "\"\""},
      {"\"\\/\t\x01\xC3\xA9", "\"\\\"\\\\/\\t\\u0001\xC3\xA9\""},
      {"\b\f\n\r", "\"\\b\\f\\n\\r\""},
      {"\x1B\x1F\x7F", "\"\\u001b\\u001f\x7F\""},
  };
  for (const Case& c : cases) {
    JsonNode* node = JsonNewString(c.text);
    EXPECT_EQ(Print(node, 0, 1), c.printed) << "text: " << c.text;
    JsonDestroy(node);
  }
  // Longer than the printer's first block and four times it: it grows in one step.
  const std::string run(300, 'a');
  JsonNode* node = JsonNewString((run + "\n" + run).c_str());
  EXPECT_EQ(Print(node, 0, 1), "\"" + run + "\\n" + run + "\"");
  JsonDestroy(node);
}

TEST(JsonPrintTest, MissingTextsPrintAsNothing) {
  JsonNode* object = JsonNewObject();
  JsonNode* value = JsonNewString("x");
  JsonRelease(value->stringValue);
  value->stringValue = nullptr;
  JsonAppendMember(object, "name", value);
  JsonNode* nameless = JsonNewTrue();
  JsonAppendElement(object, nameless);
  EXPECT_EQ(Print(object, 0, 0), "{\"name\":,:true}");
  JsonDestroy(object);
}

TEST(JsonPrintTest, ScalarsAtRootHaveNoLineFeed) {
  JsonNode* nodes[] = {JsonNewTrue(), JsonNewFalse(), JsonNewNull(), JsonNewString("a")};
  const char* expected[] = {"true", "false", "null", "\"a\""};
  for (int i = 0; i < 4; ++i) {
    char* text = JsonPrint(nodes[i]);
    EXPECT_STREQ(text, expected[i]);
    JsonRelease(text);
    JsonDestroy(nodes[i]);
  }
}

TEST(JsonPrintTest, UnknownTypeAndNullNodeGiveNull) {
  CountingAllocator counter;
  JsonNode* node = JsonNewNull();
  node->type = 7;
  EXPECT_EQ(JsonPrintValue(node, 0, 1), nullptr);
  EXPECT_EQ(JsonPrintValue(nullptr, 0, 1), nullptr);
  node->type = 0x100 | static_cast<std::int32_t>(JsonType::True);  // only the low byte counts
  EXPECT_EQ(Print(node, 0, 1), "true");
  JsonDestroy(node);
  EXPECT_EQ(counter.outstanding(), 0u);
}

TEST(JsonPrintTest, EmptyContainersByDepth) {
  JsonNode* object = JsonNewObject();
  JsonNode* array = JsonNewArray();
  const char* formatted[] = {"{\n}", "{\n}", "{\n\t}", "{\n\t\t}"};
  for (int depth = 0; depth < 4; ++depth) {
    EXPECT_EQ(Print(object, depth, 1), formatted[depth]) << "depth " << depth;
    EXPECT_EQ(Print(object, depth, 0), "{}") << "depth " << depth;
    EXPECT_EQ(Print(array, depth, 1), "[]") << "depth " << depth;
    EXPECT_EQ(Print(array, depth, 0), "[]") << "depth " << depth;
  }
  JsonDestroy(object);
  JsonDestroy(array);
}

// Builds trees from text so the examples read as they print.
struct Example {
  const char* source;
  const char* formatted;
  const char* compact;
};

TEST(JsonPrintTest, LayoutOfNestedContainers) {
  const Example examples[] = {
      {"[{\"id\":1,\"name\":\"Li\",\"done\":true},{\"id\":2,\"name\":\"\",\"done\":false}]",
       "[{\n\t\t\"id\":\t1,\n\t\t\"name\":\t\"Li\",\n\t\t\"done\":\ttrue\n\t}, "
       "{\n\t\t\"id\":\t2,\n\t\t\"name\":\t\"\",\n\t\t\"done\":\tfalse\n\t}]",
       "[{\"id\":1,\"name\":\"Li\",\"done\":true},{\"id\":2,\"name\":\"\",\"done\":false}]"},
      {"{\"a\":{\"b\":1},\"e\":{},\"k\":[],\"l\":[1,2.5,\"x\"],\"n\":{\"z\":{}}}",
       "{\n\t\"a\":\t{\n\t\t\"b\":\t1\n\t},\n\t\"e\":\t{\n},\n\t\"k\":\t[],\n\t\"l\":\t[1, "
       "2.500000, \"x\"],\n\t\"n\":\t{\n\t\t\"z\":\t{\n\t}\n\t}\n}",
       "{\"a\":{\"b\":1},\"e\":{},\"k\":[],\"l\":[1,2.500000,\"x\"],\"n\":{\"z\":{}}}"},
      {"[[1,2],[],[{\"a\":1}]]", "[[1, 2], [], [{\n\t\t\t\"a\":\t1\n\t\t}]]",
       "[[1,2],[],[{\"a\":1}]]"},
      {"{\"a\":1,\"a\":2}", "{\n\t\"a\":\t1,\n\t\"a\":\t2\n}", "{\"a\":1,\"a\":2}"},
  };
  for (const Example& e : examples) {
    JsonNode* tree = JsonParse(e.source);
    ASSERT_NE(tree, nullptr) << e.source;
    char* text = JsonPrint(tree);
    EXPECT_STREQ(text, e.formatted) << e.source;
    JsonRelease(text);
    EXPECT_EQ(Print(tree, 0, 0), e.compact) << e.source;
    JsonDestroy(tree);
  }
}

}  // namespace
