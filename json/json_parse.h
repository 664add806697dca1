// The parser's entry with the sizes of its pools as parameters, so that a test can make
// nodes and texts fall on every side of a pool's end.
#ifndef SAVETITLE_JSON_JSON_PARSE_H_
#define SAVETITLE_JSON_JSON_PARSE_H_

#include <cstddef>

#include "json/json.h"

// JsonParseWith, putting the tree into pools of first_pool bytes, growing fourfold up to
// last_pool (each at least large enough for one node).
JsonNode* JsonParseInPools(const char* text, JsonParseError* error,
                           const char* const* wanted_members, std::size_t first_pool,
                           std::size_t last_pool);

#endif  // SAVETITLE_JSON_JSON_PARSE_H_
