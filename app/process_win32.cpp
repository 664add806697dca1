#include "app/process.h"

// Windows ends no process for a failed write.
void PrepareProcess() {}
