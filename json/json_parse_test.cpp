#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "json/json.h"
#include "json/json_parse.h"
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

// Rows name how the parse ends and, for some, the tree printed compact. The filtered
// parse walks the same grammar: what it skips is checked as fully, and the wanted members
// are the ones a lookup finds in the full tree. A failed parse, filtered or not, leaves
// nothing allocated.
struct ParseCase {
  std::string text;
  JsonParseError error;
  const char* compact = nullptr;  // the tree printed compact, when given
};

TEST(JsonParseTest, ParsesOrFailsForItsReasonAndFilteredParseAgrees) {
  const std::string deep = Nested(999, "[", "[]", "]");  // the deepest allowed in the root
  std::vector<ParseCase> cases = {
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
      // Lenient text, and what follows the value is ignored.
      {"[1] garbage", kParses, "[1]"},
      {"nullx", kParses, "null"},
      {"[false]", kParses, "[false]"},
      {"\x01\x1F [true]", kParses, "[true]"},  // control bytes are whitespace
      {"[1e]", kParses, "[1]"},
      {"[\"a\" , {\"k\" : [ ] } ,null]", kParses, "[\"a\",{\"k\":[]},null]"},
      // Escapes decode to bytes, which print raw or escaped again.
      {"\"\\u20ac\"", kParses, "\"\xE2\x82\xAC\""},
      {"\"\\u004A\"", kParses, "\"J\""},
      {"\"\\ud800\\udc00\\ud83d\\ude00!\"", kParses,
       "\"\xF0\x90\x80\x80\xF0\x9F\x98\x80!\""},                // the first pair
      {"\"\\udbff\\uDFFF\"", kParses, "\"\xF4\x8F\xBF\xBF\""},  // the last pair, in either case
      {"\"\\u007F\\u0080\\u07FF\\u0800\"", kParses, "\"\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\""},
      {"\"a\\u0000b\"", kParses, "\"ab\""},
      {"\"\\udc00\\udfff\"", kParses, "\"\""},  // second halves alone are dropped
      {"\"\\ud83dx\"", kParses, "\"x\""},       // a first half alone is dropped
      {"\"\\ud83d\\t\"", kParses, "\"\\t\""},
      {"\"\\ud83d\\u0041!\"", kParses, "\"!\""},
      {"\"\\/\\q\\\"\\\\\"", kParses, "\"/q\\\"\\\\\""},
      {"\"\\b\\f\\n\\r\\t\"", kParses, "\"\\b\\f\\n\\r\\t\""},
      {"\"\t\x01\xC3\xA9\"", kParses, "\"\\t\\u0001\xC3\xA9\""},
      {"\"abc", kParses, "\"abc\""},
      {"\"abc\\", kParses, "\"abc\""},  // a backslash right before the end adds nothing
      {"\"\"", kParses, "\"\""},
  };
  // Whitespace and strings are swept several bytes a round: each sweep stops at the zero.
  for (std::size_t spaces = 0; spaces < 10; ++spaces) {
    const std::string blank(spaces, '\t');
    const std::string letters(spaces, 'a');
    cases.insert(cases.end(),
                 {{blank, kSyntax},
                  {"[1" + blank, kSyntax},
                  {blank + "[1," + blank + "2" + blank + "]" + blank, kParses, "[1,2]"},
                  {"\"" + letters, kParses},  // unterminated: ends at the zero
                  {"\"\\t" + letters + "\\", kParses}});
  }
  for (const ParseCase& c : cases) {
    SCOPED_TRACE("input: " + c.text.substr(0, 80));
    // Each text sits in a block of exactly its size, so that under AddressSanitizer a
    // look past the zero is caught.
    std::unique_ptr<char[]> text(new char[c.text.size() + 1]);
    std::memcpy(text.get(), c.text.c_str(), c.text.size() + 1);
    CountingAllocator counter;
    JsonParseError error = JsonParseError::OutOfMemory;
    JsonNode* tree = JsonParseWith(text.get(), &error);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(tree != nullptr, c.error == kParses);
    if (c.compact != nullptr) {
      EXPECT_EQ(PrintedText(tree), c.compact);
    }
    // In pools of one node, every text takes a block of its own: the same tree.
    JsonNode* apart = JsonParseInPools(text.get(), nullptr, nullptr, 1, 1);
    EXPECT_EQ(PrintedText(apart), PrintedText(tree));
    JsonDestroy(apart);
    JsonDestroy(tree);
    EXPECT_EQ(FilteredParseDisagreement(text.get(), kWanted), "");
    EXPECT_EQ(counter.outstanding(), 0u);
  }
}

