#include <cstdlib>

#include "json/json.h"

void* (*JsonAllocate)(std::size_t size) = std::malloc;
void (*JsonRelease)(void* block) = std::free;
