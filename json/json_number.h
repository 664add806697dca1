// Number arithmetic and number text that come out the same on every platform: the
// parser's powers of ten and the printer's digits never go through the C library.
#ifndef SAVETITLE_JSON_JSON_NUMBER_H_
#define SAVETITLE_JSON_JSON_NUMBER_H_

#include <cstddef>
#include <cstdint>

// JsonToInteger, inline for the parser. Written so that NaN fails the range test:
// converting an out-of-range double is undefined.
inline std::int64_t JsonIntegerOf(double value) {
  if (value >= -9223372036854775808.0 && value < 9223372036854775808.0) {
    return static_cast<std::int64_t>(value);
  }
  return INT64_MIN;
}

// 10^exponent rounded to the nearest double: 0.0 below 1e-323 and infinity above 1e308.
double JsonPowerOfTen(std::int64_t exponent);

// The leading decimal digits of a finite magnitude: value = 0.d1 d2 ... x 10^exponent,
// digits[0] not '0' unless the value is zero. The Format functions below round from it.
struct JsonDecimal {
  static constexpr int kSignificant = 17;
  char digits[kSignificant + 2];  // '0' to '9', not terminated
  int count;                      // digits in use: 17, or 18 after a carry out of the first
  int exponent;
};

// The exact decimal expansion of magnitude, rounded half up to 17 significant digits.
// Two ways that give the same result: JsonShortDigits in 64-bit integer arithmetic, for
// the magnitudes it covers (it returns false for the others, and for zero), and
// JsonExactDigits with big integers, for every finite magnitude but slowly.
bool JsonShortDigits(double magnitude, JsonDecimal* out);
JsonDecimal JsonExactDigits(double magnitude);

// Room for every text the Format functions below write, with its zero.
inline constexpr std::size_t kJsonNumberTextSize = 64;

// Each writes a zero-terminated text into out (kJsonNumberTextSize bytes) and returns
// its length. The digits come from the value rounded half up to 17 significant digits;
// the last shown digit is rounded half up from the digit after it, and every position
// past the 17th significant digit shows 0.
//   Integer:  "%lld".
//   Fixed:    "%.Nf" with N = fraction_digits (0 or 6); the caller keeps |value| < 1e60.
//   Exponent: "%e" with an exponent of at least three digits, as in 1.000000e-007.
// Infinity and NaN are written as inf, -inf and nan in both the fixed and exponent forms.
std::size_t JsonFormatInteger(std::int64_t value, char* out);
std::size_t JsonFormatFixed(double value, int fraction_digits, char* out);
// JsonFormatFixed always by way of the 17 digits above; JsonFormatFixed itself takes a
// shortcut through 64-bit integers where they reach, with the same text as the result.
std::size_t JsonFormatFixedByDigits(double value, int fraction_digits, char* out);
std::size_t JsonFormatExponent(double value, char* out);

#endif  // SAVETITLE_JSON_JSON_NUMBER_H_
