#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "gtest/gtest.h"
#include "json/json.h"
#include "json/json_number.h"
#include "testing/parse_agreement.h"
#include "testing/test_support.h"

namespace {

const std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

// The members a filtered parse builds in these tests; "B" also matches "b".
const char* const kWanted[] = {"a", "B", "k", nullptr};

TEST(JsonParseTest, RejectsMalformedText) {
  const char* cases[] = {
      "",
      "   ",
      "[1,]",
      "[,1]",
      "[1 2]",
      "[1",
      "{a:1}",
      "{\"a\" 1}",
      "{\"a\":1,}",
      "{\"a\":1 \"b\":2}",
      "{\"a\"",
      "\xEF\xBB\xBF{}",  // a byte-order mark is not whitespace
      "[nullx]",
      "True",
      "NULL",
      "[00]",
      "[1.]",
      ".5",
      "+1",
      "[\"abc",     // an unterminated string ends the text, then "]" is missing
      "[1e+-5]",    // one exponent sign only: the number ends before "-"
      "[1:]",       // ':' follows '9' in ASCII but is no digit
      "\"\\u12\"",  // \u needs four hex digits
      "\"\\u12g4\"",
      "\"\\u",
      "\"\\u-123\"",
      "\"\\ud83d\\u00\"",  // the second half of a pair too
      "{\"\\uzzzz\":1}",
      "]",
  };
  for (const char* text : cases) {
    CountingAllocator counter;
    JsonParseError error = JsonParseError::None;
    EXPECT_EQ(JsonParseWith(text, &error), nullptr) << "input: " << text;
    EXPECT_EQ(error, JsonParseError::Syntax) << "input: " << text;
    EXPECT_EQ(FilteredParseDisagreement(text, kWanted), "") << "input: " << text;
    EXPECT_EQ(counter.outstanding(), 0u) << "input: " << text;
  }
}

// Whitespace and strings are swept several bytes a round. Each text here sits in a block
// of exactly its size, so that under AddressSanitizer a look past the zero is caught.
TEST(JsonParseTest, SweepsStopAtTheTerminatingZero) {
  for (std::size_t spaces = 0; spaces < 10; ++spaces) {
    std::string blank(spaces, '\t');
    const std::pair<std::string, bool> texts[] = {
        {blank, false},
        {"[1" + blank, false},
        {blank + "[1," + blank + "2" + blank + "]" + blank, true},
        {"\"" + std::string(spaces, 'a'), true},  // unterminated: ends at the zero
        {"\"" + std::string(spaces, 'a') + "\\", true},
    };
    for (const auto& [text, parses] : texts) {
      std::unique_ptr<char[]> block(new char[text.size() + 1]);
      std::memcpy(block.get(), text.c_str(), text.size() + 1);
      JsonNode* node = JsonParse(block.get());
      EXPECT_EQ(node != nullptr, parses) << "input: [" << text << "]";
      JsonDestroy(node);
      EXPECT_EQ(FilteredParseDisagreement(block.get(), kWanted), "") << "input: [" << text << "]";
    }
  }
}

TEST(JsonParseTest, AcceptsLenientTextAndIgnoresTrailingBytes) {
  struct Case {
    const char* text;
    JsonType type;
    int children;
  } cases[] = {
      {"  [ ]  ", JsonType::Array, 0},
      {"{}", JsonType::Object, 0},
      {"[1] garbage", JsonType::Array, 1},
      {"{} {}", JsonType::Object, 0},
      {"nullx", JsonType::Null, 0},
      {"false", JsonType::False, 0},
      {"true", JsonType::True, 0},
      {"\x01\x1F [true]", JsonType::Array, 1},  // control bytes are whitespace
      {"[1e]", JsonType::Array, 1},
      {"\"abc", JsonType::String, 0},
      {"[\"a\" , {\"k\" : [ ] } ,null]", JsonType::Array, 3},
  };
  for (const Case& c : cases) {
    JsonNode* node = JsonParse(c.text);
    ASSERT_NE(node, nullptr) << "input: " << c.text;
    EXPECT_EQ(JsonTypeOf(node), c.type) << "input: " << c.text;
    int children = 0;
    for (JsonNode* child = node->firstChild; child != nullptr; child = child->next) {
      ++children;
    }
    EXPECT_EQ(children, c.children) << "input: " << c.text;
    EXPECT_EQ(FilteredParseDisagreement(c.text, kWanted), "") << "input: " << c.text;
    JsonDestroy(node);
  }
}

TEST(JsonParseTest, TrueFromTextCarriesIntegerOne) {
  JsonNode* node = JsonParse("true");
  EXPECT_EQ(node->integerValue, 1);
  JsonDestroy(node);
}

TEST(JsonParseTest, NumbersFollowDigitTimesPowerArithmetic) {
  struct Case {
    const char* text;
    double value;
    std::int64_t integer;
  } cases[] = {
      {"0123", 123, 123},
      {"-", -0.0, 0},
      {"-0.5", -0.5, 0},
      {"1.5e2", 150, 150},
      {"1E-2", 0.01, 0},
      {"2.9", 29 * 0.1, 2},
      {"-2.9", -29 * 0.1, -2},
      {"0.3", 0.30000000000000004, 0},  // 3 x 0.1, not the double nearest 0.3
      {"1e400", std::numeric_limits<double>::infinity(), kMin},
      {"1e-400", 0.0, 0},
      {"1e99999999999999999999", std::numeric_limits<double>::infinity(), kMin},
      {"1e-99999999999999999999", 0.0, 0},
      {"4294967296", 4294967296.0, 4294967296},
      // Each digit step rounds: these land above the nearest doubles.
      {"9223372036854775807", 0x1.0000000000001p+63, kMin},
      {"123456789012345678901234567890", 0x1.8ee90ff6c373dp+96, kMin},
      {"1.7976931348623157e308", 1.7976931348623157e308, kMin},
      {"5e-324", 0.0, 0},  // 10^-324 is already zero
      {"0.1e1", 1.0, 1},
      {"2e+3", 2000.0, 2000},
  };
  for (const Case& c : cases) {
    JsonNode* node = JsonParse(c.text);
    ASSERT_NE(node, nullptr) << "input: " << c.text;
    EXPECT_EQ(JsonTypeOf(node), JsonType::Number) << "input: " << c.text;
    EXPECT_EQ(node->doubleValue, c.value) << "input: " << c.text;
    EXPECT_EQ(std::signbit(node->doubleValue), std::signbit(c.value)) << "input: " << c.text;
    EXPECT_EQ(node->integerValue, c.integer) << "input: " << c.text;
    JsonDestroy(node);
  }
}

// Digits are gathered in an integer while that is exact; the value must still be the one
// the step-by-step double arithmetic gives, also where the steps start to round (2^53).
TEST(JsonParseTest, LongDigitRunsRoundStepByStepAsInDouble) {
  // The last three round twice on the way, and so land on another double than the one
  // nearest to their digits.
  const char* texts[] = {"900719925474099",    "9007199254740991",    "9007199254740993",
                         "90071992547409919",  "900719925474098.7",   "0.9007199254740993",
                         "92030920993190389", "880353240361996767", "6804755971877604743"};
  for (const char* text : texts) {
    double n = 0.0;
    std::int64_t scale = 0;
    bool fraction = false;
    for (const char* p = text; *p != '\0'; ++p) {
      if (*p == '.') {
        fraction = true;
        continue;
      }
      n = n * 10.0 + (*p - '0');
      scale -= fraction ? 1 : 0;
    }
    double expected = n * JsonPowerOfTen(scale);
    JsonNode* node = JsonParse(text);
    ASSERT_NE(node, nullptr) << "input: " << text;
    EXPECT_EQ(node->doubleValue, expected) << "input: " << text;
    JsonDestroy(node);
  }
}

TEST(JsonParseTest, LeadingPointIsNotANumberButMinusPointIsZero) {
  // "-.5": the minus is read, the point has a digit after it, so the value is -0.5.
  JsonNode* node = JsonParse("-.5");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->doubleValue, -0.5);
  JsonDestroy(node);
}

