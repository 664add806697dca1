// Where nodes live. Every node sits in a pool, a block from JsonAllocate that holds one
// or more nodes, each behind a word naming its pool, and may hold the texts of those
// nodes. A pool goes back through JsonRelease when the last of its nodes is destroyed,
// so any node can still be destroyed alone or with its subtree. The parser fills pools
// of up to kJsonLastPoolSize bytes, so a tree of thousands of values takes a few dozen
// blocks instead of one per value and text; a creator makes a pool of one node.
#ifndef SAVETITLE_JSON_JSON_POOL_H_
#define SAVETITLE_JSON_JSON_POOL_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "json/json.h"

// The parser's pools grow fourfold from the first size to the last. A tree goes back to
// the heap whole, and glibc gives the top of its heap back to the system when a release
// leaves more free there than its trim threshold; the next parse then faults every page
// in again, which made a parse-and-destroy loop ten times slower. glibc raises that
// threshold to twice the largest block it has mapped and unmapped (up to 32 MiB), and
// with fourfold steps the pools before the largest add only a third to it, so a tree of
// up to about 50 MB fits below the threshold after its first parse.
inline constexpr std::size_t kJsonFirstPoolSize = 1024;
inline constexpr std::size_t kJsonLastPoolSize = 31 * 1024 * 1024;
inline constexpr std::size_t kJsonPoolGrowth = 4;

// A pool's header, at the start of its block.
struct JsonPool {
  std::size_t live;  // nodes not yet destroyed, plus one while a parse fills the pool
  char* end;         // one past the pool's last byte
};

// A node and, just before it, the pool that holds it.
struct JsonNodeSlot {
  JsonPool* pool;
  JsonNode node;
};

// The pool a parse is filling: it holds one reference on that pool until the next pool
// or JsonPoolFinish drops it.
struct JsonPoolCursor {
  JsonPool* pool = nullptr;  // the pool being filled, or null before the first node
  char* free = nullptr;      // its first unused byte
  char* slot_end = nullptr;  // where no further slot fits in it
  std::size_t next_size = kJsonFirstPoolSize;
  std::size_t last_size = kJsonLastPoolSize;
};

// The slot that holds node.
inline JsonNodeSlot* JsonSlotOf(const JsonNode* node) {
  return reinterpret_cast<JsonNodeSlot*>(const_cast<char*>(reinterpret_cast<const char*>(node)) -
                                         offsetof(JsonNodeSlot, node));
}

// JsonPoolNewNode when the cursor's pool is full.
JsonNode* JsonPoolNewNodeInNewPool(JsonPoolCursor* cursor);

// A zero-filled node from the cursor's pool, or from a new pool when it is full; null
// when memory runs out.
inline JsonNode* JsonPoolNewNode(JsonPoolCursor* cursor) {
  // Slots stay aligned: texts in between round the free byte up.
  std::uintptr_t align = alignof(JsonNodeSlot) - 1;
  auto* at = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(cursor->free) + align) &
                                     ~align);
  if (cursor->pool == nullptr || at > cursor->slot_end) {
    return JsonPoolNewNodeInNewPool(cursor);
  }
  cursor->free = at + sizeof(JsonNodeSlot);
  ++cursor->pool->live;
  auto* slot = reinterpret_cast<JsonNodeSlot*>(at);
  slot->pool = cursor->pool;
  std::memset(&slot->node, 0, sizeof(JsonNode));
  return &slot->node;
}

// size bytes for a text of owner: in owner's pool when that is the pool being filled and
// has room, else in a block of their own. Null when memory runs out.
inline char* JsonPoolNewText(JsonPoolCursor* cursor, const JsonNode* owner, std::size_t size) {
  if (JsonSlotOf(owner)->pool == cursor->pool &&
      static_cast<std::size_t>(cursor->pool->end - cursor->free) >= size) {
    char* text = cursor->free;
    cursor->free += size;
    return text;
  }
  return static_cast<char*>(JsonAllocate(size));
}

// Drops the parse's reference on the pool it was filling, releasing it when no node
// holds it either.
void JsonPoolFinish(JsonPoolCursor* cursor);

// A zero-filled node in a pool of its own, or null when memory runs out.
JsonNode* JsonPoolSingleNode();

// Releases one of node's texts (stringValue or memberName) unless it lies in the node's
// pool, which gives it back with the pool. Null is ignored. Compared as integers: the
// text and the pool need not belong to one object.
inline void JsonPoolReleaseText(const JsonNode* node, char* text) {
  const JsonPool* pool = JsonSlotOf(node)->pool;
  auto at = reinterpret_cast<std::uintptr_t>(text);
  if (text != nullptr && (at < reinterpret_cast<std::uintptr_t>(pool) ||
                          at >= reinterpret_cast<std::uintptr_t>(pool->end))) {
    JsonRelease(text);
  }
}

// Ends node's share of its pool, releasing the pool when it was the last. Read what is
// still needed from the node first.
inline void JsonPoolReleaseNode(JsonNode* node) {
  JsonPool* pool = JsonSlotOf(node)->pool;
  if (--pool->live == 0) {
    JsonRelease(pool);
  }
}

#endif  // SAVETITLE_JSON_JSON_POOL_H_
