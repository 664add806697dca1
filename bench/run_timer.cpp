// Runs a command a number of times, each with standard input from /dev/null and its
// output discarded, and prints the median wall time, CPU time (user and system) and
// peak resident memory of the runs.
//   run_timer RUNS COMMAND [ARGUMENT...]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  std::size_t half = values.size() / 2;
  return values.size() % 2 != 0 ? values[half] : (values[half - 1] + values[half]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = argc >= 3 ? std::atoi(argv[1]) : 0;
  if (runs <= 0) {
    std::fprintf(stderr, "usage: run_timer RUNS COMMAND [ARGUMENT...]\n");
    return 2;
  }
  std::vector<double> wall;
  std::vector<double> cpu;
  std::vector<double> memory;
  for (int run = 0; run < runs; ++run) {
    double start = Now();
    pid_t child = fork();
    if (child == 0) {
      int null = open("/dev/null", O_RDWR);
      dup2(null, 0);
      dup2(null, 1);
      execv(argv[2], argv + 2);
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) {
      std::perror("run_timer");
      return 1;
    }
    wall.push_back(Now() - start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "run_timer: %s failed (status %d)\n", argv[2], status);
      return 1;
    }
    cpu.push_back(Seconds(usage.ru_utime) + Seconds(usage.ru_stime));
    memory.push_back(static_cast<double>(usage.ru_maxrss) / 1024);  // KiB to MiB
  }
  std::printf("median of %d runs: wall %.1f ms, CPU %.1f ms, peak memory %.1f MiB"
              " (fastest run: %.1f ms)\n",
              runs, Median(wall) * 1e3, Median(cpu) * 1e3, Median(memory),
              *std::min_element(wall.begin(), wall.end()) * 1e3);
  return 0;
}
