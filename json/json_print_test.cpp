#include "json/json_print.h"

#include <cstdint>
#include <limits>
#include <string>

#include "gtest/gtest.h"
#include "json/json.h"
#include "testing/parse_agreement.h"
#include "testing/test_support.h"

namespace {

JsonNode* WithType(JsonNode* node, std::int32_t type) {
  node->type = type;
  return node;
}

// Each value printed formatted at depth 3, which only an Object shows.
TEST(JsonPrintTest, ValuesTakeFirstMatchingForm) {
  CountingAllocator counter;
  const struct {
    JsonNode* node;
    const char* text;
  } cases[] = {
      {JsonNewNumber(0), "0"},
      {JsonNewNumber(-0.0), "0"},
      {JsonNewNumber(2147483647), "2147483647"},
      {JsonNewNumber(-2147483648.0), "-2147483648"},
      {JsonNewNumber(-3000000000.0), "-3000000000"},
      {JsonNewNumber(1000000000.5), "1.000000e+009"},
      {JsonNewNumber(1234567890.5), "1.234568e+009"},
      {JsonNewNumber(2.5), "2.500000"},
      {JsonNewNumber(-2.5), "-2.500000"},
      {JsonNewNumber(0.000001), "0.000001"},  // 1e-6 itself is not below the bound
      {JsonNewNumber(0.0000001), "1.000000e-007"},
      {JsonNewNumber(-1e100), "-1.000000e+100"},
      {JsonNewNumber(1e60), "1.000000e+060"},
      // Zeros past the 17th digit.
      {JsonNewNumber(1e59), "99999999999999997000000000000000000000000000000000000000000"},
      {JsonNewNumber(0.0078125), "0.007813"},
      {JsonNewNumber(0.30000000000000004), "0.300000"},
      {JsonNewNumber(999999999.9999999), "1000000000.000000"},  // rounding carries into a new digit
      {JsonNewNumber(0.0000015), "0.000002"},
      {JsonNewNumber(9.9999995e-7), "9.999999e-007"},
      {JsonNewNumber(9.99999995e8 + 0.5), "999999995.500000"},
      {JsonNewNumber(1.7976931348623157e308), "1.797693e+308"},
      {JsonNewNumber(4.9406564584124654e-324), "0"},  // within 2^-52 of zero
      {JsonNewNumber(3e-16), "3.000000e-016"},
      {JsonNewNumber(18446744073709549568.0), "18446744073709550000"},
      {JsonNewNumber(std::numeric_limits<double>::infinity()), "inf"},
      {JsonNewNumber(-std::numeric_limits<double>::infinity()), "-inf"},
      {JsonNewNumber(std::numeric_limits<double>::quiet_NaN()), "nan"},
      {JsonNewString(""), "\"\""},
      {JsonNewString("\"\\/ \t\x01\xC3\xA9"), "\"\\\"\\\\/ \\t\\u0001\xC3\xA9\""},
      {JsonNewString("\b\f\n\r"), "\"\\b\\f\\n\\r\""},
      {JsonNewString("\x1B\x1F\x7F"), "\"\\u001b\\u001f\x7F\""},
      {JsonNewObject(), "{\n\t\t}"},              // the examples print it at depths 0 to 2
      {WithType(JsonNewNull(), 0x100), "false"},  // False in the low byte, the only one read
      {WithType(JsonNewNull(), 7), "<null>"},
      {nullptr, "<null>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PrintedText(c.node, 3, 1), c.text) << "row " << &c - cases;
    JsonDestroy(c.node);
  }
  EXPECT_EQ(counter.outstanding(), 0u);
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

// The text outgrows its block at a different point of the print for every size of the
// first block, up to the whole text's. Request k fails, for each k until the print makes
// fewer than k requests; that print gives the example's text.
TEST(JsonPrintTest, LayoutOfNestedContainersHoldsAndFailingAtEveryRequestLeavesNothing) {
  for (const auto& e : kExamples) {
    JsonNode* tree = JsonParse(e.source);
    char* text = JsonPrint(tree);
    EXPECT_STREQ(text, e.formatted) << e.source;
    JsonRelease(text);
    for (std::int32_t formatted = 0; formatted <= 1; ++formatted) {
      const std::string expected = formatted ? e.formatted : e.compact;
      for (std::size_t first = 1; first <= expected.size() + 1; ++first) {
        for (std::size_t k = 1;; ++k) {
          CountingAllocator counter(k);
          text = JsonPrintValueFrom(tree, 0, formatted, first);
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
