#include "json/json_string_sweep.h"

#include <cstring>

#include "json/json_chunk.h"

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Reads the four hex digits after "\u" at position; -1 when any is missing. Stops at the
// first byte that is not a hex digit, so it never reads past the terminating zero.
long ReadEscapedUnit(const char* position) {
  long unit = 0;
  for (int i = 2; i < 6; ++i) {
    int digit = HexDigitValue(position[i]);
    if (digit < 0) {
      return -1;
    }
    unit = unit * 16 + digit;
  }
  return unit;
}

char* WriteUtf8(unsigned long code_point, char* out) {
  auto put = [&out](unsigned long byte) { *out++ = static_cast<char>(byte); };
  if (code_point < 0x80) {
    put(code_point);
  } else if (code_point < 0x800) {
    put(0xC0 | (code_point >> 6));
    put(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    put(0xE0 | (code_point >> 12));
    put(0x80 | ((code_point >> 6) & 0x3F));
    put(0x80 | (code_point & 0x3F));
  } else {
    put(0xF0 | (code_point >> 18));
    put(0x80 | ((code_point >> 12) & 0x3F));
    put(0x80 | ((code_point >> 6) & 0x3F));
    put(0x80 | (code_point & 0x3F));
  }
  return out;
}

// Decodes the "\u" escape at position into out and returns the position after the
// escape (or the surrogate pair). The counting sweep has checked that four hex digits
// follow every "\u" of the string, the second of a pair included.
const char* DecodeCodePoint(const char* position, char** out) {
  long unit = ReadEscapedUnit(position);
  position += 6;
  if (unit == 0 || (unit >= 0xDC00 && unit <= 0xDFFF)) {
    return position;
  }
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    if (position[0] != '\\' || position[1] != 'u') {
      return position;
    }
    long low = ReadEscapedUnit(position);
    position += 6;
    if (low < 0xDC00 || low > 0xDFFF) {
      return position;
    }
    unit = 0x10000 + (((unit & 0x3FF) << 10) | (low & 0x3FF));
  }
  *out = WriteUtf8(static_cast<unsigned long>(unit), *out);
  return position;
}

}  // namespace

// The count is one per byte and one per escape pair; every escape decodes to no more
// bytes than it counts.
bool JsonSweepString(const char* position, JsonStringSweep* sweep) {
  const char* start = position;
  std::size_t pairs = 0;
  for (;;) {
    position = JsonFindStringStop(position);
    if (*position != '\\' || position[1] == '\0') {
      break;  // the closing quote, the end of the text, or a backslash at the very end
    }
    if (position[1] == 'u' && ReadEscapedUnit(position) < 0) {
      return false;
    }
    position += 2;
    ++pairs;
  }
  // A backslash at the very end adds nothing; the string ends at the zero after it.
  const char* end = *position == '\\' ? position + 1 : position;
  *sweep = {end, static_cast<std::size_t>(position - start) - pairs, pairs != 0};
  return true;
}

// Runs of plain bytes in one piece, then the escape that ends them.
void JsonCopyEscapedString(const char* position, char** out) {
  for (;;) {
    const char* stop = JsonFindStringStop(position);
    auto run = static_cast<std::size_t>(stop - position);
    std::memcpy(*out, position, run);
    *out += run;
    position = stop;
    if (*position != '\\' || position[1] == '\0') {
      return;  // a backslash at the very end adds nothing
    }
    char escaped_byte = position[1];
    switch (escaped_byte) {
      case 'b':
        *(*out)++ = '\b';
        break;
      case 'f':
        *(*out)++ = '\f';
        break;
      case 'n':
        *(*out)++ = '\n';
        break;
      case 'r':
        *(*out)++ = '\r';
        break;
      case 't':
        *(*out)++ = '\t';
        break;
      case 'u':
        position = DecodeCodePoint(position, out);
        continue;
      default:
        *(*out)++ = escaped_byte;
        break;
    }
    position += 2;
  }
}

