// Chunked scanning for the parser: instead of looking at one byte at a time, it compares
// 16 bytes at once with SSE2 (32 with AVX2 for the skip, where the processor has it) and
// turns each comparison into a bit mask, one bit per byte, so that "where does this string
// end" or "where does this run of whitespace end" is answered by counting the mask's
// trailing zeros, and a 64-byte chunk of text becomes ten masks (quotes, backslashes,
// whitespace, brackets, digits and so on) that the skipping parser (json_skip.cpp)
// combines with integer operations on all 64 bits at once.
//
// The text is zero-terminated and its length unknown, so no load may cross into a page
// the text does not reach: loads are aligned (an aligned 16- or 32-byte load never crosses
// a page), or start at a byte of the text and end in its page. They never fault even when
// they reach past the terminating zero; the bytes past the zero or before the position
// are masked off and never decide anything. AddressSanitizer would count those bytes as
// out of bounds, so the loads are exempt from its checks.
//
// Processors without SSE2, and builds with SAVETITLE_PORTABLE_SCAN (the tests run both),
// take the portable path below, which reads one byte at a time and never past the zero.
#ifndef SAVETITLE_JSON_JSON_CHUNK_H_
#define SAVETITLE_JSON_JSON_CHUNK_H_

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) && !defined(SAVETITLE_PORTABLE_SCAN)
#include <immintrin.h>
#define SAVETITLE_CHUNK_SSE2 1
#endif

// The masks of a 64-byte chunk: bit i stands for byte i.
struct JsonChunkMasks {
  std::uint64_t quote;       // '"'
  std::uint64_t backslash;   // the backslash
  std::uint64_t zero;        // the terminating zero
  std::uint64_t space;       // the parser's whitespace, bytes 1 to 32
  std::uint64_t bracket;     // [ ] { }
  std::uint64_t comma;       // ,
  std::uint64_t colon;       // :
  std::uint64_t digit;       // 0 to 9
  std::uint64_t zero_digit;  // 0
  std::uint64_t point;       // .
};

inline constexpr std::size_t kJsonChunkSize = 64;

// Whether byte is the parser's whitespace: every byte from 1 to 32. One unsigned
// comparison: 0 wraps around to the largest value.
inline bool JsonIsSpace(char byte) {
  return static_cast<unsigned char>(byte) - 1u < 32u;
}

// The number of trailing zero bits of a nonzero mask.
inline unsigned JsonLowestBit(std::uint64_t mask) {
  return static_cast<unsigned>(__builtin_ctzll(mask));
}

#ifdef SAVETITLE_CHUNK_SSE2

#if defined(__clang__) || defined(__GNUC__)
#define SAVETITLE_CHUNK_LOAD_ATTRIBUTES __attribute__((no_sanitize_address))
#else
#define SAVETITLE_CHUNK_LOAD_ATTRIBUTES
#endif

// The aligned 16 bytes at block.
SAVETITLE_CHUNK_LOAD_ATTRIBUTES inline __m128i JsonLoad16(const char* block) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(block));
}

// The 16 bytes at position, aligned or not; the caller knows they lie in one page.
SAVETITLE_CHUNK_LOAD_ATTRIBUTES inline __m128i JsonLoadUnaligned16(const char* position) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(position));
}

inline unsigned JsonMask16(__m128i bytes) {
  return static_cast<unsigned>(_mm_movemask_epi8(bytes));
}

inline __m128i JsonSpaceBytes(__m128i bytes) {
  // byte - 1 <= 31, unsigned: the minimum equals the byte exactly when it is small enough.
  __m128i less_one = _mm_sub_epi8(bytes, _mm_set1_epi8(1));
  return _mm_cmpeq_epi8(_mm_min_epu8(less_one, _mm_set1_epi8(31)), less_one);
}

inline __m128i JsonDigitBytes(__m128i bytes) {
  __m128i less_zero = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
  return _mm_cmpeq_epi8(_mm_min_epu8(less_zero, _mm_set1_epi8(9)), less_zero);
}