// Near the end of a page the sweeps load aligned blocks instead, so as not to reach into
// the next page: every start of a whitespace run and of a string in the last bytes of a
// page still reads every byte once.
TEST(JsonParseTest, SweepsStartingNearAPageEndReadEveryByte) {
  const std::string letters(30, 'a');
  const std::string blank(20, '\t');
  const std::string text = "[" + blank + "\"" + letters + "\"" + blank + "]";
  constexpr std::size_t kPage = 4096;  // the sweeps' page: system pages are multiples
  TestPages pages(2);
  ASSERT_TRUE(pages.ok());
  char* page = pages.Page(0);
  for (std::size_t start = kPage - text.size(); start < kPage; ++start) {
    std::memcpy(page + start, text.c_str(), text.size() + 1);
    JsonNode* tree = JsonParse(page + start);
    EXPECT_EQ(PrintedText(tree), "[\"" + letters + "\"]") << "from " << start;
    JsonDestroy(tree);
  }
}

// Texts that end in the last byte of a page before one that faults: neither parse may
// read past that page, whatever stands just before the end, with either scan of the
// skip. The texts end in pages 0 and 3, one of each parity, as a 16-byte load decides by
// the address whether it stays in its page.
TEST(JsonParseTest, ReadsNothingPastThePageTheTextEndsIn) {
  TestPages pages(5);
  ASSERT_TRUE(pages.ok());
  ASSERT_TRUE(pages.Forbid(1));
  ASSERT_TRUE(pages.Forbid(4));
  const std::string bodies[] = {
      "[\"" + std::string(40, 'a') + "\"]",
      "{\"a\":1,\"b\":[1.5,-2,0,true,false,null,\"x\\\\y\\u00e9\",{\"k\":[]}],\"c\":{}}",
      "{\"a\":1,\"b\":[\"" + std::string(70, 'z'),  // ends inside a string
      "{\"a\":1,\"b\":[1,2.",                          // and inside a number
      "12.5", "true", "\"abc\"",
  };
  for (char* end : {pages.Page(1), pages.Page(4)}) {
    for (const std::string& body : bodies) {
      for (std::size_t blanks = 0; blanks < 80; ++blanks) {
        std::string text = body + std::string(blanks, blanks % 2 == 0 ? ' ' : '\n');
        char* start = end - text.size() - 1;
        std::memcpy(start, text.c_str(), text.size() + 1);
        EXPECT_EQ(FilteredParseDisagreement(start, kWanted), "") << text;
      }
    }
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
    EXPECT_EQ(node->doubleValue, c.value) << "input: " << c.text;
    EXPECT_EQ(std::signbit(node->doubleValue), std::signbit(c.value)) << "input: " << c.text;
    EXPECT_EQ(node->integerValue, c.integer) << "input: " << c.text;
    JsonDestroy(node);
  }
}

// The filtered parse builds the member a with all it holds, and the surrogate pair k; of
// the members it skips it takes only the names, to compare them. In pools of one node
// each, the full parse takes a block for each of 16 nodes, 8 names and 4 strings; larger
// pools share blocks between nodes and texts and leave some texts a block of their own.
TEST(JsonParseTest, FailingAtEveryRequestLeavesNothing) {
  const char text[] =
      "{\"a\":[1,2.5,{\"b\":\"x\\u00e9\",\"c\":[[],{}]}],\"d\":null,\"e\":true,"
      "\"f\":{\"g\":[\"h\",\"i\"]},\"k\":\"\\ud83d\\ude00\"}";
  for (std::size_t pool : {1, 200, 1024}) {
    for (const char* const* wanted : {static_cast<const char* const*>(nullptr), kWanted}) {
      SCOPED_TRACE("pool " + std::to_string(pool) + (wanted != nullptr ? ", filtered" : ""));
      std::size_t requests = 0;
      {
        CountingAllocator counter;
        JsonDestroy(JsonParseInPools(text, nullptr, wanted, pool, pool));
        requests = counter.requests();
        EXPECT_EQ(counter.outstanding(), 0u);
      }
      if (pool == 1) {
        EXPECT_EQ(requests, wanted != nullptr ? 19u : 28u);
      }
      for (std::size_t k = 1; k <= requests; ++k) {
        CountingAllocator counter(k);
        JsonParseError error = JsonParseError::None;
        EXPECT_EQ(JsonParseInPools(text, &error, wanted, pool, pool), nullptr) << "request " << k;
        EXPECT_EQ(error, JsonParseError::OutOfMemory) << "failing request " << k;
        EXPECT_EQ(counter.outstanding(), 0u) << "failing request " << k;
      }
    }
  }
}

}  // namespace
