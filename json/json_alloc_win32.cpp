#include <windows.h>

#include "json/json.h"

namespace {

void* ProcessHeapAllocate(std::size_t size) {
  return HeapAlloc(GetProcessHeap(), 0, size);
}

void ProcessHeapRelease(void* block) {
  HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace

void* (*JsonAllocate)(std::size_t size) = ProcessHeapAllocate;
void (*JsonRelease)(void* block) = ProcessHeapRelease;
