#include "json/json_pool.h"

namespace {

// The first slot's offset: slots keep the alignment the block starts with.
constexpr std::size_t kPoolHeader =
    (sizeof(JsonPool) + alignof(JsonNodeSlot) - 1) / alignof(JsonNodeSlot) * alignof(JsonNodeSlot);

JsonPool* NewPool(std::size_t size) {
  auto* pool = static_cast<JsonPool*>(JsonAllocate(size));
  if (pool != nullptr) {
    pool->live = 1;
    pool->end = reinterpret_cast<char*>(pool) + size;
  }
  return pool;
}

JsonNode* PlaceNode(JsonPool* pool, char* at) {
  auto* slot = reinterpret_cast<JsonNodeSlot*>(at);
  slot->pool = pool;
  std::memset(&slot->node, 0, sizeof(JsonNode));
  return &slot->node;
}

}  // namespace

JsonNode* JsonPoolNewNodeInNewPool(JsonPoolCursor* cursor) {
  std::size_t size = cursor->next_size;
  if (size < kPoolHeader + sizeof(JsonNodeSlot)) {
    size = kPoolHeader + sizeof(JsonNodeSlot);
  }
  JsonPool* pool = NewPool(size);
  if (pool == nullptr) {
    return nullptr;
  }
  JsonPoolFinish(cursor);
  cursor->pool = pool;
  cursor->slot_end = pool->end - sizeof(JsonNodeSlot);
  cursor->next_size = cursor->next_size < cursor->last_size / kJsonPoolGrowth
                           ? cursor->next_size * kJsonPoolGrowth
                           : cursor->last_size;
  char* at = reinterpret_cast<char*>(pool) + kPoolHeader;
  cursor->free = at + sizeof(JsonNodeSlot);
  ++pool->live;
  return PlaceNode(pool, at);
}

void JsonPoolFinish(JsonPoolCursor* cursor) {
  if (cursor->pool != nullptr) {
    if (--cursor->pool->live == 0) {
      JsonRelease(cursor->pool);
    }
    cursor->pool = nullptr;
  }
}

JsonNode* JsonPoolSingleNode() {
  JsonPool* pool = NewPool(kPoolHeader + sizeof(JsonNodeSlot));
  return pool != nullptr ? PlaceNode(pool, reinterpret_cast<char*>(pool) + kPoolHeader) : nullptr;
}
