#include "app/process.h"

#include <csignal>
#include <cstdlib>  // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void PrepareProcess() {
  // Both signals would end the process between two steps of a title write; ignored, the
  // write fails with EFBIG or EPIPE, and the old title file stays.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
#if defined(__GLIBC__)
  // glibc keeps small freed blocks apart, unmerged, in "fast bins"; the next save's tree
  // is then scattered over the blocks of the previous one. Without fast bins freed
  // blocks merge at once, and each tree is laid out in one stretch, which the run over
  // a folder of large saves was measured to finish sooner.
  mallopt(M_MXFAST, 0);
#endif
}

const PathChar* const* ProcessArguments(int argc, char** argv, int* count) {
  *count = argc;
  return argv;
}
