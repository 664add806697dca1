#include "json/json_number.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// An unsigned integer in base 2^32, least significant limb first, big enough for the
// largest value met here: a 53-bit mantissa times 5^1074 (2547 bits).
struct BigNum {
  std::uint32_t limbs[84];
  int size;  // limbs in use; 0 for the value zero
};

void BigSet(BigNum* n, std::uint64_t value) {
  n->size = 0;
  while (value != 0) {
    n->limbs[n->size++] = static_cast<std::uint32_t>(value);
    value >>= 32;
  }
}

void BigMultiply(BigNum* n, std::uint32_t factor) {
  std::uint64_t carry = 0;
  for (int i = 0; i < n->size; ++i) {
    std::uint64_t product = std::uint64_t{n->limbs[i]} * factor + carry;
    n->limbs[i] = static_cast<std::uint32_t>(product);
    carry = product >> 32;
  }
  if (carry != 0) {
    n->limbs[n->size++] = static_cast<std::uint32_t>(carry);
  }
}

void BigShiftLeft(BigNum* n, int bits) {
  for (; bits >= 31; bits -= 31) {
    BigMultiply(n, 1u << 31);
  }
  BigMultiply(n, 1u << bits);
}

// Divides in place and returns the remainder.
std::uint32_t BigDivide(BigNum* n, std::uint32_t divisor) {
  std::uint64_t remainder = 0;
  for (int i = n->size - 1; i >= 0; --i) {
    std::uint64_t part = (remainder << 32) | n->limbs[i];
    n->limbs[i] = static_cast<std::uint32_t>(part / divisor);
    remainder = part % divisor;
  }
  while (n->size > 0 && n->limbs[n->size - 1] == 0) {
    --n->size;
  }
  return static_cast<std::uint32_t>(remainder);
}

constexpr int kSignificant = JsonDecimal::kSignificant;

// Adds one unit in the last digit. A carry out of the first digit makes the text one
// digit longer ("999" becomes "1000"), so the last digit keeps its decimal position.
void RoundUp(JsonDecimal* d) {
  for (int i = d->count - 1; i >= 0; --i) {
    if (d->digits[i] != '9') {
      ++d->digits[i];
      return;
    }
    d->digits[i] = '0';
  }
  std::memmove(d->digits + 1, d->digits, static_cast<std::size_t>(d->count));
  d->digits[0] = '1';
  ++d->count;
  ++d->exponent;
}

// Fills d from the leading digits of an exact expansion: its first 17 digits (fewer
// are padded with zeros) rounded half up by the 18th.
void TakeSignificant(const char* text, int length, int exponent, JsonDecimal* d) {
  d->count = kSignificant;
  std::memset(d->digits, '0', sizeof(d->digits));
  std::memcpy(d->digits, text,
              static_cast<std::size_t>(length < kSignificant ? length : kSignificant));
  d->exponent = exponent;
  if (length > kSignificant && text[kSignificant] >= '5') {
    RoundUp(d);
    d->count = kSignificant;  // a carry leaves a trailing zero to drop
  }
}

int TrailingZeroBits(std::uint64_t value) {  // value is not zero
#if defined(__GNUC__)
  return __builtin_ctzll(value);
#else
  int count = 0;
  for (; (value & 1) == 0; value >>= 1) {
    ++count;
  }
  return count;
#endif
}

// magnitude = *mantissa x 2^*binary_exponent exactly, with an integral mantissa whose
// trailing zero bits are moved into the exponent while that is negative. Read from the
// IEEE 754 bits: the stored fraction, with the hidden leading 1 of a normal number.
void Decompose(double magnitude, std::uint64_t* mantissa, int* binary_exponent) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof(bits));
  auto biased = static_cast<int>((bits >> 52) & 0x7FF);
  *mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0) {
    *binary_exponent = -1074;  // subnormal: no hidden 1
  } else {
    *mantissa |= std::uint64_t{1} << 52;
    *binary_exponent = biased - 1075;
  }
  if (*mantissa != 0 && *binary_exponent < 0) {
    int shift = std::min(TrailingZeroBits(*mantissa), -*binary_exponent);
    *mantissa >>= shift;
    *binary_exponent += shift;
  }
}

