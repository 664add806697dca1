#include <cmath>
#include <cstring>

#include "json/json.h"
#include "json/json_number.h"

namespace {

constexpr double kEpsilon = 2.220446049250313e-16;  // 2^-52

// Sizes are summed with a check: a wrapped total would make a block too small for
// what is copied into it (a real risk where size_t is 32 bits).
bool AddSize(std::size_t* total, std::size_t amount) {
  if (amount > SIZE_MAX - *total) {
    return false;
  }
  *total += amount;
  return true;
}

char* CopyToNewBlock(const char* text, std::size_t length) {
  auto* block = static_cast<char*>(JsonAllocate(length + 1));
  if (block != nullptr) {
    std::memcpy(block, text, length + 1);
  }
  return block;
}

char* JsonPrintNumber(const JsonNode* item) {
  double x = item->doubleValue;
  char text[kJsonNumberTextSize];
  if (std::fabs(static_cast<double>(item->integerValue) - x) <= kEpsilon && x >= -2147483648.0 &&
      x <= 2147483647.0) {
    return CopyToNewBlock(text, JsonFormatInteger(item->integerValue, text));
  }
  auto* block = static_cast<char*>(JsonAllocate(kJsonNumberTextSize));
  if (block == nullptr) {
    return nullptr;
  }
  if (std::fabs(std::floor(x) - x) <= kEpsilon && std::fabs(x) < 1e60) {
    JsonFormatFixed(x, 0, block);
  } else if (std::fabs(x) < 1e-6 || std::fabs(x) > 1e9) {
    JsonFormatExponent(x, block);
  } else {
    JsonFormatFixed(x, 6, block);
  }
  return block;
}

// The escape of a byte that has a short form, or 0.
char ShortEscape(unsigned char byte) {
  switch (byte) {
    case '"':
      return '"';
    case '\\':
      return '\\';
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
      return 0;
  }
}

char* JsonPrintString(const char* text) {
  if (text == nullptr) {
    return CopyToNewBlock("", 0);
  }
  std::size_t size = 3;  // two quotes and the zero
  for (const char* p = text; *p != '\0'; ++p) {
    auto byte = static_cast<unsigned char>(*p);
    std::size_t escape = ShortEscape(byte) != 0 ? 1 : (byte < 0x20 ? 5 : 0);
    if (!AddSize(&size, 1 + escape)) {
      return nullptr;
    }
  }
  auto* block = static_cast<char*>(JsonAllocate(size));
  if (block == nullptr) {
    return nullptr;
  }
  static const char kHex[] = "0123456789abcdef";
  char* out = block;
  *out++ = '"';
  for (const char* p = text; *p != '\0'; ++p) {
    auto byte = static_cast<unsigned char>(*p);
    if (char escape = ShortEscape(byte); escape != 0) {
      *out++ = '\\';
      *out++ = escape;
    } else if (byte < 0x20) {
      std::memcpy(out, "\\u00", 4);
      out[4] = kHex[byte >> 4];
      out[5] = kHex[byte & 0xF];
      out += 6;
    } else {
      *out++ = *p;
    }
  }
  *out++ = '"';
  *out = '\0';
  return block;
}

std::size_t CountChildren(const JsonNode* item) {
  std::size_t count = 0;
  for (const JsonNode* child = item->firstChild; child != nullptr; child = child->next) {
    ++count;
  }
  return count;
}

char** NewTable(std::size_t count) {
  if (count > SIZE_MAX / sizeof(char*)) {
    return nullptr;
  }
  auto** table = static_cast<char**>(JsonAllocate(count * sizeof(char*)));
  for (std::size_t i = 0; table != nullptr && i < count; ++i) {
    table[i] = nullptr;
  }
  return table;
}

void ReleaseTable(char** table, std::size_t count) {
  if (table == nullptr) {
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (table[i] != nullptr) {
      JsonRelease(table[i]);
    }
  }
  JsonRelease(table);
}

char* Append(char* out, char* text) {
  std::size_t length = std::strlen(text);
  std::memcpy(out, text, length);
  return out + length;
}

char* AppendTabs(char* out, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) {
    *out++ = '\t';
  }
  return out;
}

