#include "json/json.h"

#include <cstdlib>

void* (*JsonAllocate)(std::size_t size) = std::malloc;
void (*JsonRelease)(void* block) = std::free;
