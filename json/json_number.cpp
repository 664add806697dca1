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

constexpr int kSignificant = 17;

// value = 0.d1 d2 ... dn x 10^exponent; digits[0] is not '0' unless the value is zero.
struct Decimal {
  char digits[kSignificant + 2];
  int count;
  int exponent;
};

// Adds one unit in the last digit. A carry out of the first digit makes the text one
// digit longer ("999" becomes "1000"), so the last digit keeps its decimal position.
void RoundUp(Decimal* d) {
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

// The exact digits of a finite magnitude, rounded half up to 17 significant digits.
Decimal SignificantDigits(double magnitude) {
  Decimal d{};
  d.count = kSignificant;
  std::memset(d.digits, '0', kSignificant);
  if (magnitude == 0.0) {
    d.exponent = 1;
    return d;
  }
  // magnitude = mantissa x 2^binary_exponent exactly, with an integral mantissa.
  int binary_exponent = 0;
  double fraction = std::frexp(magnitude, &binary_exponent);
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  binary_exponent -= 53;
  while ((mantissa & 1) == 0 && binary_exponent < 0) {
    mantissa >>= 1;  // keeps 5^k within the limbs for the smallest subnormals
    ++binary_exponent;
  }
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
  std::memcpy(d.digits, text,
              static_cast<std::size_t>(length < kSignificant ? length : kSignificant));
  d.exponent = length + decimal_shift;
  if (length > kSignificant && text[kSignificant] >= '5') {
    RoundUp(&d);
    d.count = kSignificant;  // a carry leaves a trailing zero to drop
  }
  return d;
}

// The digits kept to `keep` significant places (any number, even 0 or less), the last
// rounded half up from the next; positions past the 17th are zeros.
Decimal KeepDigits(const Decimal& full, int keep) {
  Decimal d = full;
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
char DigitAt(const Decimal& d, int position) {
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
  char reversed[20];
  std::size_t count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  std::size_t length = 0;
  if (value < 0) {
    out[length++] = '-';
  }
  while (count > 0) {
    out[length++] = reversed[--count];
  }
  out[length] = '\0';
  return length;
}

std::size_t JsonFormatFixed(double value, int fraction_digits, char* out) {
  if (!std::isfinite(value)) {
    return FormatSpecial(value, out);
  }
  Decimal full = SignificantDigits(std::fabs(value));
  Decimal d = KeepDigits(full, full.exponent + fraction_digits);
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
  Decimal d = KeepDigits(SignificantDigits(std::fabs(value)), 7);
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