inline __m128i JsonStringStopBytes(__m128i bytes) {
  return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')),
                                   _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\'))),
                      _mm_cmpeq_epi8(bytes, _mm_setzero_si128()));
}

// The 16 bytes at position, aligned or not, when they lie in position's page (pages are
// at least 4096 bytes), which is nearly always; else the aligned 16 bytes from position's
// block on, with the bytes before position taken as selected. Returns the mask of the
// selected bytes, bit 0 for position, and sets *next to where the search goes on.
template <typename Select>
unsigned JsonFirstMask(const char* position, Select select, const char** next) {
  auto address = reinterpret_cast<std::uintptr_t>(position);
  if ((address & 4095) <= 4096 - 16) {
    *next = reinterpret_cast<const char*>((address + 16) & ~std::uintptr_t{15});
    return JsonMask16(select(JsonLoadUnaligned16(position)));
  }
  auto offset = static_cast<unsigned>(address & 15);
  *next = position - offset + 16;
  return JsonMask16(select(JsonLoad16(position - offset))) >> offset;
}

// The first position at or after position whose byte select picks, looking at the 16
// bytes from position first: most whitespace runs and texts end inside them, so that
// the loop after is rarely entered and rarely mispredicted.
template <typename Select>
const char* JsonFindFirst(const char* position, Select select) {
  const char* block = nullptr;
  unsigned found = JsonFirstMask(position, select, &block);
  if (found != 0) {
    return position + JsonLowestBit(found);
  }
  for (;; block += 16) {
    found = JsonMask16(select(JsonLoad16(block)));
    if (found != 0) {
      return block + JsonLowestBit(found);
    }
  }
}

inline __m128i JsonOtherBytes(__m128i bytes) {
  return _mm_cmpeq_epi8(JsonSpaceBytes(bytes), _mm_setzero_si128());
}

// The first position at or after position whose byte is not whitespace (the zero never is).
inline const char* JsonSkipSpace(const char* position) {
  return JsonIsSpace(*position) ? JsonFindFirst(position, JsonOtherBytes) : position;
}

// The first quote, backslash or terminating zero at or after position.
inline const char* JsonFindStringStop(const char* position) {
  return JsonFindFirst(position, JsonStringStopBytes);
}

// The masks of the 64-byte aligned chunk; bytes before from count as whitespace only.
inline void JsonClassifyChunk(const char* chunk, unsigned from, JsonChunkMasks* masks) {
  JsonChunkMasks m = {};
  __m128i blocks[4];
  for (unsigned i = 0; i < 4; ++i) {
    blocks[i] = JsonLoad16(chunk + 16 * i);
  }
  // Zeros and backslashes are rare: one test of the whole chunk for each, and their masks
  // only when it finds some.
  auto rare = [&blocks](__m128i byte) {
    __m128i found = _mm_setzero_si128();
    for (const __m128i& block : blocks) {
      found = _mm_or_si128(found, _mm_cmpeq_epi8(block, byte));
    }
    return JsonMask16(found) != 0;
  };
  bool zeros = rare(_mm_setzero_si128());
  bool backslashes = rare(_mm_set1_epi8('\\'));
  for (unsigned i = 0; i < kJsonChunkSize; i += 16) {
    __m128i bytes = blocks[i / 16];
    auto put = [i](std::uint64_t* mask, __m128i selected) {
      *mask |= std::uint64_t{JsonMask16(selected)} << i;
    };
    auto equal = [bytes](char byte) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(byte)); };
    // Brackets and braces differ only in bit 5: '[' | 0x20 is '{', ']' | 0x20 is '}'.
    __m128i folded = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
    put(&m.bracket, _mm_or_si128(_mm_cmpeq_epi8(folded, _mm_set1_epi8('{')),
                                 _mm_cmpeq_epi8(folded, _mm_set1_epi8('}'))));
    put(&m.quote, equal('"'));
    if (backslashes) {
      put(&m.backslash, equal('\\'));
    }
    if (zeros) {
      put(&m.zero, _mm_cmpeq_epi8(bytes, _mm_setzero_si128()));
    }
    put(&m.space, JsonSpaceBytes(bytes));
    put(&m.comma, equal(','));
    put(&m.colon, equal(':'));
    put(&m.digit, JsonDigitBytes(bytes));
    put(&m.zero_digit, equal('0'));
    put(&m.point, equal('.'));
  }
  std::uint64_t kept = ~std::uint64_t{0} << from;
  *masks = {m.quote & kept, m.backslash & kept, m.zero & kept,      m.space | ~kept,
            m.bracket & kept, m.comma & kept,   m.colon & kept,     m.digit & kept,
            m.zero_digit & kept, m.point & kept};
}