// Writes the decimal digits of value, without leading zeros, and returns their count.
int WriteDecimal(std::uint64_t value, char* out) {
  // Two digits a step, from the back, out of a table of the pairs 00 to 99.
  static const char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char digits[20];  // 2^64 has 20 digits
  char* start = digits + sizeof(digits);
  while (value >= 100) {
    std::size_t pair = static_cast<std::size_t>(value % 100) * 2;
    value /= 100;
    *--start = kPairs[pair + 1];
    *--start = kPairs[pair];
  }
  if (value >= 10) {
    *--start = kPairs[static_cast<std::size_t>(value) * 2 + 1];
    *--start = kPairs[static_cast<std::size_t>(value) * 2];
  } else {
    *--start = static_cast<char>('0' + value);
  }
  auto count = static_cast<int>(digits + sizeof(digits) - start);
  std::memcpy(out, start, static_cast<std::size_t>(count));
  return count;
}

constexpr std::uint64_t kPowersOfTen[] = {1ULL,
                                          10ULL,
                                          100ULL,
                                          1000ULL,
                                          10000ULL,
                                          100000ULL,
                                          1000000ULL,
                                          10000000ULL,
                                          100000000ULL,
                                          1000000000ULL,
                                          10000000000ULL,
                                          100000000000ULL,
                                          1000000000000ULL,
                                          10000000000000ULL,
                                          100000000000000ULL,
                                          1000000000000000ULL,
                                          10000000000000000ULL,
                                          100000000000000000ULL,
                                          1000000000000000000ULL};

int DecimalLength(std::uint64_t value) {
  int length = 1;
  while (length < 19 && value >= kPowersOfTen[length]) {
    ++length;
  }
  return length;
}

// floor(a x b / 2^shift), for 0 < shift < 64 and a quotient below 2^64, and in
// *remainder what is left below 2^shift. The product is formed in 32-bit halves: the
// 32-bit builds have no 128-bit integer.
std::uint64_t MultiplyShift(std::uint64_t a, std::uint64_t b, int shift,
                            std::uint64_t* remainder) {
  std::uint64_t a_low = a & 0xFFFFFFFFu;
  std::uint64_t a_high = a >> 32;
  std::uint64_t b_low = b & 0xFFFFFFFFu;
  std::uint64_t b_high = b >> 32;
  std::uint64_t low_low = a_low * b_low;
  std::uint64_t high_low = a_high * b_low;
  std::uint64_t low_high = a_low * b_high;
  std::uint64_t cross = (low_low >> 32) + (high_low & 0xFFFFFFFFu) + low_high;
  std::uint64_t high = a_high * b_high + (high_low >> 32) + (cross >> 32);
  std::uint64_t low = (cross << 32) | (low_low & 0xFFFFFFFFu);
  *remainder = low & ((std::uint64_t{1} << shift) - 1);
  return (high << (64 - shift)) | (low >> shift);
}

// The first 18 significant digits, truncated, of mantissa / 2^fraction_bits (fraction
// bits from 1 to 60, mantissa below 2^53 and not zero), and in *exponent the decimal
// exponent of the first: the value is 0.d1 d2 ... d18... x 10^*exponent.
std::uint64_t First18Digits(std::uint64_t mantissa, int fraction_bits, int* exponent) {
  std::uint64_t whole = mantissa >> fraction_bits;
  std::uint64_t fraction = mantissa & ((std::uint64_t{1} << fraction_bits) - 1);
  std::uint64_t rest = 0;
  if (whole != 0) {
    *exponent = DecimalLength(whole);  // at most 16: whole is below 2^53
    std::uint64_t scale = kPowersOfTen[18 - *exponent];
    return whole * scale + MultiplyShift(fraction, scale, fraction_bits, &rest);
  }
  // Below 1: 18 fraction digits at a time until one is not zero (the value is at least
  // 2^-60, so the second round always finds one).
  *exponent = 0;
  std::uint64_t leading = MultiplyShift(fraction, kPowersOfTen[18], fraction_bits, &rest);
  while (leading == 0) {
    *exponent -= 18;
    leading = MultiplyShift(rest, kPowersOfTen[18], fraction_bits, &rest);
  }
  int zeros = 18 - DecimalLength(leading);
  *exponent -= zeros;
  return leading * kPowersOfTen[zeros] +
         MultiplyShift(rest, kPowersOfTen[zeros], fraction_bits, &rest);
}

