#include <climits>
#include <cstring>

#include "json/json.h"
#include "json/json_number.h"

namespace {

// What one parse carries from step to step: why it failed, once it has.
struct Parser {
  JsonParseError error = JsonParseError::None;
};

// Notes why the parse fails and returns the null that ends it.
const char* Fail(Parser* parser, JsonParseError error) {
  parser->error = error;
  return nullptr;
}

const char* JsonParseValue(Parser* parser, JsonNode* item, const char* position, int depth);

// Every byte from 1 to 32 counts as whitespace; the terminating zero never does. One
// unsigned comparison per byte: 0 wraps around to the largest value.
bool IsWhitespace(char c) {
  return static_cast<unsigned char>(c) - 1u < 32u;
}

const char* JsonSkipWhitespace(const char* position) {
  if (position == nullptr) {
    return nullptr;
  }
  // Four bytes per round: a byte is looked at only after the one before it was
  // whitespace, so never past the terminating zero.
  for (;; position += 4) {
    if (!IsWhitespace(position[0])) {
      return position;
    }
    if (!IsWhitespace(position[1])) {
      return position + 1;
    }
    if (!IsWhitespace(position[2])) {
      return position + 2;
    }
    if (!IsWhitespace(position[3])) {
      return position + 3;
    }
  }
}

JsonNode* NewZeroedNode() {
  auto* node = static_cast<JsonNode*>(JsonAllocate(sizeof(JsonNode)));
  if (node != nullptr) {
    std::memset(node, 0, sizeof(JsonNode));
  }
  return node;
}

bool IsDigit(char c) {
  return static_cast<unsigned char>(c - '0') < 10u;
}

// The digit accumulator n of a number, n = n * 10 + digit in double arithmetic. While
// n stays below 2^53 every step is exact, so it is kept in an integer, which is much
// cheaper; from there on the double takes over and rounds each step as it always did.
struct DigitAccumulator {
  // Below this bound, exact * 10 + 9 is still below 2^53; kInDouble marks the handover.
  static constexpr std::uint64_t kExactBound = ((std::uint64_t{1} << 53) - 9) / 10;
  static constexpr std::uint64_t kInDouble = ~std::uint64_t{0};

  std::uint64_t exact = 0;
  double rounded = 0.0;

  void Add(int digit) {
    if (exact < kExactBound) {
      exact = exact * 10 + static_cast<std::uint64_t>(digit);
      return;
    }
    if (exact != kInDouble) {
      rounded = static_cast<double>(exact);
      exact = kInDouble;
    }
    rounded = rounded * 10.0 + digit;
  }