std::size_t TabCount(std::int32_t count) {
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

char* JsonPrintArray(const JsonNode* item, std::int32_t depth, std::int32_t formatted) {
  std::size_t count = CountChildren(item);
  if (count == 0) {
    return CopyToNewBlock("[]", 2);
  }
  char** texts = NewTable(count);
  if (texts == nullptr) {
    return nullptr;
  }
  // Brackets, the zero, and between items a comma and, formatted, a space.
  std::size_t total = 3 + (count - 1) * (formatted ? 2 : 1);
  bool failed = false;
  const JsonNode* child = item->firstChild;
  for (std::size_t i = 0; i < count && !failed; ++i, child = child->next) {
    texts[i] = JsonPrintValue(child, depth + 1, formatted);
    failed = texts[i] == nullptr || !AddSize(&total, std::strlen(texts[i]));
  }
  char* block = failed ? nullptr : static_cast<char*>(JsonAllocate(total));
  if (block == nullptr) {
    ReleaseTable(texts, count);
    return nullptr;
  }
  char* out = block;
  *out++ = '[';
  for (std::size_t i = 0; i < count; ++i) {
    out = Append(out, texts[i]);
    JsonRelease(texts[i]);
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
  return block;
}

char* PrintEmptyObject(std::int32_t depth, std::int32_t formatted) {
  if (!formatted) {
    return CopyToNewBlock("{}", 2);
  }
  std::size_t tabs = TabCount(depth - 1);
  auto* block = static_cast<char*>(JsonAllocate(tabs + 4));
  if (block != nullptr) {
    char* out = block;
    *out++ = '{';
    *out++ = '\n';
    out = AppendTabs(out, depth - 1);
    *out++ = '}';
    *out = '\0';
  }
  return block;
}

char* JsonPrintObject(const JsonNode* item, std::int32_t depth, std::int32_t formatted) {
  std::size_t count = CountChildren(item);
  if (count == 0) {
    return PrintEmptyObject(depth, formatted);
  }
  char** values = NewTable(count);
  if (values == nullptr) {
    return nullptr;
  }
  char** names = NewTable(count);
  if (names == nullptr) {
    JsonRelease(values);
    return nullptr;
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
    values[i] = JsonPrintValue(child, depth + 1, formatted);
    failed = names[i] == nullptr || values[i] == nullptr ||
             !AddSize(&total, std::strlen(names[i])) || !AddSize(&total, std::strlen(values[i]));
  }
  char* block = failed ? nullptr : static_cast<char*>(JsonAllocate(total));
  if (block == nullptr) {
    ReleaseTable(names, count);
    ReleaseTable(values, count);
    return nullptr;
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
    out = Append(out, names[i]);
    *out++ = ':';
    if (formatted) {
      *out++ = '\t';
    }
    out = Append(out, values[i]);
    JsonRelease(names[i]);
    JsonRelease(values[i]);
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
  return block;
}

}  // namespace

char* JsonPrintValue(const JsonNode* node, std::int32_t depth, std::int32_t formatted) {
  if (node == nullptr) {
    return nullptr;
  }
  switch (JsonTypeOf(node)) {
    case JsonType::False:
      return JsonDuplicateText("false");
    case JsonType::True:
      return JsonDuplicateText("true");
    case JsonType::Null:
      return JsonDuplicateText("null");
    case JsonType::Number:
      return JsonPrintNumber(node);
    case JsonType::String:
      return JsonPrintString(node->stringValue);
    case JsonType::Array:
      return JsonPrintArray(node, depth, formatted);
    case JsonType::Object:
      return JsonPrintObject(node, depth, formatted);
  }
  return nullptr;
}

char* JsonPrint(const JsonNode* root) {
  return JsonPrintValue(root, 0, 1);
}
