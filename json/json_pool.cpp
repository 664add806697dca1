#include "json/json_pool.h"

#include <cstdint>
#include <cstring>

struct JsonPool {
  std::size_t live;  // nodes not yet destroyed, plus one while a parse fills the pool
  char* end;         // one past the pool's last byte
};

namespace {

// A node and, just before it, the pool that holds it.
struct NodeSlot {
  JsonPool* pool;
  JsonNode node;
};

constexpr std::size_t kSlotAlign = alignof(NodeSlot);

std::size_t RoundUp(std::size_t size, std::size_t align) {
  return (size + align - 1) / align * align;
}

// The first slot's offset: slots keep the alignment the block starts with.
constexpr std::size_t kPoolHeader = (sizeof(JsonPool) + kSlotAlign - 1) / kSlotAlign * kSlotAlign;

NodeSlot* SlotOf(const JsonNode* node) {
  return reinterpret_cast<NodeSlot*>(const_cast<char*>(reinterpret_cast<const char*>(node)) -
                                     offsetof(NodeSlot, node));
}

JsonPool* NewPool(std::size_t size) {
  auto* pool = static_cast<JsonPool*>(JsonAllocate(size));
  if (pool != nullptr) {
    pool->live = 1;
    pool->end = reinterpret_cast<char*>(pool) + size;
  }
  return pool;
}

JsonNode* PlaceNode(JsonPool* pool, char* at) {
  auto* slot = reinterpret_cast<NodeSlot*>(at);
  slot->pool = pool;
  std::memset(&slot->node, 0, sizeof(JsonNode));
  return &slot->node;
}

void DropReference(JsonPool* pool) {
  if (--pool->live == 0) {
    JsonRelease(pool);
  }
}

// Whether text lies inside the block of pool. Compared as integers: the two need not
// belong to one object.
bool Holds(const JsonPool* pool, const char* text) {
  auto at = reinterpret_cast<std::uintptr_t>(text);
  return at >= reinterpret_cast<std::uintptr_t>(pool) &&
         at < reinterpret_cast<std::uintptr_t>(pool->end);
}

}  // namespace

JsonNode* JsonPoolNewNode(JsonPoolCursor* cursor) {
  if (cursor->pool != nullptr) {
    auto* at = reinterpret_cast<char*>(RoundUp(reinterpret_cast<std::uintptr_t>(cursor->free),
                                         kSlotAlign));
    if (at <= cursor->pool->end &&
        static_cast<std::size_t>(cursor->pool->end - at) >= sizeof(NodeSlot)) {
      cursor->free = at + sizeof(NodeSlot);
      ++cursor->pool->live;
      return PlaceNode(cursor->pool, at);
    }
  }
  std::size_t size = cursor->next_size;
  if (size < kPoolHeader + sizeof(NodeSlot)) {
    size = kPoolHeader + sizeof(NodeSlot);
  }
  JsonPool* pool = NewPool(size);
  if (pool == nullptr) {
    return nullptr;
  }
  if (cursor->pool != nullptr) {
    DropReference(cursor->pool);
  }
  cursor->pool = pool;
  cursor->next_size = cursor->next_size < cursor->last_size / 2 ? cursor->next_size * 2
                                                                : cursor->last_size;
  char* at = reinterpret_cast<char*>(pool) + kPoolHeader;
  cursor->free = at + sizeof(NodeSlot);
  ++pool->live;
  return PlaceNode(pool, at);
}

char* JsonPoolNewText(JsonPoolCursor* cursor, const JsonNode* owner, std::size_t size) {
  if (cursor->pool != nullptr && SlotOf(owner)->pool == cursor->pool &&
      static_cast<std::size_t>(cursor->pool->end - cursor->free) >= size) {
    char* text = cursor->free;
    cursor->free += size;
    return text;
  }
  return static_cast<char*>(JsonAllocate(size));
}

void JsonPoolFinish(JsonPoolCursor* cursor) {
  if (cursor->pool != nullptr) {
    DropReference(cursor->pool);
    cursor->pool = nullptr;
  }
}

JsonNode* JsonPoolSingleNode() {
  JsonPool* pool = NewPool(kPoolHeader + sizeof(NodeSlot));
  return pool != nullptr ? PlaceNode(pool, reinterpret_cast<char*>(pool) + kPoolHeader) : nullptr;
}

void JsonPoolReleaseText(const JsonNode* node, char* text) {
  if (text != nullptr && !Holds(SlotOf(node)->pool, text)) {
    JsonRelease(text);
  }
}

void JsonPoolReleaseNode(JsonNode* node) {
  DropReference(SlotOf(node)->pool);
}