TEST(JsonParseTest, StringsDecodeEscapesToBytes) {
  struct Case {
    const char* text;
    std::string bytes;
  } cases[] = {
      {"\"\\u00e9\"", "\xC3\xA9"},
      {"\"\\u00E9\"", "\xC3\xA9"},
      {"\"\\u20ac\"", "\xE2\x82\xAC"},
      {"\"\\u0041\"", "A"},
      {"\"\\ud83d\\ude00\"", "\xF0\x9F\x98\x80"},
      {"\"\\uDBFF\\uDFFF\"", "\xF4\x8F\xBF\xBF"},  // the last pair, capital digits
      {"\"\\u00A9\\u0080\"", "\xC2\xA9\xC2\x80"},
      {"\"a\\u0000b\"", "ab"},
      {"\"\\udc00\"", ""},
      {"\"\\ud83dx\"", "x"},
      {"\"\\ud83d\\u0041\"", ""},
      {"\"\\/\\q\\\"\\\\\"", "/q\"\\"},
      {"\"\\b\\f\\n\\r\\t\"", "\b\f\n\r\t"},
      {"\"\t\x01\xC3\xA9\"", "\t\x01\xC3\xA9"},
      {"\"abc", "abc"},
      {"\"abc\\", "abc"},  // a backslash right before the end adds nothing
      {"\"\"", ""},
  };
  for (const Case& c : cases) {
    JsonNode* node = JsonParse(c.text);
    ASSERT_NE(node, nullptr) << "input: " << c.text;
    ASSERT_EQ(JsonTypeOf(node), JsonType::String) << "input: " << c.text;
    EXPECT_EQ(std::string(node->stringValue), c.bytes) << "input: " << c.text;
    JsonDestroy(node);
  }
}

