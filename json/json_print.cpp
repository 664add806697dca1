#include <cmath>
#include <cstring>

#include "json/json.h"
#include "json/json_number.h"

namespace {

constexpr double kEpsilon = 2.220446049250313e-16;  // 2^-52
constexpr std::size_t kIntegerTextSize = 21;        // a sign, 19 digits and the zero

// Sizes are summed with a check: a wrapped total would make a block too small for
// what is copied into it (a real risk where size_t is 32 bits).
bool AddSize(std::size_t* total, std::size_t amount) {
  if (amount > SIZE_MAX - *total) {
    return false;
  }
  *total += amount;
  return true;
}

// A printed text and its length, so that no text is measured twice. A null bytes
// pointer means the text could not be made.
struct Text {
  char* bytes;
  std::size_t length;
};

constexpr Text kNoText = {nullptr, 0};

Text CopyToNewBlock(const char* text, std::size_t length) {
  auto* block = static_cast<char*>(JsonAllocate(length + 1));
  if (block == nullptr) {
    return kNoText;
  }
  std::memcpy(block, text, length);
  block[length] = '\0';
  return {block, length};
}

Text PrintValue(const JsonNode* node, std::int32_t depth, std::int32_t formatted);

Text JsonPrintNumber(const JsonNode* item) {
  double x = item->doubleValue;
  if (std::fabs(static_cast<double>(item->integerValue) - x) <= kEpsilon && x >= -2147483648.0 &&
      x <= 2147483647.0) {
    // Room for any 64-bit integer; this one is within one of the 32-bit range.
    auto* block = static_cast<char*>(JsonAllocate(kIntegerTextSize));
    if (block == nullptr) {
      return kNoText;
    }
    return {block, JsonFormatInteger(item->integerValue, block)};
  }
  auto* block = static_cast<char*>(JsonAllocate(kJsonNumberTextSize));
  if (block == nullptr) {
    return kNoText;
  }
  std::size_t length = 0;
  if (std::fabs(std::floor(x) - x) <= kEpsilon && std::fabs(x) < 1e60) {
    length = JsonFormatFixed(x, 0, block);
  } else if (std::fabs(x) < 1e-6 || std::fabs(x) > 1e9) {
    length = JsonFormatExponent(x, block);
  } else {
    length = JsonFormatFixed(x, 6, block);
  }
  return {block, length};
}

// Per byte, how many bytes its escape adds: 1 for a short escape such as \n, 5 for
// \u00XX, 0 for a byte written as it is. The zero byte ends the text and never gets here.
struct EscapeTable {
  unsigned char extra[256];
  constexpr EscapeTable() : extra() {
    for (int byte = 1; byte < 0x20; ++byte) {
      extra[byte] = 5;
    }
    const char short_escapes[] = "\"\\\b\f\n\r\t";
    for (int i = 0; short_escapes[i] != '\0'; ++i) {
      extra[static_cast<unsigned char>(short_escapes[i])] = 1;
    }
  }
};
constexpr EscapeTable kEscapes;

// The letter of a short escape, for a byte whose escape adds 1.
char ShortEscape(unsigned char byte) {
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
      return static_cast<char>(byte);  // the quote and the backslash escape themselves
  }
}

Text JsonPrintString(const char* text) {
  if (text == nullptr) {
    return CopyToNewBlock("", 0);
  }
  // Summed in 64 bits: at 5 per byte the escapes could wrap a 32-bit size_t, and a text
  // too large for the block must fail rather than get a block too small for it.
  std::uint64_t extra = 0;
  const char* end = text;
  for (; *end != '\0'; ++end) {
    extra += kEscapes.extra[static_cast<unsigned char>(*end)];
  }
  auto length = static_cast<std::size_t>(end - text);
  // Two quotes and the zero.
  if (length > SIZE_MAX - 3 || extra > SIZE_MAX - 3 - length) {
    return kNoText;
  }
  std::size_t size = length + 3 + static_cast<std::size_t>(extra);
  auto* block = static_cast<char*>(JsonAllocate(size));
  if (block == nullptr) {
    return kNoText;
  }
  char* out = block;
  *out++ = '"';
  if (extra == 0) {
    std::memcpy(out, text, length);
    out += length;
  } else {
    static const char kHex[] = "0123456789abcdef";
    for (const char* p = text; p != end; ++p) {
      auto byte = static_cast<unsigned char>(*p);
      switch (kEscapes.extra[byte]) {
        case 0:
          *out++ = *p;
          break;
        case 1:
          *out++ = '\\';
          *out++ = ShortEscape(byte);
          break;
        default:
          std::memcpy(out, "\\u00", 4);
          out[4] = kHex[byte >> 4];
          out[5] = kHex[byte & 0xF];
          out += 6;
          break;
      }
    }
  }
  *out++ = '"';
  *out = '\0';
  return {block, size - 1};
}

std::size_t CountChildren(const JsonNode* item) {
  std::size_t count = 0;
  for (const JsonNode* child = item->firstChild; child != nullptr; child = child->next) {
    ++count;
  }
  return count;
}

// A working table: one slot per child, each slot null until it receives a text.
Text* NewTable(std::size_t count) {
  if (count > SIZE_MAX / sizeof(Text)) {
    return nullptr;
  }
  auto* table = static_cast<Text*>(JsonAllocate(count * sizeof(Text)));
  for (std::size_t i = 0; table != nullptr && i < count; ++i) {
    table[i] = kNoText;
  }
  return table;
}

void ReleaseTable(Text* table, std::size_t count) {
  if (table == nullptr) {
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (table[i].bytes != nullptr) {
      JsonRelease(table[i].bytes);
    }
  }
  JsonRelease(table);
}

