#include "json/json_skip.h"

#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "testing/parse_agreement.h"

namespace {

const char* const kWanted[] = {"a", nullptr};

// Values for the skipped member "c": lenient and broken numbers, literals and escapes,
// texts that end inside a value, faults at and after the brackets, and depth.
std::vector<std::string> SkippedValues() {
  std::vector<std::string> values = {
      "[\"a\\\"b\",1.5,-0,0.25,-12.75,12345678901234567890,true,{\"k\":\"\\\\\\\\\"},null]",
      "[1e5,-1.5E+3,2e,-,-.5,0123,0,0.0,9,{},[],[[]],{\"k\":{}}]",
      "{\"k\":[false, true ,null\t],\"\":\"\",\"l\":-1}",
      "[\"\\u00e9\\uD83D\\uDE00\\/\\b\\f\\n\\r\\t\\q\"]",
      "[00]", "[-00]", "[1.]", "[1.2.3]", "[-0-]", "[1x]", "[1e+-5]", "[.5]", "[+1]", "[1\"\"]",
      "[\"\\u00zz\"]", "[\"\\u12\"]", "[\"\\u\"]", "[\\\"a\"]", "{\"\\uzzzz\":1}",
      // The bytes just outside the hex digits' ranges.
      "[\"\\u00/0\"]", "[\"\\u00:0\"]", "[\"\\u00@0\"]", "[\"\\u00G0\"]",
      "[\"\\u00`0\"]", "[\"\\u00g0\"]", "[\"\\u09aF\"]",
      "[tru]", "[nulll]", "[falsey]", "[true false]", "[nul]", "[t]", "[x]",
      "[,]", "[1,]", "[,1]", "[1 2]", "[1:2]", "[\"a\":1]", "{\"k\":1,}", "{\"k\" 1}",
      "{\"k\":}", "{1:2}", "{\"k\":1]", "[1}", "{\"k\",1}", "{,}", "{\"k\"::1}", "{\"k\":1:2}",
      "[[]", "{\"k\":[}]}", "[]]", "{}}", "[\"abc", "[\"abc\\", "[1", "[", "{", "{\"k\"",
      "{\"k\":", "[\"x\\\"]", "[true", "[-",
      std::string(1000, '[') + std::string(1000, ']'),  // the deepest allowed, with the root
      std::string(1001, '[') + std::string(1001, ']'),  // one too deep
      std::string(999, '[') + "{\"k\" [" + std::string(1000, ']'),  // a fault at the limit
  };
  // Runs of every length of backslashes before a quote: an odd run escapes it.
  for (int run = 0; run < 70; ++run) {
    values.push_back("[\"" + std::string(run, '\\') + "\"]\"]");
  }
  return values;
}

// The skip reads 64-byte chunks from 64-byte boundaries. Each text is placed at every
// offset from a boundary, so that every byte of it falls at every place in a chunk;
// backslashes and quotes before it must not count. Without the bytes after the zero the
// text ends its block, and AddressSanitizer sees any look past the zero; with them, the
// chunked path must ignore what its loads bring in after the zero. Each text goes through
// the narrow scan and through the widest the processor has.
TEST(JsonSkipTest, AgreesWithTheFullParseAtEveryChunkOffset) {
  const std::string after_zero = "\"\\[{1tru}]\"";
  for (const std::string& value : SkippedValues()) {
    std::string text = "{\"c\":" + value + ",\"a\":1}";
    for (std::size_t offset = 0; offset < 64; ++offset) {
      for (bool junk : {false, true}) {
        std::string bytes = std::string(offset, offset % 2 ? '\\' : '"') + text + '\0' +
                            (junk ? after_zero : "");
        std::unique_ptr<char[]> block(new char[bytes.size()]);
        bytes.copy(block.get(), bytes.size());
        EXPECT_EQ(FilteredParseDisagreement(block.get() + offset, kWanted), "")
            << "offset " << offset << (junk ? " with bytes after the zero" : "") << ": "
            << text.substr(0, 80);
      }
    }
  }
}

}  // namespace
