#include "json/json_number.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "gtest/gtest.h"

namespace {

// 53 bits from a fixed sequence, the same on every build.
std::uint64_t NextBits(std::uint64_t* state) {
  *state = *state * 6364136223846793005ULL + 1442695040888963407ULL;
  return *state >> 11;
}

std::string Show(const JsonDecimal& d) {
  return std::string(d.digits, static_cast<std::size_t>(d.count)) + " e" +
         std::to_string(d.exponent);
}

// The 64-bit way must give the big-integer way's digits for every magnitude it takes.
// Returns whether it took this one.
bool ExpectSameDigits(double magnitude) {
  JsonDecimal fast{};
  if (!JsonShortDigits(magnitude, &fast)) {
    return false;
  }
  EXPECT_EQ(Show(fast), Show(JsonExactDigits(magnitude))) << "magnitude " << magnitude;
  return true;
}

// The fixed form's 64-bit shortcut must write what the way through the digits writes.
void ExpectSameFixedText(double value) {
  char fast[kJsonNumberTextSize];
  char by_digits[kJsonNumberTextSize];
  std::size_t fast_length = JsonFormatFixed(value, 6, fast);
  std::size_t digits_length = JsonFormatFixedByDigits(value, 6, by_digits);
  EXPECT_EQ(std::string(fast, fast_length), std::string(by_digits, digits_length))
      << "value " << value;
}

TEST(JsonNumberTest, ShortcutsMatchTheSlowWaysAtTheEdges) {
  const double edges[] = {
      0.35, 12.5, 0.1, 0.3, 1.0, 9.5, 0.0078125, 0.01, 2147483647.0,
      9007199254740993.0,              // past 2^53: an even neighbour
      18446744073709549568.0,          // the largest double below 2^64
      0.99999999999999994,             // the largest double below 1
      std::ldexp(1.0, -7), std::ldexp(1.0, 63), std::ldexp(1.0, -60),
      std::ldexp((1ULL << 53) - 1, -60),  // 53 bits, all of them fraction
      123456789012345678.0, 0.5 + std::ldexp(1.0, -53),
  };
  for (double magnitude : edges) {
    EXPECT_TRUE(ExpectSameDigits(magnitude)) << "not taken: " << magnitude;
  }
  // Out of reach of 64 bits, left to the big integers.
  for (double magnitude : {std::ldexp(1.0, 64), std::ldexp((1ULL << 53) - 1, -61), 1e-6, 0.0}) {
    EXPECT_FALSE(ExpectSameDigits(magnitude)) << "taken: " << magnitude;
  }
  // Both roundings of the fixed form at work: 17 digits first, then the sixth decimal; and
  // 3 x 2^-22 and 2^-24, whose first digits lie one and two places past the sixth.
  for (double value : {0.35, 12.5, 0.0078125, 0.0000015, 0.0000005, 0.000001, 999.9999995,
                       999999999.99999994, 0.1234565, 2.0000005, 1e9, 1e-6, 7.5, -42.69,
                       std::ldexp(3.0, -22), std::ldexp(1.0, -24)}) {
    ExpectSameFixedText(value);
  }
}

TEST(JsonNumberTest, ShortcutsMatchTheSlowWaysOnManyValues) {
  std::uint64_t digits_state = 12345;
  std::uint64_t fixed_state = 987654321;
  int taken = 0;
  for (int i = 0; i < 20000 && !HasFailure(); ++i) {
    std::uint64_t bits = NextBits(&digits_state);
    // Decimals as saves hold them, and any 53-bit mantissa at any reachable scale.
    taken += ExpectSameDigits(static_cast<double>(bits % 100000) / 100.0);
    taken += ExpectSameDigits(static_cast<double>(bits % 2000000) / 1000.0);
    taken += ExpectSameDigits(std::ldexp(static_cast<double>(bits | 1), -70 + i % 85));
    // A half-way case of the sixth decimal and its two neighbours: the double just below
    // the tie may reach it when rounded to 17 digits, then round up at the sixth.
    bits = NextBits(&fixed_state);
    double tie = (static_cast<double>(bits % 2000000000) + 0.5) / 1e6;
    ExpectSameFixedText(tie);
    ExpectSameFixedText(std::nextafter(tie, 0.0));
    ExpectSameFixedText(std::nextafter(tie, 1e10));
    // Any mantissa over the fixed form's range, 1e-6 to 1e9, and saves' decimals.
    ExpectSameFixedText(std::ldexp(static_cast<double>(bits | 1), -73 + i % 83));
    ExpectSameFixedText(-static_cast<double>(bits % 100000) / 100.0);
  }
  EXPECT_GT(taken, 50000);  // most values took the 64-bit way
}

TEST(JsonNumberTest, FormatsAreExactAtTheEndsOfTheDoubleRange) {
  struct Case {
    double value;
    int fraction_digits;  // -1: exponent form
    const char* text;
  } cases[] = {
      {4.9406564584124654e-324, -1, "4.940656e-324"},
      {2.2250738585072009e-308, -1, "2.225074e-308"},
      {0.0, -1, "0.000000e+000"},
      {0.0, 6, "0.000000"},
      {4.9406564584124654e-324, 6, "0.000000"},
      {-1e-7, 6, "-0.000000"},
      {0.49999999999999994, 0, "0"},
      {0.5, 0, "1"},
      {1e-7, 0, "0"},
  };
  for (const Case& c : cases) {
    char text[kJsonNumberTextSize];
    std::size_t length = c.fraction_digits < 0 ? JsonFormatExponent(c.value, text)
                                               : JsonFormatFixed(c.value, c.fraction_digits, text);
    EXPECT_STREQ(text, c.text) << "value: " << c.value;
    EXPECT_EQ(length, std::string(c.text).size()) << "value: " << c.value;
  }
}

}  // namespace