  double Value() const { return exact == kInDouble ? rounded : static_cast<double>(exact); }
};

const char* JsonParseNumber(JsonNode* item, const char* position) {
  bool negative = false;
  DigitAccumulator n;
  std::int64_t scale = 0;  // the decimal scale: minus the count of fraction digits
  int exponent = 0;
  int exponent_sign = 1;
  if (*position == '-') {
    negative = true;
    ++position;
  }
  if (*position == '0') {
    ++position;
  }
  if (*position >= '1' && *position <= '9') {
    for (; IsDigit(*position); ++position) {
      n.Add(*position - '0');
    }
  }
  if (*position == '.' && IsDigit(position[1])) {
    for (++position; IsDigit(*position); ++position) {
      n.Add(*position - '0');
      --scale;
    }
  }
  if (*position == 'e' || *position == 'E') {
    ++position;
    if (*position == '+') {
      ++position;
    } else if (*position == '-') {
      exponent_sign = -1;
      ++position;
    }
    for (; IsDigit(*position); ++position) {
      int digit = *position - '0';
      // Saturate rather than overflow; any exponent this large gives 0 or infinity anyway.
      exponent = exponent > (INT_MAX - digit) / 10 ? INT_MAX : exponent * 10 + digit;
    }
  }
  // The power's exponent, scale + exponent sign x exponent, is a whole number below 2^53
  // in size, exact in integer arithmetic as in double.
  std::int64_t power = scale + exponent_sign * static_cast<std::int64_t>(exponent);
  item->type = static_cast<std::int32_t>(JsonType::Number);
  if (power == 0 && n.exact != DigitAccumulator::kInDouble) {
    // A whole number below 2^53: 10^0 is 1 and changes nothing, and the integer rule
    // keeps the digits as they are.
    auto whole = static_cast<std::int64_t>(n.exact);
    item->doubleValue = negative ? -static_cast<double>(whole) : static_cast<double>(whole);
    item->integerValue = negative ? -whole : whole;
    return position;
  }
  // The sign's factor of -1.0 or 1.0 negates or keeps the value exactly.
  double value = negative ? -n.Value() : n.Value();
  if (power != 0) {
    value *= JsonPowerOfTen(power);
  }
  item->doubleValue = value;
  item->integerValue = JsonToInteger(value);
  return position;
}

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

// The bytes at which a sweep over a string's contents must look closer: the quote, the
// backslash and the terminating zero. One table lookup per byte finds them.
struct StringStopTable {
  bool stops[256];
  constexpr StringStopTable() : stops() {
    stops[static_cast<unsigned char>('"')] = true;
    stops[static_cast<unsigned char>('\\')] = true;
    stops[0] = true;
  }
};
constexpr StringStopTable kStringStop;

// The first quote, backslash or terminating zero at or after position. Four bytes a
// round, each looked at only when the one before it was no stop.
const char* FindStringStop(const char* position) {
  while (!kStringStop.stops[static_cast<unsigned char>(position[0])]) {
    if (kStringStop.stops[static_cast<unsigned char>(position[1])]) {
      return position + 1;
    }
    if (kStringStop.stops[static_cast<unsigned char>(position[2])]) {
      return position + 2;
    }
    if (kStringStop.stops[static_cast<unsigned char>(position[3])]) {
      return position + 3;
    }
    position += 4;
  }
  return position;
}

// The counting sweep, which also decides whether the string is well formed: a "\u" must
// be followed by four hex digits. It finds the end of the string (the closing quote or
// the terminating zero) and an upper bound of the decoded size, one per byte and one per
// escape pair; every escape decodes to no more bytes than it counts. escaped tells
// whether any backslash was met: without one, the count is exact and the copying sweep
// is a plain copy.
struct StringSweep {
  const char* end;
  std::size_t count;
  bool escaped;
};

bool SweepString(const char* position, StringSweep* sweep) {
  const char* start = position;
  std::size_t pairs = 0;
  for (;;) {
    position = FindStringStop(position);
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

// The copying sweep of a string with escapes: runs of plain bytes in one piece, then the
// escape that ends them, up to the closing quote or the end of the text.
void CopyEscapedString(const char* position, char** out) {
  for (;;) {
    const char* stop = FindStringStop(position);
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

const char* JsonParseString(Parser* parser, JsonNode* item, const char* position) {
  if (*position != '"') {
    return Fail(parser, JsonParseError::Syntax);
  }
  StringSweep sweep;
  if (!SweepString(position + 1, &sweep)) {
    return Fail(parser, JsonParseError::Syntax);
  }
  auto* text = static_cast<char*>(JsonAllocate(sweep.count + 1));
  if (text == nullptr) {
    return Fail(parser, JsonParseError::OutOfMemory);
  }
  char* out = text;
  if (!sweep.escaped) {
    std::memcpy(text, position + 1, sweep.count);
    out += sweep.count;
  } else {
    CopyEscapedString(position + 1, &out);
  }
  *out = '\0';
  item->stringValue = text;
  item->type = static_cast<std::int32_t>(JsonType::String);
  return *sweep.end == '"' ? sweep.end + 1 : sweep.end;
}

// Allocates a zeroed node and links it after previous, or as parent's first child when
// previous is null. Linking before parsing keeps the partial tree whole for JsonDestroy.
JsonNode* LinkNewChild(JsonNode* parent, JsonNode* previous) {
  JsonNode* child = NewZeroedNode();
  if (child == nullptr) {
    return nullptr;
  }
  if (previous == nullptr) {
    parent->firstChild = child;
  } else {
    previous->next = child;
    child->previous = previous;
  }
  return child;
}

const char* JsonParseArray(Parser* parser, JsonNode* item, const char* position, int depth) {
  item->type = static_cast<std::int32_t>(JsonType::Array);
  position = JsonSkipWhitespace(position + 1);
  if (*position == ']') {
    return position + 1;
  }
  JsonNode* child = nullptr;
  do {
    if (child != nullptr) {
      ++position;  // the comma
    }
    child = LinkNewChild(item, child);
    if (child == nullptr) {
      return Fail(parser, JsonParseError::OutOfMemory);
    }
    position =
        JsonSkipWhitespace(JsonParseValue(parser, child, JsonSkipWhitespace(position), depth));
    if (position == nullptr) {
      return nullptr;
    }
  } while (*position == ',');
  return *position == ']' ? position + 1 : Fail(parser, JsonParseError::Syntax);
}

const char* JsonParseObject(Parser* parser, JsonNode* item, const char* position, int depth) {
  item->type = static_cast<std::int32_t>(JsonType::Object);
  position = JsonSkipWhitespace(position + 1);
  if (*position == '}') {
    return position + 1;
  }
  JsonNode* child = nullptr;
  do {
    if (child != nullptr) {
      ++position;  // the comma
    }
    child = LinkNewChild(item, child);
    if (child == nullptr) {
      return Fail(parser, JsonParseError::OutOfMemory);
    }
    position = JsonSkipWhitespace(JsonParseString(parser, child, JsonSkipWhitespace(position)));
    if (position == nullptr) {
      return nullptr;
    }
    child->memberName = child->stringValue;
    child->stringValue = nullptr;
    if (*position != ':') {
      return Fail(parser, JsonParseError::Syntax);
    }
    position = JsonSkipWhitespace(
        JsonParseValue(parser, child, JsonSkipWhitespace(position + 1), depth));
    if (position == nullptr) {
      return nullptr;
    }
  } while (*position == ',');
  return *position == '}' ? position + 1 : Fail(parser, JsonParseError::Syntax);
}

// depth counts the Arrays and Objects around item; the one that would be the
// kJsonMaxDepth + 1st fails, so hostile nesting cannot exhaust the stack.
const char* JsonParseValue(Parser* parser, JsonNode* item, const char* position, int depth) {
  // The literals are prefixes, compared byte by byte: "nullx" gives Null and leaves "x".
  // Their first bytes differ, so one switch on the first byte keeps the order of tests.
  switch (*position) {
    case 'n':
      if (position[1] != 'u' || position[2] != 'l' || position[3] != 'l') {
        return Fail(parser, JsonParseError::Syntax);
      }
      item->type = static_cast<std::int32_t>(JsonType::Null);
      return position + 4;
    case 'f':
      if (position[1] != 'a' || position[2] != 'l' || position[3] != 's' || position[4] != 'e') {
        return Fail(parser, JsonParseError::Syntax);
      }
      item->type = static_cast<std::int32_t>(JsonType::False);
      return position + 5;
    case 't':
      if (position[1] != 'r' || position[2] != 'u' || position[3] != 'e') {
        return Fail(parser, JsonParseError::Syntax);
      }
      item->type = static_cast<std::int32_t>(JsonType::True);
      item->integerValue = 1;
      return position + 4;
    case '"':
      return JsonParseString(parser, item, position);
    case '-':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
      return JsonParseNumber(item, position);
    case '[':
      return depth < kJsonMaxDepth ? JsonParseArray(parser, item, position, depth + 1)
                                   : Fail(parser, JsonParseError::TooDeep);
    case '{':
      return depth < kJsonMaxDepth ? JsonParseObject(parser, item, position, depth + 1)
                                   : Fail(parser, JsonParseError::TooDeep);
    default:
      return Fail(parser, JsonParseError::Syntax);
  }
}

}  // namespace

JsonNode* JsonParseWith(const char* text, JsonParseError* error) {
  Parser parser;
  JsonNode* root = NewZeroedNode();
  if (root == nullptr) {
    Fail(&parser, JsonParseError::OutOfMemory);
  } else if (JsonParseValue(&parser, root, JsonSkipWhitespace(text), 0) == nullptr) {
    JsonDestroy(root);
    root = nullptr;
  }
  if (error != nullptr) {
    *error = parser.error;
  }
  return root;
}

JsonNode* JsonParse(const char* text) {
  return JsonParseWith(text, nullptr);
}
