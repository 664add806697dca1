#include "json/json_number.h"

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
  while ((*mantissa & 1) == 0 && *binary_exponent < 0) {
    *mantissa >>= 1;
    ++*binary_exponent;
  }
}

// Writes the decimal digits of value, without leading zeros, and returns their count.
int WriteDecimal(std::uint64_t value, char* out) {
  char reversed[20];
  int count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int i = 0; i < count; ++i) {
    out[i] = reversed[count - 1 - i];
  }
  return count;
}

}  // namespace

bool JsonShortDigits(double magnitude, JsonDecimal* d) {
  if (!(magnitude > 0.0) || !std::isfinite(magnitude)) {
    return false;
  }
  std::uint64_t mantissa = 0;
  int binary_exponent = 0;
  Decompose(magnitude, &mantissa, &binary_exponent);
  // Whole part and binary fraction in 64-bit integers: the fraction, below 2^60, can be
  // multiplied by 10 without overflow.
  constexpr int kMaxFractionBits = 60;
  if (binary_exponent > 11 || binary_exponent < -kMaxFractionBits) {
    return false;
  }
  std::uint64_t whole = 0;
  std::uint64_t fraction = 0;
  int fraction_bits = 0;
  if (binary_exponent >= 0) {
    whole = mantissa << binary_exponent;  // the mantissa has 53 bits, so this fits 64
  } else {
    fraction_bits = -binary_exponent;
    whole = mantissa >> fraction_bits;
    fraction = mantissa & ((std::uint64_t{1} << fraction_bits) - 1);
  }
  // One digit past the 17 kept decides the rounding; every digit after it is ignored.
  char text[kSignificant + 1 + 20];
  int length = whole != 0 ? WriteDecimal(whole, text) : 0;
  int exponent = length;
  while (fraction != 0 && length <= kSignificant) {
    fraction *= 10;
    auto digit = static_cast<char>('0' + (fraction >> fraction_bits));
    fraction &= (std::uint64_t{1} << fraction_bits) - 1;
    if (length == 0 && digit == '0') {
      --exponent;  // a leading zero of a magnitude below 1
      continue;
    }
    text[length++] = digit;
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

std::size_t JsonFormatFixed(double value, int fraction_digits, char* out) {
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