// The same masks with AVX2, on processors that have it (the skip asks at run time): 32
// bytes a comparison, so that a mask takes two movemasks instead of the four that limit
// the SSE2 classification. The tests run both. The rules of the skip are built with the
// same attributes, which include the bit instructions of BMI1 and BMI2 (and-not, lowest
// bit, shifts by a register) that they use throughout: every processor with AVX2 has
// them, and the skip asks for all three.
#if defined(__GNUC__) || defined(__clang__)
#define SAVETITLE_CHUNK_WIDE 1
#define SAVETITLE_WIDE_ATTRIBUTES __attribute__((target("avx2,bmi,bmi2")))

// The aligned 32 bytes at block: a half of a chunk, never across a page.
SAVETITLE_CHUNK_LOAD_ATTRIBUTES SAVETITLE_WIDE_ATTRIBUTES inline __m256i JsonLoad32(
    const char* block) {
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(block));
}

// The mask of the bytes selected in the chunk's two halves.
SAVETITLE_WIDE_ATTRIBUTES inline std::uint64_t JsonWideMask(__m256i low, __m256i high) {
  return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(low))} |
         std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(high))} << 32;
}

// The bytes the wide classification compares with, 32 copies of each.
enum JsonWideByte {
  kWideQuote, kWideBackslash, kWideZero, kWideOne, kWideThirtyOne, kWideCase, kWideOpen,
  kWideClose, kWideComma, kWideColon, kWideDigitZero, kWideNine, kWidePoint, kWideBytes
};

#define SAVETITLE_WIDE_32(b) \
  {b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b}
inline constexpr char kJsonWideBytes[kWideBytes][32] = {
    SAVETITLE_WIDE_32('"'), SAVETITLE_WIDE_32('\\'), SAVETITLE_WIDE_32('\0'),
    SAVETITLE_WIDE_32(1),   SAVETITLE_WIDE_32(31),   SAVETITLE_WIDE_32(0x20),
    SAVETITLE_WIDE_32('{'), SAVETITLE_WIDE_32('}'),  SAVETITLE_WIDE_32(','),
    SAVETITLE_WIDE_32(':'), SAVETITLE_WIDE_32('0'),  SAVETITLE_WIDE_32(9),
    SAVETITLE_WIDE_32('.')};
#undef SAVETITLE_WIDE_32

// The constants, read by the comparisons themselves. Left to see them, gcc builds each
// in a register from an immediate in every chunk, three instructions that cost the skip
// about a tenth of its time. The table's address is therefore passed through an empty
// asm statement, after which the compiler no longer knows what the table holds.
struct JsonWideConstants {
  const char* table;
  SAVETITLE_WIDE_ATTRIBUTES __m256i operator[](JsonWideByte byte) const {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(table + 32 * byte));
  }
};

SAVETITLE_WIDE_ATTRIBUTES inline std::uint64_t JsonWideEqualMask(__m256i low, __m256i high,
                                                                __m256i byte) {
  return JsonWideMask(_mm256_cmpeq_epi8(low, byte), _mm256_cmpeq_epi8(high, byte));
}

// The bytes from first to first + span: as in JsonSpaceBytes, the unsigned minimum
// equals the byte less first exactly when it is small enough.
SAVETITLE_WIDE_ATTRIBUTES inline __m256i JsonWideRange(__m256i bytes, __m256i first,
                                                       __m256i span) {
  __m256i less_first = _mm256_sub_epi8(bytes, first);
  return _mm256_cmpeq_epi8(_mm256_min_epu8(less_first, span), less_first);
}