// The fixed form's shown value of a magnitude that has a fraction, in units of
// 10^-fraction_digits, by the same two roundings as the digits' way: to 17 significant
// digits, half up by the 18th, then half up at the last shown digit. Everything in
// 64-bit integers; false for magnitudes out of their reach (whole numbers, fractions
// finer than 2^-60, or more than 16 digits before the point once shown).
bool ShownUnits(double magnitude, int fraction_digits, std::uint64_t* units) {
  std::uint64_t mantissa = 0;
  int binary_exponent = 0;
  Decompose(magnitude, &mantissa, &binary_exponent);
  if (binary_exponent >= 0 || binary_exponent < -60) {
    return false;
  }
  int exponent = 0;
  std::uint64_t first18 = First18Digits(mantissa, -binary_exponent, &exponent);
  std::uint64_t first17 = first18 / 10 + (first18 % 10 >= 5 ? 1 : 0);
  int keep = exponent + fraction_digits;  // significant digits up to the last shown one
  if (keep >= JsonDecimal::kSignificant) {
    return false;
  }
  if (keep < 0) {
    *units = 0;  // even the first digit lies two places past the last shown one
    return true;
  }
  // Cut after the digit that follows the last shown one, then round by that digit.
  int dropped = JsonDecimal::kSignificant - keep;
  std::uint64_t shown_and_next = first17 / kPowersOfTen[dropped - 1];
  *units = shown_and_next / 10 + (shown_and_next % 10 >= 5 ? 1 : 0);
  return true;
}

}  // namespace

bool JsonShortDigits(double magnitude, JsonDecimal* d) {
  if (!(magnitude > 0.0) || !std::isfinite(magnitude)) {
    return false;
  }
  std::uint64_t mantissa = 0;
  int binary_exponent = 0;
  Decompose(magnitude, &mantissa, &binary_exponent);
  if (binary_exponent > 11 || binary_exponent < -60) {
    return false;
  }
  char text[20];
  int length = 0;
  int exponent = 0;
  if (binary_exponent >= 0) {
    // A whole number: the mantissa has 53 bits, so shifted it still fits 64.
    length = WriteDecimal(mantissa << binary_exponent, text);
    exponent = length;
  } else {
    // One digit past the 17 kept decides the rounding; every digit after it is ignored.
    length = WriteDecimal(First18Digits(mantissa, -binary_exponent, &exponent), text);
  }
  TakeSignificant(text, length, exponent, d);
  return true;
}

JsonDecimal JsonExactDigits(double magnitude) {
  JsonDecimal d{};
  if (magnitude == 0.0) {
    TakeSignificant("", 0, 1, &d);
    return d;
  }
  std::uint64_t mantissa = 0;
  int binary_exponent = 0;
  Decompose(magnitude, &mantissa, &binary_exponent);
  BigNum n;
  BigSet(&n, mantissa);
  int decimal_shift = 0;
  if (binary_exponent >= 0) {
    BigShiftLeft(&n, binary_exponent);
  } else {
    // m / 2^k is m x 5^k / 10^k.
    for (int k = -binary_exponent; k > 0; k -= 13) {
      std::uint32_t factor = 1;
      for (int i = 0; i < k && i < 13; ++i) {
        factor *= 5;  // at most 5^13, which fits 32 bits
      }
      BigMultiply(&n, factor);
    }
    decimal_shift = binary_exponent;
  }
  // Peel off nine decimal digits at a time, least significant first.
  std::uint32_t chunks[90];
  int chunk_count = 0;
  while (n.size > 0) {
    chunks[chunk_count++] = BigDivide(&n, 1000000000u);
  }
  char text[9 * 90 + 1];
  int length = 0;
  for (int i = chunk_count - 1; i >= 0; --i) {
    char group[10];
    for (int j = 8; j >= 0; --j) {
      group[j] = static_cast<char>('0' + chunks[i] % 10);
      chunks[i] /= 10;
    }
    int start = 0;
    while (length == 0 && start < 8 && group[start] == '0') {
      ++start;  // no leading zeros in the most significant group
    }
    std::memcpy(text + length, group + start, static_cast<std::size_t>(9 - start));
    length += 9 - start;
  }
  TakeSignificant(text, length, length + decimal_shift, &d);
  return d;
}

