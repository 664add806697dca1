// The skipping parse: it checks an Array or Object by every rule of the parser without
// building anything, a 64-byte chunk of text at a time.
#ifndef SAVETITLE_JSON_JSON_SKIP_H_
#define SAVETITLE_JSON_JSON_SKIP_H_

#include "json/json.h"

// Steps over the Array or Object whose bracket is at position, inside depth others.
// Returns the position after its closing bracket; or null, with *error set to Syntax or
// TooDeep, for the text on which the building parse fails, and for the same reason.
const char* JsonSkipContainer(const char* position, int depth, JsonParseError* error);

// Where the processor has a wider scan than the SSE2 every x86 build has (AVX2), the skip
// takes it, unless told to keep to the narrow one: the tests run both.
void JsonSkipUseNarrowScan(bool narrow);

// The position after the number at position ('-' or a digit), by the parser's grammar.
// The skip asks it about the rare numbers its masks leave open.
const char* JsonNumberEnd(const char* position);

#endif  // SAVETITLE_JSON_JSON_SKIP_H_
