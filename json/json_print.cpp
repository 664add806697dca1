#include <cmath>
#include <cstring>

#include "json/json_print.h"

#include "json/json.h"
#include "json/json_number.h"

namespace {

constexpr double kEpsilon = 2.220446049250313e-16;  // 2^-52
constexpr std::size_t kIntegerTextSize = 21;        // a sign, 19 digits and the zero

// The text being printed: one block from JsonAllocate, grown as it fills by moving the
// text into a block four times as large. The large step keeps all the copying below
// 1.4 times the text, and costs address space rather than memory: pages of the block
// that the text never reaches are never touched. With a step of two, glibc returned the
// heap top after each print of a 1 MiB tree, and every print faulted its pages in again.
struct Output {
  char* block = nullptr;
  std::size_t length = 0;  // bytes written so far; the zero comes at the end
  std::size_t capacity = 0;
  std::size_t first_block = kJsonPrintFirstBlock;
};

// Moves the text into a block with room for count more bytes and the zero. False when
// memory runs out or the size would wrap (a real risk where size_t is 32 bits).
bool Grow(Output* out, std::size_t count) {
  if (count > SIZE_MAX - 1 - out->length) {
    return false;
  }
  std::size_t needed = out->length + count + 1;
  std::size_t capacity = out->capacity > SIZE_MAX / 4 ? SIZE_MAX : out->capacity * 4;
  capacity = capacity < needed ? needed : capacity;
  capacity = capacity < out->first_block ? out->first_block : capacity;
  auto* block = static_cast<char*>(JsonAllocate(capacity));
  if (block == nullptr) {
    return false;
  }
  if (out->block != nullptr) {
    std::memcpy(block, out->block, out->length);
    JsonRelease(out->block);
  }
  out->block = block;
  out->capacity = capacity;
  return true;
}

// Makes room for count more bytes and the zero; false when the print must fail.
bool Reserve(Output* out, std::size_t count) {
  return count < out->capacity - out->length || Grow(out, count);
}

// The writes below come after a Reserve that made room for them.
void Put(Output* out, char byte) {
  out->block[out->length++] = byte;
}

void PutBytes(Output* out, const char* bytes, std::size_t count) {
  std::memcpy(out->block + out->length, bytes, count);
  out->length += count;
}

void PutTabs(Output* out, std::size_t count) {
  std::memset(out->block + out->length, '\t', count);
  out->length += count;
}

std::size_t TabCount(std::int32_t count) {
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

bool PrintValue(Output* out, const JsonNode* node, std::int32_t depth, std::int32_t formatted);

bool PrintNumber(Output* out, const JsonNode* item) {
  double x = item->doubleValue;
  if (std::fabs(static_cast<double>(item->integerValue) - x) <= kEpsilon && x >= -2147483648.0 &&
      x <= 2147483647.0) {
    if (!Reserve(out, kIntegerTextSize)) {
      return false;
    }
    out->length += JsonFormatInteger(item->integerValue, out->block + out->length);
    return true;
  }
  if (!Reserve(out, kJsonNumberTextSize)) {
    return false;
  }
  char* text = out->block + out->length;
  if (std::fabs(std::floor(x) - x) <= kEpsilon && std::fabs(x) < 1e60) {
    out->length += JsonFormatFixed(x, 0, text);
  } else if (std::fabs(x) < 1e-6 || std::fabs(x) > 1e9) {
    out->length += JsonFormatExponent(x, text);
  } else {
    out->length += JsonFormatFixed(x, 6, text);
  }
  return true;
}

// What each byte of a text becomes: itself, a short escape such as \n, or \u00XX; the
// zero ends the text.
enum ByteKind : unsigned char { kPlain, kShortEscape, kHexEscape, kEnd };

struct ByteKindTable {
  ByteKind kinds[256];
  constexpr ByteKindTable() : kinds() {
    for (int byte = 1; byte < 0x20; ++byte) {
      kinds[byte] = kHexEscape;
    }
    const char short_escapes[] = "\"\\\b\f\n\r\t";
    for (int i = 0; short_escapes[i] != '\0'; ++i) {
      kinds[static_cast<unsigned char>(short_escapes[i])] = kShortEscape;
    }
    kinds[0] = kEnd;
  }
};
constexpr ByteKindTable kByteKinds;

ByteKind KindOf(char byte) {
  return kByteKinds.kinds[static_cast<unsigned char>(byte)];
}

// The letter of a short escape.
char ShortEscape(char byte) {
  switch (byte) {
    case '\b':
      return 'b';
    case '\f':
      return 'f';
    case '\n':
      return 'n';
    case '\r':
      return 'r';
    case '\t':
      return 't';
    default:
      return byte;  // the quote and the backslash escape themselves
  }
}

// The text quoted and escaped; a missing text prints as nothing at all. Runs of plain
// bytes are copied whole, each with room for the escape that ends it and the quote.
bool PrintString(Output* out, const char* text) {
  if (text == nullptr) {
    return true;
  }
  if (!Reserve(out, 1)) {
    return false;
  }
  Put(out, '"');
  for (;;) {
    const char* stop = text;
    while (KindOf(*stop) == kPlain) {
      ++stop;
    }
    auto run = static_cast<std::size_t>(stop - text);
    if (!Reserve(out, run + 7)) {
      return false;
    }
    PutBytes(out, text, run);
    switch (KindOf(*stop)) {
      case kEnd:
        Put(out, '"');
        return true;
      case kShortEscape:
        Put(out, '\\');
        Put(out, ShortEscape(*stop));
        break;
      default: {
        static const char kHex[] = "0123456789abcdef";
        auto byte = static_cast<unsigned char>(*stop);
        PutBytes(out, "\\u00", 4);
        Put(out, kHex[byte >> 4]);
        Put(out, kHex[byte & 0xF]);
        break;
      }
    }
    text = stop + 1;
  }
}

bool PrintArray(Output* out, const JsonNode* item, std::int32_t depth, std::int32_t formatted) {
  if (!Reserve(out, 1)) {
    return false;
  }
  Put(out, '[');
  for (const JsonNode* child = item->firstChild; child != nullptr; child = child->next) {
    if (!PrintValue(out, child, depth + 1, formatted)) {
      return false;
    }
    // Room for the comma and space, or for the closing bracket.
    if (!Reserve(out, 2)) {
      return false;
    }
    if (child->next != nullptr) {
      Put(out, ',');
      if (formatted) {
        Put(out, ' ');
      }
    }
  }
  Put(out, ']');
  return true;
}

bool PrintObject(Output* out, const JsonNode* item, std::int32_t depth, std::int32_t formatted) {
  // Formatted, a member's line has depth + 1 tabs, and the closing brace depth tabs, or
  // depth - 1 when the Object is empty.
  std::size_t member_tabs = formatted ? TabCount(depth + 1) : 0;
  std::size_t closing_tabs =
      formatted ? TabCount(item->firstChild != nullptr ? depth : depth - 1) : 0;
  if (!Reserve(out, 2)) {
    return false;
  }
  Put(out, '{');
  if (formatted) {
    Put(out, '\n');
  }
  for (const JsonNode* child = item->firstChild; child != nullptr; child = child->next) {
    if (!Reserve(out, member_tabs)) {
      return false;
    }
    PutTabs(out, member_tabs);
    if (!PrintString(out, child->memberName) || !Reserve(out, 2)) {
      return false;
    }
    Put(out, ':');
    if (formatted) {
      Put(out, '\t');
    }
    if (!PrintValue(out, child, depth + 1, formatted) || !Reserve(out, 2)) {
      return false;
    }
    if (child->next != nullptr) {
      Put(out, ',');
    }
    if (formatted) {
      Put(out, '\n');
    }
  }
  if (!Reserve(out, closing_tabs + 1)) {
    return false;
  }
  PutTabs(out, closing_tabs);
  Put(out, '}');
  return true;
}

// Copies a word the printer writes for a literal.
bool PrintWord(Output* out, const char* word, std::size_t length) {
  if (!Reserve(out, length)) {
    return false;
  }
  PutBytes(out, word, length);
  return true;
}

bool PrintValue(Output* out, const JsonNode* node, std::int32_t depth, std::int32_t formatted) {
  switch (JsonTypeOf(node)) {
    case JsonType::False:
      return PrintWord(out, "false", 5);
    case JsonType::True:
      return PrintWord(out, "true", 4);
    case JsonType::Null:
      return PrintWord(out, "null", 4);
    case JsonType::Number:
      return PrintNumber(out, node);
    case JsonType::String:
      return PrintString(out, node->stringValue);
    case JsonType::Array:
      return PrintArray(out, node, depth, formatted);
    case JsonType::Object:
      return PrintObject(out, node, depth, formatted);
  }
  return false;
}

}  // namespace

char* JsonPrintValueFrom(const JsonNode* node, std::int32_t depth, std::int32_t formatted,
                         std::size_t first_block) {
  if (node == nullptr || JsonTypeOf(node) < JsonType::False ||
      JsonTypeOf(node) > JsonType::Object) {
    return nullptr;  // and no memory taken
  }
  Output out;
  out.first_block = first_block;
  if (!Reserve(&out, 0) || !PrintValue(&out, node, depth, formatted)) {
    if (out.block != nullptr) {
      JsonRelease(out.block);
    }
    return nullptr;
  }
  out.block[out.length] = '\0';
  return out.block;
}

char* JsonPrintValue(const JsonNode* node, std::int32_t depth, std::int32_t formatted) {
  return JsonPrintValueFrom(node, depth, formatted, kJsonPrintFirstBlock);
}

char* JsonPrint(const JsonNode* root) {
  return JsonPrintValue(root, 0, 1);
}
