// JSON documents: an in-memory tree of values, a lenient parser from text to tree,
// and a printer from tree to text in a formatted (tab-indented) or compact form.
#ifndef SAVETITLE_JSON_JSON_H_
#define SAVETITLE_JSON_JSON_H_

#include <cstddef>
#include <cstdint>

// The type code kept in the low eight bits of JsonNode::type.
enum class JsonType : std::int32_t {
  False = 0,
  True = 1,
  Null = 2,
  Number = 3,
  String = 4,
  Array = 5,
  Object = 6,
};

// One JSON value. A parent knows only its first child; children form a doubly
// linked list through next and previous. A node owns its texts and its children. Nodes
// share larger blocks, and a parsed node's texts may lie in its block: to replace a
// text, store a new one from JsonAllocate, which JsonDestroy then releases; never
// release a node or a parsed text other than through JsonDestroy and JsonAppendMember.
struct JsonNode {
  JsonNode* next;
  JsonNode* previous;
  JsonNode* firstChild;
  std::int32_t type;          // a JsonType in the low eight bits; the other bits are zero
  char* stringValue;          // String nodes: the text; null otherwise
  std::int64_t integerValue;  // Number nodes: doubleValue by JsonToInteger; parsed True: 1
  double doubleValue;         // Number nodes: the value; 0.0 otherwise
  char* memberName;           // members of an Object: the name; null otherwise
};

// The JsonType of node, read from the low eight bits of its type field.
inline JsonType JsonTypeOf(const JsonNode* node) {
  return static_cast<JsonType>(node->type & 0xFF);
}

// The process-wide allocation hooks through which all JSON code takes and returns
// memory. They start as the process heap's functions; tests may swap them.
extern void* (*JsonAllocate)(std::size_t size);
extern void (*JsonRelease)(void* block);

// The integer that goes with a Number's double: truncated toward zero inside the signed
// 64-bit range; the most negative 64-bit value outside it and for NaN.
std::int64_t JsonToInteger(double value);

// A fresh zero-terminated copy of text from JsonAllocate, or null when allocation fails.
char* JsonDuplicateText(const char* text);

// Creators. Each returns a new zero-filled node of its type, owned by the caller and
// released with JsonDestroy, or null when the node cannot be allocated. When only the
// copy of text fails, JsonNewString returns the node with a null stringValue.
JsonNode* JsonNewString(const char* text);
JsonNode* JsonNewNumber(double value);
JsonNode* JsonNewObject();
JsonNode* JsonNewArray();
JsonNode* JsonNewTrue();
JsonNode* JsonNewFalse();
JsonNode* JsonNewNull();

// Appends item as the last child of array, which takes ownership; a null item is ignored.
void JsonAppendElement(JsonNode* array, JsonNode* item);

// Gives item a copy of name (replacing and releasing any name it had) and appends it as
// the last member of object, which takes ownership. A null item is ignored. A failed copy
// leaves the member nameless but appended.
void JsonAppendMember(JsonNode* object, const char* name, JsonNode* item);

// The first child of object whose memberName equals name when ASCII letters A-Z are
// folded to lower case; null when none does. The result stays owned by the tree.
JsonNode* JsonFindMember(const JsonNode* object, const char* name);

// Releases node, every sibling after it, and all their children and texts. Null is ignored.
void JsonDestroy(JsonNode* node);

// Parses the first JSON value of a zero-terminated text (what follows it is ignored).
// Returns a new tree owned by the caller, or null when the text does not parse, nests
// deeper than kJsonMaxDepth Arrays and Objects, or memory runs out; nothing is then left
// allocated.
inline constexpr int kJsonMaxDepth = 1000;
JsonNode* JsonParse(const char* text);

// Why a parse gave no tree.
enum class JsonParseError : std::int32_t {
  None = 0,     // it gave a tree
  Syntax,       // the text is not JSON this parser accepts
  TooDeep,      // Arrays and Objects nest deeper than kJsonMaxDepth
  OutOfMemory,  // JsonAllocate returned null
};

// JsonParse, and when error is not null, stores there why it gave no tree (None when
// it gave one). A text that is both broken and too large for memory may give either.
// With wanted_members, a list of names ending in a null pointer, the text is checked
// just as fully, but only the root and those members of a root Object are built whose
// names JsonFindMember matches with a listed name. A lookup of a listed name then finds
// the value it finds in JsonParse's tree. Nothing else is kept; the name of every member
// of the root is decoded for the comparison, so a huge one can still exhaust memory.
JsonNode* JsonParseWith(const char* text, JsonParseError* error,
                        const char* const* wanted_members = nullptr);

// Prints node and its descendants as JSON text. depth is the node's nesting level (it
// sets the tabs of formatted Objects); formatted nonzero selects the formatted layout.
// Returns a new zero-terminated block from JsonAllocate, owned by the caller, or null for
// a null node, an unknown type or failed allocation (then nothing is left allocated).
char* JsonPrintValue(const JsonNode* node, std::int32_t depth, std::int32_t formatted);

// JsonPrintValue of root at depth 0, formatted.
char* JsonPrint(const JsonNode* root);

#endif  // SAVETITLE_JSON_JSON_H_
