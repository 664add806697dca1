// The POSIX entry point: the arguments are the path bytes as they came.
#include "app/process.h"

int main(int argc, char** argv) {
  return ToolMain(argc, argv);
}
