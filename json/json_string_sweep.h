// The parser's two sweeps over the contents of a quoted text, which start at the byte
// after the opening quote: one that finds where the text ends and how large it decodes,
// and one that decodes its escapes.
#ifndef SAVETITLE_JSON_JSON_STRING_SWEEP_H_
#define SAVETITLE_JSON_JSON_STRING_SWEEP_H_

#include <cstddef>

// What the counting sweep finds.
struct JsonStringSweep {
  const char* end;    // the closing quote, or the terminating zero that ends the text
  std::size_t count;  // at least the decoded size
  bool escaped;       // false: no escape, count is exact and the text is its own bytes
};

// The counting sweep, which also decides whether the text is well formed: false when a
// "\u" is not followed by four hex digits. Nothing past the terminating zero decides it
// (json_chunk.h says which loads may bring such bytes in).
bool JsonSweepString(const char* position, JsonStringSweep* sweep);

// The copying sweep of a text with escapes: writes its decoded bytes at *out (room for
// the sweep's count) and moves *out past them, without a terminating zero.
void JsonCopyEscapedString(const char* position, char** out);

#endif  // SAVETITLE_JSON_JSON_STRING_SWEEP_H_
