#include "json/json_skip.h"

#include <cstdint>
#include <cstring>

#include "json/json_chunk.h"

// The skip takes the text a 64-byte chunk at a time and checks each chunk with operations
// on 64-bit masks, one bit per byte, instead of a step per byte or per token:
//   1. The chunk's byte classes (json_chunk.h) give the escaped bytes, then the bytes
//      inside strings (a running parity of the unescaped quotes), then where each token
//      starts: structure, an opening quote, or a number or literal after a separator.
//   2. The brackets alone are walked in order, with a stack, for their nesting, the
//      depth limit and which container each byte lies in.
//   3. The grammar is a set of rules about which token may follow which: for a class of
//      tokens, adding the class (shifted by one) to the mask of non-token bytes carries
//      each bit onto the next token, so "the tokens after a colon" is one addition.
//   4. Numbers are runs of digits, found by the same addition; literals and the rare
//      number the masks leave open are read byte by byte.
// Every rule marks the token where the building parse would stop, so the lowest marked
// bit is where the text fails, and for the same reason.

namespace {

constexpr std::uint64_t kOddBits = 0xAAAAAAAAAAAAAAAAu;

std::uint64_t Bit(unsigned i) {
  return std::uint64_t{1} << i;
}

// The bits at and below bit i.
std::uint64_t UpTo(unsigned i) {
  return i >= 63 ? ~std::uint64_t{0} : Bit(i + 1) - 1;
}

unsigned HighestBit(std::uint64_t mask) {
  return 63u - static_cast<unsigned>(__builtin_clzll(mask));
}

// The bytes that follow an odd run of backslashes. *carry is 1 when the chunk's first
// byte is escaped by the bytes before the chunk, and is left saying the same of the next.
// A run's first backslash added to the run carries into the byte after it, which is
// escaped when it lies an odd distance from the run's start.
std::uint64_t EscapedBytes(std::uint64_t backslash, std::uint64_t* carry) {
  std::uint64_t escaped = *carry;
  backslash &= ~*carry;  // an escaped backslash escapes nothing
  std::uint64_t starts = backslash & ~(backslash << 1);
  std::uint64_t after_even = (backslash + (starts & ~kOddBits)) & ~backslash;
  std::uint64_t after_odd = (backslash + (starts & kOddBits)) & ~backslash;
  escaped |= (after_even & kOddBits) | (after_odd & ~kOddBits);
  // A run that reaches the chunk's end escapes the next chunk's first byte when its
  // length is odd.
  unsigned run = ~backslash == 0 ? 64u : static_cast<unsigned>(__builtin_clzll(~backslash));
  *carry = run & 1u;
  return escaped;
}

// Bit i set when an odd number of bits at or below i are set: applied to the quotes,
// the bytes from an opening quote up to, not including, its closing one.
std::uint64_t PrefixXor(std::uint64_t bits) {
  for (unsigned shift = 1; shift < 64; shift *= 2) {
    bits ^= bits << shift;
  }
  return bits;
}

bool IsHexDigit(char c) {
  return static_cast<unsigned char>(c - '0') < 10u ||
         static_cast<unsigned char>((c | 0x20) - 'a') < 6u;
}

// The "\u" escapes among the escaped bytes of a chunk that lack their four hex digits:
// the string fails there.
std::uint64_t BrokenEscapes(const char* chunk, std::uint64_t escaped) {
  std::uint64_t broken = 0;
  for (; escaped != 0; escaped &= escaped - 1) {
    const char* at = chunk + JsonLowestBit(escaped);
    if (*at == 'u' && !(IsHexDigit(at[1]) && IsHexDigit(at[2]) && IsHexDigit(at[3]) &&
                        IsHexDigit(at[4]))) {
      broken |= escaped & (0 - escaped);
    }
  }
  return broken;
}

// Whether a value's bytes may end at byte: whitespace, structure, a quote or the zero.
bool EndsToken(char byte) {
  switch (byte) {
    case '\0':
    case '"':
    case '[':
    case ']':
    case '{':
    case '}':
    case ',':
    case ':':
      return true;
    default:
      return JsonIsSpace(byte);
  }
}

// Whether the literal the parser reads at token (its first byte is n, t or f) is there
// and ends where a value may end.
bool LiteralEnds(const char* token) {
  const char* word = *token == 'n' ? "null" : *token == 't' ? "true" : "false";
  for (int i = 1; word[i] != '\0'; ++i) {
    if (token[i] != word[i]) {
      return false;
    }
  }
  return EndsToken(token[*token == 'f' ? 5 : 4]);
}

// The tokens that come right after the tokens of one class. Shifted by one and added to
// the mask of the bytes that start no token, each member's bit carries through the gap
// after it onto the next token. pending carries into the next chunk.
struct Follower {
  std::uint64_t pending = 0;
  std::uint64_t After(std::uint64_t members, std::uint64_t tokens) {
    std::uint64_t sum = 0;
    bool carried = __builtin_add_overflow((members << 1) | pending, ~tokens, &sum);
    pending = (members >> 63) | static_cast<std::uint64_t>(carried);
    return sum & tokens;
  }
};

struct Skip {
  const char* chunk;
  std::uint64_t preceded;  // the tokens that come after another: not the skip's first
  int depth;   // the Arrays and Objects around the next byte
  int bottom;  // the depth of the container skipped: closing it ends the skip
  bool object[kJsonMaxDepth + 1];  // per depth: whether that container is an Object
  std::uint64_t escape_carry = 0;
  std::uint64_t string_carry = 0;     // all ones when the chunk starts inside a string
  std::uint64_t separator_carry = 1;  // 1 when the byte before the chunk ends a token
  // Every token but the skip's first comes after exactly one of: a colon or a comma in
  // an Array, a comma in an Object, an opening bracket, a name, or the end of a value.
  // The tokens after the end of a value are then those after none of the others, and
  // need no follower of their own.
  Follower expects_value;  // after a colon, a comma in an Array, or '['
  Follower expects_name;   // after a comma in an Object, or '{'
  Follower may_close;      // after '[' or '{': the container may be empty
  Follower after_name;
};

// One chunk's tokens by class.
struct Tokens {
  std::uint64_t all;
  std::uint64_t string;  // opening quotes
  std::uint64_t scalar;  // the first byte of anything else that is not structure
  std::uint64_t comma;
  std::uint64_t colon;
  std::uint64_t bracket;
  std::uint64_t failed;  // zeros and broken escapes: the text fails there
};

Tokens FindTokens(Skip* skip, const JsonChunkMasks& masks) {
  // Nothing after the terminating zero is text: the bytes there never make tokens, which
  // might be read past the chunk.
  std::uint64_t text = masks.zero != 0 ? UpTo(JsonLowestBit(masks.zero)) : ~std::uint64_t{0};
  std::uint64_t escaped = 0;
  if ((masks.backslash | skip->escape_carry) != 0) {
    escaped = EscapedBytes(masks.backslash, &skip->escape_carry);
  }
  std::uint64_t quotes = masks.quote & ~escaped;
  std::uint64_t in_string = PrefixXor(quotes) ^ skip->string_carry;
  skip->string_carry = 0 - (in_string >> 63);
  std::uint64_t outside = ~in_string & text;
  Tokens tokens;
  tokens.bracket = masks.bracket & outside;
  tokens.comma = masks.comma & outside;
  tokens.colon = masks.colon & outside;
  tokens.string = quotes & in_string & text;
  std::uint64_t structure = tokens.bracket | tokens.comma | tokens.colon;
  std::uint64_t separators = masks.space | structure | (quotes & outside);
  tokens.scalar = outside & ~(separators | quotes | masks.zero) &
                  ((separators << 1) | skip->separator_carry);
  skip->separator_carry = separators >> 63;
  tokens.failed = masks.zero;
  if ((escaped & in_string & text) != 0) {
    tokens.failed |= BrokenEscapes(skip->chunk, escaped & in_string & text);
  }
  tokens.all = structure | tokens.string | tokens.scalar | tokens.failed;
  return tokens;
}

// What the walk over a chunk's brackets finds.
struct Brackets {
  std::uint64_t open_object = 0;
  std::uint64_t open_array = 0;
  std::uint64_t close_object = 0;
  std::uint64_t close_array = 0;
  std::uint64_t in_object = 0;   // the bytes whose innermost container is an Object
  std::uint64_t mismatch = 0;    // a closing bracket of the wrong kind
  std::uint64_t too_deep = 0;    // the bracket that would open one container too many
  unsigned end = 64;             // the bracket that closes the skipped container, if here
};

// Walks the brackets in order; stops at the end of the skipped container or at a fault.
Brackets WalkBrackets(Skip* skip, std::uint64_t brackets) {
  Brackets found;
  bool start = skip->object[skip->depth];
  bool current = start;
  std::uint64_t changes = 0;  // where the innermost container changes kind
  for (; brackets != 0; brackets &= brackets - 1) {
    unsigned i = JsonLowestBit(brackets);
    char byte = skip->chunk[i];
    if (byte == '[' || byte == '{') {
      (byte == '{' ? found.open_object : found.open_array) |= Bit(i);
      if (skip->depth >= kJsonMaxDepth) {
        found.too_deep = Bit(i);
        break;
      }
      skip->object[++skip->depth] = byte == '{';
    } else {
      (byte == '}' ? found.close_object : found.close_array) |= Bit(i);
      if (skip->object[skip->depth] != (byte == '}')) {
        found.mismatch = Bit(i);
        break;
      }
      if (--skip->depth == skip->bottom) {
        found.end = i;
        break;
      }
    }
    if (skip->object[skip->depth] != current) {
      changes |= Bit(i);
      current = !current;
    }
  }
  found.in_object = (changes != 0 ? PrefixXor(changes) : 0) ^ (start ? ~std::uint64_t{0} : 0);
  return found;
}

// The numbers among the scalars, the first byte of each given in starts (a digit or '-'):
// marks where one ends on a byte no value may end on.
std::uint64_t CheckNumbers(const Skip& skip, const JsonChunkMasks& masks, std::uint64_t starts,
                           std::uint64_t enders) {
  std::uint64_t digits = masks.digit;
  std::uint64_t signs = starts & ~digits;
  // The integer part: the digits after the start, the sign joining its run.
  std::uint64_t run = digits | signs;
  std::uint64_t after_integer = (run + starts) & ~run;
  // A point with a digit after it, then the fraction's digits.
  std::uint64_t points = after_integer & masks.point & (digits >> 1);
  std::uint64_t after_fraction = (digits + (points << 1)) & ~digits;
  std::uint64_t ends = (after_integer & ~points) | after_fraction;
  // Left to the byte reader: the last number, when the masks show no end after its start
  // (its digits run on into the next chunk) or only a point in the chunk's last byte,
  // whose next byte they lack; and a leading zero with another zero after it ("00" ends
  // after the first). Without a branch, as whether a chunk ends inside a number is hard
  // to foretell; in a chunk without numbers, starts keeps bit 0 out.
  unsigned last = HighestBit(starts | 1);
  std::uint64_t after_last = ends & ~UpTo(last);
  bool unseen = (after_last & ~(masks.point & Bit(63))) == 0;
  std::uint64_t open = (unseen ? Bit(last) : 0) & starts;
  std::uint64_t first_digits = (starts & digits) | ((signs << 1) & digits);
  std::uint64_t double_zeros = first_digits & masks.zero_digit & (masks.zero_digit >> 1);
  open |= starts & (double_zeros | (double_zeros >> 1));
  std::uint64_t failed = 0;
  for (std::uint64_t unsure = open; unsure != 0; unsure &= unsure - 1) {
    unsigned i = JsonLowestBit(unsure);
    std::uint64_t own_end = ends & ~UpTo(i);
    if (own_end != 0) {
      ends &= ~(own_end & (0 - own_end));  // the masks' guess is not taken
    }
    const char* end = JsonNumberEnd(skip.chunk + i);
    if (!EndsToken(*end)) {
      auto at = static_cast<std::size_t>(end - skip.chunk);
      failed |= Bit(at < 64 ? static_cast<unsigned>(at) : 63u);
    }
  }
  // An exponent is the byte reader's too; anything else ends the number badly.
  for (std::uint64_t bad = ends & ~enders; bad != 0; bad &= bad - 1) {
    unsigned i = JsonLowestBit(bad);
    char byte = skip.chunk[i];
    if (byte != 'e' && byte != 'E') {
      failed |= Bit(i);
      continue;
    }
    unsigned start = HighestBit(starts & UpTo(i));
    if ((open & Bit(start)) == 0 && !EndsToken(*JsonNumberEnd(skip.chunk + start))) {
      failed |= Bit(i);
    }
  }
  return failed;
}

// Whether the 4 bytes at token spell the literal word (the 4 first bytes of false).
bool Spells(const char* token, const char* word) {
  std::uint32_t have = 0;
  std::uint32_t want = 0;
  std::memcpy(&have, token, 4);
  std::memcpy(&want, word, 4);
  return have == want;
}

// The scalars that are not numbers: literals, or faults. Adds the signs that start
// numbers to *numbers. A literal whose 6 bytes lie in the chunk before any zero is
// compared a word at a time, and its end read from the masks; others byte by byte.
std::uint64_t CheckOtherScalars(const Skip& skip, const JsonChunkMasks& masks,
                                std::uint64_t enders, std::uint64_t others,
                                std::uint64_t* numbers) {
  std::uint64_t failed = 0;
  for (; others != 0; others &= others - 1) {
    unsigned i = JsonLowestBit(others);
    const char* token = skip.chunk + i;
    if (*token == '-') {
      *numbers |= Bit(i);
    } else if (i + 6 <= 64 && ((masks.zero >> i) & 0x3F) == 0) {
      bool is_false = *token == 'f';
      // Without branches: which literal comes is hard to foretell.
      bool spelled = (static_cast<unsigned>(Spells(token, "true")) |
                      static_cast<unsigned>(Spells(token, "null")) |
                      (static_cast<unsigned>(Spells(token, "fals")) &
                       static_cast<unsigned>(token[4] == 'e'))) != 0;
      bool ended = ((enders >> (i + 4 + (is_false ? 1 : 0))) & 1) != 0;
      failed |= static_cast<std::uint64_t>(!(spelled & ended)) << i;
    } else if ((*token != 'n' && *token != 't' && *token != 'f') || !LiteralEnds(token)) {
      failed |= Bit(i);
    }
  }
  return failed;
}

// The tokens of the chunk that break the grammar's rules of succession, and the scalars
// that are not well formed.
std::uint64_t CheckChunk(Skip* skip, const JsonChunkMasks& masks, const Tokens& tokens,
                         const Brackets& brackets) {
  std::uint64_t enders =
      masks.space | masks.bracket | masks.comma | masks.colon | masks.quote | masks.zero;
  std::uint64_t numbers = tokens.scalar & masks.digit;
  std::uint64_t failed = tokens.failed | CheckOtherScalars(*skip, masks, enders,
                                                           tokens.scalar & ~masks.digit, &numbers);
  failed |= CheckNumbers(*skip, masks, numbers, enders);
  std::uint64_t all = tokens.all;
  std::uint64_t closes = brackets.close_object | brackets.close_array;
  std::uint64_t value_starts =
      tokens.string | tokens.scalar | brackets.open_object | brackets.open_array;
  std::uint64_t object_commas = tokens.comma & brackets.in_object;
  std::uint64_t array_commas = tokens.comma & ~brackets.in_object;

  std::uint64_t expects_value =
      skip->expects_value.After(tokens.colon | array_commas | brackets.open_array, all);
  std::uint64_t expects_name = skip->expects_name.After(object_commas | brackets.open_object, all);
  std::uint64_t may_close = skip->may_close.After(brackets.open_array | brackets.open_object, all);
  failed |= expects_value & ~(value_starts | (may_close & brackets.close_array));
  failed |= expects_name & ~(tokens.string | (may_close & brackets.close_object));
  // A name is a string where an Object wants one; a colon follows it, and only it.
  std::uint64_t names = expects_name & tokens.string;
  std::uint64_t after_name = skip->after_name.After(names, all);
  failed |= (after_name & ~tokens.colon) | (tokens.colon & ~after_name);
  // After a value, a comma or a closing bracket. (A token after a fault is taken for one
  // after a value too; it lies past the fault, which is marked first.)
  std::uint64_t after_value = all & skip->preceded & ~(expects_value | expects_name | after_name);
  skip->preceded = ~std::uint64_t{0};
  failed |= after_value & ~(tokens.comma | closes);
  return failed | brackets.mismatch;
}

// The skip with one way of classifying chunks.
template <void (*Classify)(const char*, unsigned, JsonChunkMasks*)>
const char* SkipWith(const char* position, int depth, JsonParseError* error) {
  Skip skip;
  skip.depth = depth;
  skip.bottom = depth;
  skip.object[depth] = false;
  auto from = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(position) %
                                    kJsonChunkSize);
  skip.chunk = position - from;
  skip.preceded = ~Bit(from);
  for (;; skip.chunk += kJsonChunkSize, from = 0) {
    JsonChunkMasks masks;
    Classify(skip.chunk, from, &masks);
    Tokens tokens = FindTokens(&skip, masks);
    Brackets brackets = WalkBrackets(&skip, tokens.bracket);
    std::uint64_t failed = CheckChunk(&skip, masks, tokens, brackets);
    std::uint64_t stop = brackets.too_deep | failed;
    if (brackets.end < 64) {
      stop &= UpTo(brackets.end);
    }
    if (stop != 0) {
      // At one token a fault of the grammar comes before the depth limit.
      std::uint64_t first = stop & (0 - stop);
      *error = (first & failed) == 0 ? JsonParseError::TooDeep : JsonParseError::Syntax;
      return nullptr;
    }
    if (brackets.end < 64) {
      return skip.chunk + brackets.end + 1;
    }
  }
}

bool narrow_scan_only = false;

#ifdef SAVETITLE_CHUNK_WIDE
// The whole skip compiled for AVX2, its rules included, the wide classification inlined.
__attribute__((flatten)) SAVETITLE_WIDE_ATTRIBUTES const char* SkipWide(
    const char* position, int depth, JsonParseError* error) {
  return SkipWith<JsonClassifyChunkWide>(position, depth, error);
}

// Whether the processor has AVX2 and the system saves its registers (the check asks both),
// and the bit instructions the wide skip is built with.
bool HasWideScan() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("bmi") != 0 &&
         __builtin_cpu_supports("bmi2") != 0;
}
#endif

}  // namespace

void JsonSkipUseNarrowScan(bool narrow) {
  narrow_scan_only = narrow;
}

const char* JsonSkipContainer(const char* position, int depth, JsonParseError* error) {
#ifdef SAVETITLE_CHUNK_WIDE
  static const bool wide = HasWideScan();
  if (wide && !narrow_scan_only) {
    return SkipWide(position, depth, error);
  }
#endif
  return SkipWith<JsonClassifyChunk>(position, depth, error);
}