TEST(JsonParseTest, ObjectKeepsDuplicateNamesInTextOrder) {
  JsonNode* node = JsonParse("{\"a\":1, \"A\":2, \"\\u0062\":\"x\"}");
  ASSERT_NE(node, nullptr);
  JsonNode* a = node->firstChild;
  ASSERT_NE(a, nullptr);
  ASSERT_NE(a->next, nullptr);
  ASSERT_NE(a->next->next, nullptr);
  EXPECT_STREQ(a->memberName, "a");
  EXPECT_STREQ(a->next->memberName, "A");
  EXPECT_EQ(a->next->previous, a);
  EXPECT_STREQ(a->next->next->memberName, "b");
  EXPECT_STREQ(a->next->next->stringValue, "x");
  EXPECT_EQ(a->stringValue, nullptr);
  EXPECT_EQ(JsonFindMember(node, "A"), a);
  EXPECT_EQ(JsonFindMember(node, "a"), a);
  JsonDestroy(node);
}

// levels containers, each the only value of the one around it.
std::string Nested(int levels, const char* open, const char* innermost, const char* close) {
  std::string text;
  for (int i = 1; i < levels; ++i)
    text += open;
  text += innermost;
  for (int i = 1; i < levels; ++i)
    text += close;
  return text;
}

TEST(JsonParseTest, NestingStopsAtTheThousandAndFirstLevel) {
  JsonNode* deepest_allowed = JsonParse(Nested(kJsonMaxDepth, "[", "[]", "]").c_str());
  EXPECT_NE(deepest_allowed, nullptr);
  JsonDestroy(deepest_allowed);
  JsonNode* objects = JsonParse(Nested(kJsonMaxDepth, "{\"k\":", "{}", "}").c_str());
  EXPECT_NE(objects, nullptr);
  JsonDestroy(objects);

  CountingAllocator counter;
  for (const std::string& text : {Nested(kJsonMaxDepth + 1, "[", "[]", "]"),
                                  Nested(kJsonMaxDepth + 1, "{\"k\":", "{}", "}"),
                                  Nested(1000000, "[", "[]", "]")}) {  // no stack overflow
    JsonParseError error = JsonParseError::None;
    EXPECT_EQ(JsonParseWith(text.c_str(), &error), nullptr);
    EXPECT_EQ(error, JsonParseError::TooDeep);
    EXPECT_EQ(FilteredParseDisagreement(text.c_str(), kWanted), "");
  }
  EXPECT_EQ(counter.outstanding(), 0u);
  JsonParseError error = JsonParseError::Syntax;
  JsonDestroy(JsonParseWith("[1]", &error));
  EXPECT_EQ(error, JsonParseError::None);
}

// The filtered parse walks the same grammar: what it skips is checked as fully, and the
// wanted members are the ones a lookup finds in the full tree.
TEST(JsonParseTest, FilteredParseAgreesWithFullParse) {
  const std::string deep = Nested(kJsonMaxDepth - 1, "[", "[]", "]");  // the deepest allowed
  const std::string texts[] = {
      "{\"a\":1,\"b\":\"x\",\"c\":[1,2.5,{\"a\":0}],\"k\":{\"n\":[true,null]}}",
      "{\"A\":1, \"a\":2, \"\\u0061\":3}",        // the first match in text order
      "{\"\\u0000a\":-0.0,\"x\":{\"a\":1},\"a\":2}",  // a decoded name matches
      "{\"ab\":1,\"\":2,\"k\\\"\":3,\"K\":\"\\ud83d\\ude00\\q\"}",
      "{\"c\":\"\\u12\",\"a\":1}",                  // skipped values fail alike
      "{\"c\":\"\\ud83d\\u12g4\"}",
      "{\"c\":[00],\"a\":1}",
      "{\"c\":{\"d\" 1}}",
      "{\"c\":{d:1}}",
      "{\"c\":[1 2]}",
      "{\"c\":tru}",
      "{\"c\":nul,\"a\":1}",
      "{\"c\":fals}",
      "{\"c\":-,\"d\":1e,\"e\":-.5E+,\"a\":12e-1}",
      "{\"c\":\"abc\\",
      "{\"a\":\"x",
      "{\"a\":1,}",
      "{\"c\":" + deep + ",\"a\":[" + deep + "]}",
      "{\"c\":[" + deep + "]}",
      "[{\"a\":1}]",
      "\"a\"",
      "-12.5e1",
  };
  for (const std::string& text : texts) {
    EXPECT_EQ(FilteredParseDisagreement(text.c_str(), kWanted), "") << "input: " << text;
  }
}

TEST(JsonParseTest, FilteredParseTakesNoMemoryForSkippedValues) {
  CountingAllocator counter;
  JsonNode* tree = JsonParseWith(
      "{\"c\":[1,\"two\",{\"d\":[3,{\"e\":\"f\"}]}],\"g\":\"h\",\"a\":4}", nullptr, kWanted);
  // The root, the member a and the names of the three members, taken to be compared.
  EXPECT_LE(counter.requests(), 5u);
  JsonDestroy(tree);
  EXPECT_EQ(counter.outstanding(), 0u);
}

}  // namespace