namespace {

// The exact digits of a finite magnitude rounded half up to 17 significant digits: the
// 64-bit way where it reaches, the big-integer way elsewhere. Both give the same digits.
JsonDecimal SignificantDigits(double magnitude) {
  JsonDecimal d{};
  if (JsonShortDigits(magnitude, &d)) {
    return d;
  }
  return JsonExactDigits(magnitude);
}

// The digits kept to `keep` significant places (any number, even 0 or less), the last
// rounded half up from the next; positions past the 17th are zeros.
JsonDecimal KeepDigits(const JsonDecimal& full, int keep) {
  JsonDecimal d = full;
  if (keep < 0) {
    d.count = 0;  // even the first digit lies two places past the last kept one
    return d;
  }
  if (keep >= kSignificant) {
    return d;  // DigitAt supplies the zeros past the 17th
  }
  d.count = keep;
  if (full.digits[keep] >= '5') {
    RoundUp(&d);
  }
  return d;
}

// The digit worth 10^position.
char DigitAt(const JsonDecimal& d, int position) {
  int index = d.exponent - 1 - position;
  return (index >= 0 && index < d.count) ? d.digits[index] : '0';
}

std::size_t FormatSpecial(double value, char* out) {
  // NaN's sign bit differs between platforms' arithmetic, so it is not shown.
  const char* text = std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
  std::size_t length = std::strlen(text);
  std::memcpy(out, text, length + 1);
  return length;
}

}  // namespace

std::size_t JsonFormatInteger(std::int64_t value, char* out) {
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  std::size_t length = 0;
  if (value < 0) {
    out[length++] = '-';
  }
  length += static_cast<std::size_t>(WriteDecimal(magnitude, out + length));
  out[length] = '\0';
  return length;
}

std::size_t JsonFormatFixedByDigits(double value, int fraction_digits, char* out) {
  if (!std::isfinite(value)) {
    return FormatSpecial(value, out);
  }
  JsonDecimal full = SignificantDigits(std::fabs(value));
  JsonDecimal d = KeepDigits(full, full.exponent + fraction_digits);
  std::size_t length = 0;
  if (std::signbit(value)) {
    out[length++] = '-';
  }
  for (int position = d.exponent > 1 ? d.exponent - 1 : 0; position >= 0; --position) {
    out[length++] = DigitAt(d, position);
  }
  if (fraction_digits > 0) {
    out[length++] = '.';
    for (int position = -1; position >= -fraction_digits; --position) {
      out[length++] = DigitAt(d, position);
    }
  }
  out[length] = '\0';
  return length;
}

std::size_t JsonFormatFixed(double value, int fraction_digits, char* out) {
  std::uint64_t units = 0;
  if (fraction_digits <= 0 || fraction_digits > 6 || !std::isfinite(value) || value == 0.0 ||
      !ShownUnits(std::fabs(value), fraction_digits, &units)) {
    return JsonFormatFixedByDigits(value, fraction_digits, out);
  }
  std::size_t length = 0;
  if (std::signbit(value)) {
    out[length++] = '-';
  }
  std::uint64_t scale = kPowersOfTen[fraction_digits];
  length += static_cast<std::size_t>(WriteDecimal(units / scale, out + length));
  out[length++] = '.';
  std::uint64_t fraction = units % scale;
  for (int i = fraction_digits - 1; i >= 0; --i) {
    out[length + static_cast<std::size_t>(i)] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  length += static_cast<std::size_t>(fraction_digits);
  out[length] = '\0';
  return length;
}

std::size_t JsonFormatExponent(double value, char* out) {
  if (!std::isfinite(value)) {
    return FormatSpecial(value, out);
  }
  JsonDecimal d = KeepDigits(SignificantDigits(std::fabs(value)), 7);
  std::size_t length = 0;
  if (std::signbit(value)) {
    out[length++] = '-';
  }
  out[length++] = d.digits[0];
  out[length++] = '.';
  for (int i = 1; i < 7; ++i) {
    out[length++] = d.digits[i];
  }
  int exponent = value == 0.0 ? 0 : d.exponent - 1;
  out[length++] = 'e';
  out[length++] = exponent < 0 ? '-' : '+';
  if (exponent < 0) {
    exponent = -exponent;
  }
  out[length++] = static_cast<char>('0' + exponent / 100);
  out[length++] = static_cast<char>('0' + exponent / 10 % 10);
  out[length++] = static_cast<char>('0' + exponent % 10);
  out[length] = '\0';
  return length;
}
