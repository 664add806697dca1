#include "app/process.h"

// Windows ends no process for a failed write, and its heap serves small blocks from its
// low-fragmentation front end, which it turns on by itself.
void PrepareProcess() {}
