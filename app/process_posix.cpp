#include "app/process.h"

#include <csignal>

void PrepareProcess() {
  // Both signals would end the process between two steps of a title write; ignored, the
  // write fails with EFBIG or EPIPE, and the old title file stays.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}
