#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "gtest/gtest.h"
#include "json/json.h"
#include "testing/parse_agreement.h"
#include "testing/test_support.h"

namespace {

const std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr JsonParseError kParses = JsonParseError::None;
constexpr JsonParseError kSyntax = JsonParseError::Syntax;
constexpr JsonParseError kTooDeep = JsonParseError::TooDeep;

// The members a filtered parse builds in these tests; "B" also matches "b".
const char* const kWanted[] = {"a", "B", "k", nullptr};

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

// The filtered parse walks the same grammar: what it skips is checked as fully, and the
// wanted members are the ones a lookup finds in the full tree. A failed parse, filtered or
// not, leaves nothing allocated.
TEST(JsonParseTest, FailsForItsReasonAndFilteredParseAgrees) {
  const std::string deep = Nested(999, "[", "[]", "]");  // the deepest allowed in the root
  const struct {
    std::string text;
    JsonParseError error;
  } cases[] = {
      {"   ", kSyntax},
      {"[1,]", kSyntax},
      {"[,1]", kSyntax},
      {"[1 2]", kSyntax},
      {"{a:1}", kSyntax},
      {"{\"a\" 1}", kSyntax},
      {"{\"a\":1,}", kSyntax},
      {"{\"a\":1 \"b\":2}", kSyntax},
      {"\xEF\xBB\xBF{}", kSyntax},  // a byte-order mark is not whitespace
      {"[nullx]", kSyntax},
      {"NULL", kSyntax},
      {"nuxl", kSyntax},  // every byte of a literal is checked
      {"[00]", kSyntax},
      {"[1.]", kSyntax},
      {".5", kSyntax},
      {"+1", kSyntax},
      {"[1!]", kSyntax},       // '!' follows the space but is no whitespace
      {"[\"abc", kSyntax},     // an unterminated string ends the text, then "]" is missing
      {"[1e+-5]", kSyntax},    // one exponent sign only: the number ends before "-"
      {"[1:]", kSyntax},       // ':' follows '9' in ASCII but is no digit
      {"\"\\u12\"", kSyntax},  // \u needs four hex digits
      {"\"\\u12g4\"", kSyntax},
      {"\"\\u", kSyntax},
      {"\"\\ud83d\\u00\"", kSyntax},  // the second half of a pair too
      {"{\"\\uzzzz\":1}", kSyntax},
      {"{\"a\":1,\"b\":\"x\",\"c\":[1,2.5,{\"a\":0}],\"k\":{\"n\":[true,null]}}", kParses},
      {"{\"A\":1, \"a\":2, \"\\u0061\":3}", kParses},            // the first match in text order
      {"{\"\\u0000a\":-0.0,\"x\":{\"a\":1},\"a\":2}", kParses},  // a decoded name matches
      {"{\"ab\":1,\"\":2,\"k\\\"\":3,\"K\":\"\\ud83d\\ude00\\q\"}", kParses},
      {"{\"c\":-,\"d\":1e,\"e\":-.5E+,\"a\":12e-1}", kParses},
      {"-12.5e1", kParses},
      {"{\"c\":\"\\u12\",\"a\":1}", kSyntax},  // skipped values fail alike
      {"{\"c\":{\"d\" 1}}", kSyntax},
      {"{\"c\":tru}", kSyntax},
      {"{\"c\":nul,\"a\":1}", kSyntax},
      {"{\"c\":fals}", kSyntax},
      {"{\"c\":\"abc\\", kSyntax},
      {"{\"a\":\"x", kSyntax},
      {Nested(1000, "[", "[]", "]"), kParses},
      {Nested(1000, "{\"k\":", "{}", "}"), kParses},
      {Nested(1001, "[", "[]", "]"), kTooDeep},
      {Nested(1001, "{\"k\":", "{}", "}"), kTooDeep},
      {Nested(1000000, "[", "[]", "]"), kTooDeep},  // no stack overflow
      {"{\"c\":" + deep + ",\"a\":[" + deep + "]}", kTooDeep},
      {"{\"c\":[" + deep + "]}", kTooDeep},
  };
  for (const auto& c : cases) {
    const std::string label = "input: " + c.text.substr(0, 80);
    CountingAllocator counter;
    JsonParseError error = JsonParseError::OutOfMemory;
    JsonNode* tree = JsonParseWith(c.text.c_str(), &error);
    EXPECT_EQ(error, c.error) << label;
    EXPECT_EQ(tree != nullptr, c.error == kParses) << label;
    JsonDestroy(tree);
    EXPECT_EQ(FilteredParseDisagreement(c.text.c_str(), kWanted), "") << label;
    EXPECT_EQ(counter.outstanding(), 0u) << label;
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
        {"\"\\t" + std::string(spaces, 'a') + "\\", true},
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
  const struct {
    const char* text;
    const char* compact;  // the tree printed compact
  } cases[] = {
      {"[1] garbage", "[1]"},
      {"nullx", "null"},
      {"[false]", "[false]"},
      {"\x01\x1F [true]", "[true]"},  // control bytes are whitespace
      {"[1e]", "[1]"},
      {"[\"a\" , {\"k\" : [ ] } ,null]", "[\"a\",{\"k\":[]},null]"},
  };
  for (const auto& c : cases) {
    JsonNode* node = JsonParse(c.text);
    char* printed = JsonPrintValue(node, 0, 0);
    EXPECT_STREQ(printed, c.compact) << "input: " << c.text;
    JsonRelease(printed);
    JsonDestroy(node);
    EXPECT_EQ(FilteredParseDisagreement(c.text, kWanted), "") << "input: " << c.text;
  }
}

TEST(JsonParseTest, LinksSiblingsBothWaysAndTrueCarriesIntegerOne) {
  JsonNode* node = JsonParse("[true, 2, {}]");
  ASSERT_NE(node, nullptr);
  const JsonNode* first = node->firstChild;
  EXPECT_EQ(first->integerValue, 1);
  EXPECT_EQ(first->previous, nullptr);
  EXPECT_EQ(first->next->previous, first);
  EXPECT_EQ(first->next->next->previous, first->next);
  JsonDestroy(node);
}

// Digits are gathered in an integer while that is exact; the value must still be the one
// the step-by-step double arithmetic gives, also where the steps start to round (2^53).
TEST(JsonParseTest, NumbersFollowDigitTimesPowerArithmetic) {
  struct Case {
    const char* text;
    double value;
    std::int64_t integer;
  } cases[] = {
      {"0123", 123, 123},
      {"-", -0.0, 0},
      {"-.5", -0.5, 0},  // the point has a digit after it
      {"1.5e2", 150, 150},
      {"1E-2", 0.01, 0},
      {"2.9", 29 * 0.1, 2},
      {"-2.9", -29 * 0.1, -2},
      {"0.3", 0.30000000000000004, 0},  // 3 x 0.1, not the double nearest 0.3
      {"1e99999999999999999999", std::numeric_limits<double>::infinity(), kMin},
      {"4294967296", 4294967296.0, 4294967296},
      {"1.7976931348623157e308", 1.7976931348623157e308, kMin},
      {"1e308", 1e308, kMin},  // the ends of the table of powers
      {"1e309", std::numeric_limits<double>::infinity(), kMin},
      {"1e-323", 1e-323, 0},
      {"5e-324", 0.0, 0},  // 10^-324 is already zero
      {"0.1e1", 1.0, 1},
      {"2e+3", 2000.0, 2000},
      {"900719925474099", 900719925474099.0, 900719925474099},
      {"9007199254740991", 9007199254740991.0, 9007199254740991},
      {"9007199254740993", 9007199254740992.0, 9007199254740992},
      {"90071992547409919", 90071992547409920.0, 90071992547409920},
      {"900719925474098.7", 900719925474098.7, 900719925474098},
      // Each digit step rounds: these land off the doubles nearest their digits.
      {"0.9007199254740993", 0x1.cd2b297d889bcp-1, 0},
      {"92030920993190389", 0x1.46f5a29226b2p+56, 92030920993190400},
      {"880353240361996767", 0x1.86f4937314823p+59, 880353240361996672},
      {"6804755971877604743", 0x1.79bd66035bee4p+62, 6804755971877605376},
      {"9223372036854775807", 0x1.0000000000001p+63, kMin},
      {"123456789012345678901234567890", 0x1.8ee90ff6c373dp+96, kMin},
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

TEST(JsonParseTest, StringsDecodeEscapesToBytes) {
  struct Case {
    const char* text;
    std::string bytes;
  } cases[] = {
      {"\"\\u20ac\"", "\xE2\x82\xAC"},
      {"\"\\u004A\"", "J"},
      {"\"\\ud800\\udc00\\ud83d\\ude00!\"", "\xF0\x90\x80\x80\xF0\x9F\x98\x80!"},  // the first pair
      {"\"\\udbff\\uDFFF\"", "\xF4\x8F\xBF\xBF"},  // the last pair, in either case
      {"\"\\u007F\\u0080\\u07FF\\u0800\"", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80"},
      {"\"a\\u0000b\"", "ab"},
      {"\"\\udc00\\udfff\"", ""},  // second halves alone are dropped
      {"\"\\ud83dx\"", "x"},       // a first half alone is dropped
      {"\"\\ud83d\\t\"", "\t"},
      {"\"\\ud83d\\u0041!\"", "!"},
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

// The filtered parse builds the member a with all it holds, and the surrogate pair k.
TEST(JsonParseTest, FailingAtEveryRequestLeavesNothing) {
  const char text[] =
      "{\"a\":[1,2.5,{\"b\":\"x\\u00e9\",\"c\":[[],{}]}],\"d\":null,\"e\":true,"
      "\"f\":{\"g\":[\"h\",\"i\"]},\"k\":\"\\ud83d\\ude00\"}";
  for (const char* const* wanted : {static_cast<const char* const*>(nullptr), kWanted}) {
    std::size_t total = 0;
    {
      CountingAllocator counter;
      JsonDestroy(JsonParseWith(text, nullptr, wanted));
      total = counter.requests();
    }
    ASSERT_GT(total, 15u);
    for (std::size_t k = 1; k <= total; ++k) {
      CountingAllocator counter(k);
      JsonParseError error = JsonParseError::None;
      EXPECT_EQ(JsonParseWith(text, &error, wanted), nullptr) << "failing request " << k;
      EXPECT_EQ(error, JsonParseError::OutOfMemory) << "failing request " << k;
      EXPECT_EQ(counter.outstanding(), 0u) << "failing request " << k;
    }
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
