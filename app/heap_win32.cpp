#include "app/heap.h"

// The Windows process heap serves small blocks from its low-fragmentation front end,
// which it turns on by itself.
void PrepareProcessHeap() {}
