#include <cstring>

#include "json/json.h"
#include "json/json_name.h"
#include "json/json_number.h"
#include "json/json_pool.h"

namespace {

JsonNode* NewNode(JsonType type) {
  JsonNode* node = JsonPoolSingleNode();
  if (node != nullptr) {
    node->type = static_cast<std::int32_t>(type);
  }
  return node;
}

char FoldAsciiCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool JsonNamesMatch(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (FoldAsciiCase(*a) != FoldAsciiCase(*b)) {
      return false;
    }
  }
  return *a == *b;
}

std::int64_t JsonToInteger(double value) {
  return JsonIntegerOf(value);
}

char* JsonDuplicateText(const char* text) {
  std::size_t size = std::strlen(text) + 1;
  auto* copy = static_cast<char*>(JsonAllocate(size));
  if (copy != nullptr) {
    std::memcpy(copy, text, size);
  }
  return copy;
}

JsonNode* JsonNewString(const char* text) {
  JsonNode* node = NewNode(JsonType::String);
  if (node != nullptr) {
    node->stringValue = JsonDuplicateText(text);
  }
  return node;
}

JsonNode* JsonNewNumber(double value) {
  JsonNode* node = NewNode(JsonType::Number);
  if (node != nullptr) {
    node->doubleValue = value;
    node->integerValue = JsonToInteger(value);
  }
  return node;
}

JsonNode* JsonNewObject() {
  return NewNode(JsonType::Object);
}
JsonNode* JsonNewArray() {
  return NewNode(JsonType::Array);
}
JsonNode* JsonNewTrue() {
  return NewNode(JsonType::True);
}
JsonNode* JsonNewFalse() {
  return NewNode(JsonType::False);
}
JsonNode* JsonNewNull() {
  return NewNode(JsonType::Null);
}

void JsonAppendElement(JsonNode* array, JsonNode* item) {
  if (item == nullptr) {
    return;
  }
  if (array->firstChild == nullptr) {
    array->firstChild = item;
    return;
  }
  JsonNode* last = array->firstChild;
  while (last->next != nullptr) {
    last = last->next;
  }
  last->next = item;
  item->previous = last;
}

void JsonAppendMember(JsonNode* object, const char* name, JsonNode* item) {
  if (item == nullptr) {
    return;
  }
  JsonPoolReleaseText(item, item->memberName);
  item->memberName = JsonDuplicateText(name);
  JsonAppendElement(object, item);
}

JsonNode* JsonFindMember(const JsonNode* object, const char* name) {
  for (JsonNode* child = object->firstChild; child != nullptr; child = child->next) {
    if (child->memberName != nullptr && JsonNamesMatch(child->memberName, name)) {
      return child;
    }
  }
  return nullptr;
}

// A node's share of its pool goes before its children's, so that the pools of a parsed
// tree go back in the order the parser took them.
void JsonDestroy(JsonNode* node) {
  while (node != nullptr) {
    JsonNode* next = node->next;
    JsonNode* children = node->firstChild;
    JsonPoolReleaseText(node, node->stringValue);
    JsonPoolReleaseText(node, node->memberName);
    JsonPoolReleaseNode(node);
    JsonDestroy(children);
    node = next;
  }
}