SAVETITLE_WIDE_ATTRIBUTES inline __m256i JsonWideBracket(__m256i bytes, JsonWideConstants set) {
  __m256i folded = _mm256_or_si256(bytes, set[kWideCase]);
  return _mm256_or_si256(_mm256_cmpeq_epi8(folded, set[kWideOpen]),
                         _mm256_cmpeq_epi8(folded, set[kWideClose]));
}

SAVETITLE_WIDE_ATTRIBUTES inline void JsonClassifyChunkWide(const char* chunk, unsigned from,
                                                           JsonChunkMasks* masks) {
  JsonWideConstants set = {kJsonWideBytes[0]};
  __asm__("" : "+r"(set.table));
  __m256i low = JsonLoad32(chunk);
  __m256i high = JsonLoad32(chunk + 32);
  JsonChunkMasks m;
  m.quote = JsonWideEqualMask(low, high, set[kWideQuote]);
  m.backslash = JsonWideEqualMask(low, high, set[kWideBackslash]);
  m.zero = JsonWideEqualMask(low, high, set[kWideZero]);
  m.space = JsonWideMask(JsonWideRange(low, set[kWideOne], set[kWideThirtyOne]),
                         JsonWideRange(high, set[kWideOne], set[kWideThirtyOne]));
  m.bracket = JsonWideMask(JsonWideBracket(low, set), JsonWideBracket(high, set));
  m.comma = JsonWideEqualMask(low, high, set[kWideComma]);
  m.colon = JsonWideEqualMask(low, high, set[kWideColon]);
  m.digit = JsonWideMask(JsonWideRange(low, set[kWideDigitZero], set[kWideNine]),
                         JsonWideRange(high, set[kWideDigitZero], set[kWideNine]));
  m.zero_digit = JsonWideEqualMask(low, high, set[kWideDigitZero]);
  m.point = JsonWideEqualMask(low, high, set[kWidePoint]);
  // Only a skip's first chunk starts past its first byte.
  if (from != 0) {
    std::uint64_t kept = ~std::uint64_t{0} << from;
    m = {m.quote & kept,   m.backslash & kept, m.zero & kept,  m.space | ~kept,
         m.bracket & kept, m.comma & kept,     m.colon & kept, m.digit & kept,
         m.zero_digit & kept, m.point & kept};
  }
  *masks = m;
}
#endif

#else  // the portable path

inline const char* JsonSkipSpace(const char* position) {
  while (JsonIsSpace(*position)) {
    ++position;
  }
  return position;
}

inline const char* JsonFindStringStop(const char* position) {
  while (*position != '"' && *position != '\\' && *position != '\0') {
    ++position;
  }
  return position;
}

inline void JsonClassifyChunk(const char* chunk, unsigned from, JsonChunkMasks* masks) {
  *masks = {};
  masks->space = from == 0 ? 0 : ~std::uint64_t{0} >> (kJsonChunkSize - from);
  for (unsigned i = from; i < kJsonChunkSize; ++i) {
    char byte = chunk[i];
    std::uint64_t bit = std::uint64_t{1} << i;
    switch (byte) {
      case '\0':
        masks->zero |= bit;
        return;  // nothing after the zero is read
      case '"':
        masks->quote |= bit;
        break;
      case '\\':
        masks->backslash |= bit;
        break;
      case '[':
      case ']':
      case '{':
      case '}':
        masks->bracket |= bit;
        break;
      case ',':
        masks->comma |= bit;
        break;
      case ':':
        masks->colon |= bit;
        break;
      case '.':
        masks->point |= bit;
        break;
      default:
        masks->space |= JsonIsSpace(byte) ? bit : 0;
        masks->digit |= static_cast<unsigned char>(byte - '0') < 10u ? bit : 0;
        masks->zero_digit |= byte == '0' ? bit : 0;
        break;
    }
  }
}

#endif

#endif  // SAVETITLE_JSON_JSON_CHUNK_H_
