// Where nodes live. Every node sits in a pool, a block from JsonAllocate that holds one
// or more nodes, each behind a word naming its pool, and may hold the texts of those
// nodes. A pool goes back through JsonRelease when the last of its nodes is destroyed,
// so any node can still be destroyed alone or with its subtree. The parser fills pools
// of up to kJsonLastPoolSize bytes, so a tree of thousands of values takes a few dozen
// blocks instead of one per value and text; a creator makes a pool of one node.
#ifndef SAVETITLE_JSON_JSON_POOL_H_
#define SAVETITLE_JSON_JSON_POOL_H_

#include <cstddef>

#include "json/json.h"

// The parser's pools grow by doubling from the first size to the last.
inline constexpr std::size_t kJsonFirstPoolSize = 1024;
inline constexpr std::size_t kJsonLastPoolSize = 64 * 1024;

struct JsonPool;

// The pool a parse is filling: it holds one reference on that pool until the next pool
// or JsonPoolFinish drops it.
struct JsonPoolCursor {
  JsonPool* pool = nullptr;  // the pool being filled, or null before the first node
  char* free = nullptr;      // its first unused byte
  std::size_t next_size = kJsonFirstPoolSize;
  std::size_t last_size = kJsonLastPoolSize;
};

// A zero-filled node from the cursor's pool, or from a new pool when it is full; null
// when memory runs out.
JsonNode* JsonPoolNewNode(JsonPoolCursor* cursor);

// size bytes for a text of owner: in owner's pool when that is the pool being filled and
// has room, else in a block of their own. Null when memory runs out.
char* JsonPoolNewText(JsonPoolCursor* cursor, const JsonNode* owner, std::size_t size);

// Drops the parse's reference on the pool it was filling, releasing it when no node
// holds it either.
void JsonPoolFinish(JsonPoolCursor* cursor);

// A zero-filled node in a pool of its own, or null when memory runs out.
JsonNode* JsonPoolSingleNode();

// Releases one of node's texts (stringValue or memberName) unless it lies in the node's
// pool, which gives it back with the pool. Null is ignored.
void JsonPoolReleaseText(const JsonNode* node, char* text);

// Ends node's share of its pool, releasing the pool when it was the last. Read what is
// still needed from the node first.
void JsonPoolReleaseNode(JsonNode* node);

#endif  // SAVETITLE_JSON_JSON_POOL_H_
