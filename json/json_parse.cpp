#include <climits>
#include <cstring>

#include "json/json.h"
#include "json/json_chunk.h"
#include "json/json_name.h"
#include "json/json_number.h"
#include "json/json_parse.h"
#include "json/json_pool.h"
#include "json/json_skip.h"
#include "json/json_string_sweep.h"

namespace {

// What one parse carries from step to step: why it failed, once it has, and which
// members of the root Object it builds.
struct Parser {
  JsonParseError error = JsonParseError::None;
  const char* const* wanted = nullptr;  // names ending in a null; null builds every member
  JsonPoolCursor pool;                  // where the nodes and their texts go
};

// Notes why the parse fails and returns the null that ends it.
const char* Fail(Parser* parser, JsonParseError error) {
  parser->error = error;
  return nullptr;
}

// Each step below is written once and made twice: with kBuild true it fills in item,
// the node made for the value; with kBuild false item is null and the step only checks
// the text, by the same rules, with the same failures, taking no memory.
template <bool kBuild>
const char* JsonParseValue(Parser* parser, JsonNode* item, const char* position, int depth);
const char* SkipContainer(Parser* parser, const char* position, int depth);

// Every byte from 1 to 32 counts as whitespace; the terminating zero never does.
const char* JsonSkipWhitespace(const char* position) {
  return position != nullptr ? JsonSkipSpace(position) : nullptr;
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

// What a number's text says: its value is sign x n x 10^power.
struct NumberParts {
  bool negative = false;
  DigitAccumulator n;
  std::int64_t power = 0;
};

// The grammar of a number. It never fails; it returns the position after the number.
// Only checking, it leaves the parts alone.
template <bool kBuild>
const char* ScanNumber(const char* position, NumberParts* parts) {
  std::int64_t scale = 0;  // the decimal scale: minus the count of fraction digits
  int exponent = 0;
  int exponent_sign = 1;
  if (*position == '-') {
    parts->negative = true;
    ++position;
  }
  if (*position == '0') {
    ++position;
  }
  if (*position >= '1' && *position <= '9') {
    for (; IsDigit(*position); ++position) {
      if constexpr (kBuild) {
        parts->n.Add(*position - '0');
      }
    }
  }
  if (*position == '.' && IsDigit(position[1])) {
    for (++position; IsDigit(*position); ++position) {
      if constexpr (kBuild) {
        parts->n.Add(*position - '0');
        --scale;
      }
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
  // The power's exponent is a whole number below 2^53 in size, exact in integer
  // arithmetic as in double.
  if constexpr (kBuild) {
    parts->power = scale + exponent_sign * static_cast<std::int64_t>(exponent);
  }
  return position;
}

void SetNumber(JsonNode* item, const NumberParts& parts) {
  item->type = static_cast<std::int32_t>(JsonType::Number);
  if (parts.power == 0 && parts.n.exact != DigitAccumulator::kInDouble) {
    // A whole number below 2^53: 10^0 is 1 and changes nothing, and the integer rule
    // keeps the digits as they are.
    auto whole = static_cast<std::int64_t>(parts.n.exact);
    item->doubleValue = parts.negative ? -static_cast<double>(whole) : static_cast<double>(whole);
    item->integerValue = parts.negative ? -whole : whole;
    return;
  }
  // The sign's factor of -1.0 or 1.0 negates or keeps the value exactly.
  double value = parts.negative ? -parts.n.Value() : parts.n.Value();
  if (parts.power != 0) {
    value *= JsonPowerOfTen(parts.power);
  }
  item->doubleValue = value;
  item->integerValue = JsonIntegerOf(value);
}

template <bool kBuild>
const char* JsonParseNumber(JsonNode* item, const char* position) {
  NumberParts parts;
  position = ScanNumber<kBuild>(position, &parts);
  if constexpr (kBuild) {
    SetNumber(item, parts);
  }
  return position;
}

// Copies count bytes, from the size of Word to twice that, as two overlapping words.
template <typename Word>
void CopyTwoWords(char* out, const char* in, std::size_t count) {
  Word head;
  Word tail;
  std::memcpy(&head, in, sizeof(Word));
  std::memcpy(&tail, in + count - sizeof(Word), sizeof(Word));
  std::memcpy(out, &head, sizeof(Word));
  std::memcpy(out + count - sizeof(Word), &tail, sizeof(Word));
}

// Copies count bytes. Most texts are short, and a call of memcpy costs more than they do:
// up to 16 bytes go as two overlapping pieces of fixed size.
void CopyText(char* out, const char* in, std::size_t count) {
  if (count >= 16) {
    std::memcpy(out, in, count);
  } else if (count >= 8) {
    CopyTwoWords<std::uint64_t>(out, in, count);
  } else if (count >= 4) {
    CopyTwoWords<std::uint32_t>(out, in, count);
  } else if (count > 0) {
    out[0] = in[0];
    out[count / 2] = in[count / 2];
    out[count - 1] = in[count - 1];
  }
}

// The quoted text at position, a string value or a member name. Building, its decoded
// bytes go to *text, beside owner in its pool where there is room, or into a block of
// their own when owner is null.
template <bool kBuild>
const char* JsonParseText(Parser* parser, const JsonNode* owner, const char* position,
                          char** text) {
  if (*position != '"') {
    return Fail(parser, JsonParseError::Syntax);
  }
  // Most texts have no escape: their end is the first stop, and they are their own bytes.
  JsonStringSweep sweep;
  const char* stop = JsonFindStringStop(position + 1);
  if (*stop == '"') {
    sweep = {stop, static_cast<std::size_t>(stop - position - 1), false};
  } else if (!JsonSweepString(position + 1, &sweep)) {
    return Fail(parser, JsonParseError::Syntax);
  }
  if constexpr (kBuild) {
    auto* block = owner != nullptr ? JsonPoolNewText(&parser->pool, owner, sweep.count + 1)
                                   : static_cast<char*>(JsonAllocate(sweep.count + 1));
    if (block == nullptr) {
      return Fail(parser, JsonParseError::OutOfMemory);
    }
    char* out = block;
    if (!sweep.escaped) {
      CopyText(block, position + 1, sweep.count);
      out += sweep.count;
    } else {
      JsonCopyEscapedString(position + 1, &out);
    }
    *out = '\0';
    *text = block;
  }
  return *sweep.end == '"' ? sweep.end + 1 : sweep.end;
}

template <bool kBuild>
const char* JsonParseString(Parser* parser, JsonNode* item, const char* position) {
  if constexpr (kBuild) {
    item->type = static_cast<std::int32_t>(JsonType::String);
    return JsonParseText<true>(parser, item, position, &item->stringValue);
  } else {
    return JsonParseText<false>(parser, nullptr, position, nullptr);
  }
}

// Allocates a zeroed node and links it after previous, or as parent's first child when
// previous is null. Linking before parsing keeps the partial tree whole for JsonDestroy.
JsonNode* LinkNewChild(Parser* parser, JsonNode* parent, JsonNode* previous) {
  JsonNode* child = JsonPoolNewNode(&parser->pool);
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

// Whether the parse builds only some members of the root Object, and this container,
// at depth, is the root.
bool FiltersHere(const Parser* parser, int depth) {
  return parser->wanted != nullptr && depth == 1;
}

// The Arrays and Objects that are built; the skip takes the others whole.
const char* JsonParseArray(Parser* parser, JsonNode* item, const char* position, int depth) {
  item->type = static_cast<std::int32_t>(JsonType::Array);
  if (FiltersHere(parser, depth)) {
    return SkipContainer(parser, position, depth - 1);  // no wanted names here
  }
  position = JsonSkipWhitespace(position + 1);
  if (*position == ']') {
    return position + 1;
  }
  JsonNode* child = nullptr;
  for (;;) {
    child = LinkNewChild(parser, item, child);
    if (child == nullptr) {
      return Fail(parser, JsonParseError::OutOfMemory);
    }
    position = JsonSkipWhitespace(
        JsonParseValue<true>(parser, child, JsonSkipWhitespace(position), depth));
    if (position == nullptr || *position != ',') {
      break;
    }
    ++position;
  }
  if (position == nullptr) {
    return nullptr;
  }
  return *position == ']' ? position + 1 : Fail(parser, JsonParseError::Syntax);
}

// The colon and the value of a member whose name ended at position (null when the name
// failed). Returns the position after the value and the whitespace behind it.
template <bool kBuild>
const char* JsonParseMemberValue(Parser* parser, JsonNode* member, const char* position,
                                 int depth) {
  if (position == nullptr) {
    return nullptr;
  }
  position = JsonSkipWhitespace(position);
  if (*position != ':') {
    return Fail(parser, JsonParseError::Syntax);
  }
  return JsonSkipWhitespace(
      JsonParseValue<kBuild>(parser, member, JsonSkipWhitespace(position + 1), depth));
}

bool IsWanted(const char* const* wanted, const char* name) {
  for (; *wanted != nullptr; ++wanted) {
    if (JsonNamesMatch(name, *wanted)) {
      return true;
    }
  }
  return false;
}

// A member of the root Object when only wanted members are built: its name is decoded
// to be compared, then kept with the member's value when wanted, else released.
const char* JsonParseWantedMember(Parser* parser, JsonNode* object, JsonNode** last,
                                  const char* position, int depth) {
  char* name = nullptr;
  position = JsonParseText<true>(parser, nullptr, position, &name);
  if (position == nullptr) {
    return nullptr;
  }
  if (!IsWanted(parser->wanted, name)) {
    JsonRelease(name);
    return JsonParseMemberValue<false>(parser, nullptr, position, depth);
  }
  JsonNode* member = LinkNewChild(parser, object, *last);
  if (member == nullptr) {
    JsonRelease(name);
    return Fail(parser, JsonParseError::OutOfMemory);
  }
  member->memberName = name;
  *last = member;
  return JsonParseMemberValue<true>(parser, member, position, depth);
}

// One member of object at position, linked after *last (the last member built) when it
// is built.
const char* JsonParseMember(Parser* parser, JsonNode* object, JsonNode** last,
                            const char* position, int depth) {
  if (FiltersHere(parser, depth)) {
    return JsonParseWantedMember(parser, object, last, position, depth);
  } else {
    JsonNode* member = LinkNewChild(parser, object, *last);
    if (member == nullptr) {
      return Fail(parser, JsonParseError::OutOfMemory);
    }
    *last = member;
    return JsonParseMemberValue<true>(
        parser, member, JsonParseText<true>(parser, member, position, &member->memberName),
        depth);
  }
}

const char* JsonParseObject(Parser* parser, JsonNode* item, const char* position, int depth) {
  item->type = static_cast<std::int32_t>(JsonType::Object);
  position = JsonSkipWhitespace(position + 1);
  if (*position == '}') {
    return position + 1;
  }
  JsonNode* last = nullptr;
  for (;;) {
    position = JsonParseMember(parser, item, &last, JsonSkipWhitespace(position), depth);
    if (position == nullptr || *position != ',') {
      break;
    }
    ++position;
  }
  if (position == nullptr) {
    return nullptr;
  }
  return *position == '}' ? position + 1 : Fail(parser, JsonParseError::Syntax);
}

// A literal's type for item, and the position after its bytes.
template <bool kBuild>
const char* JsonParseLiteral(JsonNode* item, JsonType type, const char* after) {
  if constexpr (kBuild) {
    item->type = static_cast<std::int32_t>(type);
    item->integerValue = type == JsonType::True ? 1 : 0;
  }
  return after;
}

// The skip reports why it fails where the steps above note it.
const char* SkipContainer(Parser* parser, const char* position, int depth) {
  JsonParseError error = JsonParseError::None;
  const char* after = JsonSkipContainer(position, depth, &error);
  return after != nullptr ? after : Fail(parser, error);
}

// depth counts the Arrays and Objects around item; the one that would be the
// kJsonMaxDepth + 1st fails, so hostile nesting cannot exhaust the stack.
template <bool kBuild>
const char* JsonParseValue(Parser* parser, JsonNode* item, const char* position, int depth) {
  // The literals are prefixes, compared byte by byte: "nullx" gives Null and leaves "x".
  // Their first bytes differ, so one switch on the first byte keeps the order of tests.
  switch (*position) {
    case 'n':
      if (position[1] != 'u' || position[2] != 'l' || position[3] != 'l') {
        return Fail(parser, JsonParseError::Syntax);
      }
      return JsonParseLiteral<kBuild>(item, JsonType::Null, position + 4);
    case 'f':
      if (position[1] != 'a' || position[2] != 'l' || position[3] != 's' || position[4] != 'e') {
        return Fail(parser, JsonParseError::Syntax);
      }
      return JsonParseLiteral<kBuild>(item, JsonType::False, position + 5);
    case 't':
      if (position[1] != 'r' || position[2] != 'u' || position[3] != 'e') {
        return Fail(parser, JsonParseError::Syntax);
      }
      return JsonParseLiteral<kBuild>(item, JsonType::True, position + 4);
    case '"':
      return JsonParseString<kBuild>(parser, item, position);
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
      return JsonParseNumber<kBuild>(item, position);
    case '[':
    case '{':
      if constexpr (kBuild) {
        if (depth >= kJsonMaxDepth) {
          return Fail(parser, JsonParseError::TooDeep);
        }
        return *position == '[' ? JsonParseArray(parser, item, position, depth + 1)
                                : JsonParseObject(parser, item, position, depth + 1);
      } else {
        return SkipContainer(parser, position, depth);
      }
    default:
      return Fail(parser, JsonParseError::Syntax);
  }
}

}  // namespace

const char* JsonNumberEnd(const char* position) {
  NumberParts unused;
  return ScanNumber<false>(position, &unused);
}

JsonNode* JsonParseInPools(const char* text, JsonParseError* error,
                           const char* const* wanted_members, std::size_t first_pool,
                           std::size_t last_pool) {
  Parser parser;
  parser.wanted = wanted_members;
  parser.pool.next_size = first_pool;
  parser.pool.last_size = last_pool;
  JsonNode* root = JsonPoolNewNode(&parser.pool);
  if (root == nullptr) {
    Fail(&parser, JsonParseError::OutOfMemory);
  } else if (JsonParseValue<true>(&parser, root, JsonSkipWhitespace(text), 0) == nullptr) {
    JsonDestroy(root);
    root = nullptr;
  }
  JsonPoolFinish(&parser.pool);
  if (error != nullptr) {
    *error = parser.error;
  }
  return root;
}

JsonNode* JsonParseWith(const char* text, JsonParseError* error,
                        const char* const* wanted_members) {
  return JsonParseInPools(text, error, wanted_members, kJsonFirstPoolSize, kJsonLastPoolSize);
}

JsonNode* JsonParse(const char* text) {
  return JsonParseWith(text, nullptr);
}