// Copies a child text into its container's block and releases it.
char* Move(char* out, Text text) {
  std::memcpy(out, text.bytes, text.length);
  JsonRelease(text.bytes);
  return out + text.length;
}

char* AppendTabs(char* out, std::int32_t count) {
  if (count <= 0) {
    return out;
  }
  std::memset(out, '\t', static_cast<std::size_t>(count));
  return out + count;
}

std::size_t TabCount(std::int32_t count) {
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

Text JsonPrintArray(const JsonNode* item, std::int32_t depth, std::int32_t formatted) {
  std::size_t count = CountChildren(item);
  if (count == 0) {
    return CopyToNewBlock("[]", 2);
  }
  Text* texts = NewTable(count);
  if (texts == nullptr) {
    return kNoText;
  }
  // Brackets, the zero, and between items a comma and, formatted, a space.
  std::size_t total = 3 + (count - 1) * (formatted ? 2 : 1);
  bool failed = false;
  const JsonNode* child = item->firstChild;
  for (std::size_t i = 0; i < count && !failed; ++i, child = child->next) {
    texts[i] = PrintValue(child, depth + 1, formatted);
    failed = texts[i].bytes == nullptr || !AddSize(&total, texts[i].length);
  }
  char* block = failed ? nullptr : static_cast<char*>(JsonAllocate(total));
  if (block == nullptr) {
    ReleaseTable(texts, count);
    return kNoText;
  }
  char* out = block;
  *out++ = '[';
  for (std::size_t i = 0; i < count; ++i) {
    out = Move(out, texts[i]);
    if (i + 1 < count) {
      *out++ = ',';
      if (formatted) {
        *out++ = ' ';
      }
    }
  }
  JsonRelease(texts);
  *out++ = ']';
  *out = '\0';
  return {block, total - 1};
}

Text PrintEmptyObject(std::int32_t depth, std::int32_t formatted) {
  if (!formatted) {
    return CopyToNewBlock("{}", 2);
  }
  std::size_t tabs = TabCount(depth - 1);
  auto* block = static_cast<char*>(JsonAllocate(tabs + 4));
  if (block == nullptr) {
    return kNoText;
  }
  char* out = block;
  *out++ = '{';
  *out++ = '\n';
  out = AppendTabs(out, depth - 1);
  *out++ = '}';
  *out = '\0';
  return {block, tabs + 3};
}

Text JsonPrintObject(const JsonNode* item, std::int32_t depth, std::int32_t formatted) {
  std::size_t count = CountChildren(item);
  if (count == 0) {
    return PrintEmptyObject(depth, formatted);
  }
  Text* values = NewTable(count);
  if (values == nullptr) {
    return kNoText;
  }
  Text* names = NewTable(count);
  if (names == nullptr) {
    JsonRelease(values);
    return kNoText;
  }
  // Braces and the zero, a colon per member and a comma between members; formatted, a
  // line feed after "{" and per member, the member tabs, a tab after each colon, and the
  // closing tabs.
  std::size_t total = 3 + count + (count - 1);
  if (formatted) {
    std::size_t member_tabs = TabCount(depth + 1);
    total += 1 + count * (1 + member_tabs + 1) + TabCount(depth);
  }
  bool failed = false;
  const JsonNode* child = item->firstChild;
  for (std::size_t i = 0; i < count && !failed; ++i, child = child->next) {
    names[i] = JsonPrintString(child->memberName);
    values[i] = PrintValue(child, depth + 1, formatted);
    failed = names[i].bytes == nullptr || values[i].bytes == nullptr ||
             !AddSize(&total, names[i].length) || !AddSize(&total, values[i].length);
  }
  char* block = failed ? nullptr : static_cast<char*>(JsonAllocate(total));
  if (block == nullptr) {
    ReleaseTable(names, count);
    ReleaseTable(values, count);
    return kNoText;
  }
  char* out = block;
  *out++ = '{';
  if (formatted) {
    *out++ = '\n';
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (formatted) {
      out = AppendTabs(out, depth + 1);
    }
    out = Move(out, names[i]);
    *out++ = ':';
    if (formatted) {
      *out++ = '\t';
    }
    out = Move(out, values[i]);
    if (i + 1 < count) {
      *out++ = ',';
    }
    if (formatted) {
      *out++ = '\n';
    }
  }
  JsonRelease(names);
  JsonRelease(values);
  if (formatted) {
    out = AppendTabs(out, depth);
  }
  *out++ = '}';
  *out = '\0';
  return {block, total - 1};
}

Text PrintValue(const JsonNode* node, std::int32_t depth, std::int32_t formatted) {
  if (node == nullptr) {
    return kNoText;
  }
  switch (JsonTypeOf(node)) {
    case JsonType::False:
      return CopyToNewBlock("false", 5);
    case JsonType::True:
      return CopyToNewBlock("true", 4);
    case JsonType::Null:
      return CopyToNewBlock("null", 4);
    case JsonType::Number:
      return JsonPrintNumber(node);
    case JsonType::String:
      return JsonPrintString(node->stringValue);
    case JsonType::Array:
      return JsonPrintArray(node, depth, formatted);
    case JsonType::Object:
      return JsonPrintObject(node, depth, formatted);
  }
  return kNoText;
}

}  // namespace

char* JsonPrintValue(const JsonNode* node, std::int32_t depth, std::int32_t formatted) {
  return PrintValue(node, depth, formatted).bytes;
}

char* JsonPrint(const JsonNode* root) {
  return JsonPrintValue(root, 0, 1);
}
