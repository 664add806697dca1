// Runs programs round-robin, each run with standard input from /dev/null and its output
// discarded, and prints for each program the median wall time, CPU time (user and
// system) and peak resident memory of its runs, its fastest run, and its times as
// multiples of the first program's and its CPU time as a multiple of the last's: each the
// median over the rounds of the two times' ratio, which the machine's slow drifts move
// least. The start rotates from round to round. With --bytes=N, the input the programs
// read, it also prints how fast the first program gets through it beyond what the last
// spends: N over the median of the rounds' differences in CPU time.
//   run_timer [--bytes=N] ROUNDS PROGRAM...
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

struct Runs {
  const char* program;
  std::vector<double> wall;
  std::vector<double> cpu;
  std::vector<double> memory;
};

// One run of the program; false when it could not be run or failed.
bool RunOnce(Runs* runs) {
  double start = Now();
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    execl(runs->program, runs->program, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child) {
    std::perror("run_timer");
    return false;
  }
  runs->wall.push_back(Now() - start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "run_timer: %s failed (status %d)\n", runs->program, status);
    return false;
  }
  runs->cpu.push_back(Seconds(usage.ru_utime) + Seconds(usage.ru_stime));
  runs->memory.push_back(static_cast<double>(usage.ru_maxrss) / 1024);  // KiB to MiB
  return true;
}

// The median over the rounds of a's time divided by b's.
double MedianRatio(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> ratios;
  for (std::size_t round = 0; round < a.size(); ++round) {
    ratios.push_back(a[round] / b[round]);
  }
  return Median(ratios);
}

}  // namespace

int main(int argc, char** argv) {
  double bytes = 0;
  int first = 1;
  if (argc > 1 && std::strncmp(argv[1], "--bytes=", 8) == 0) {
    bytes = std::atof(argv[1] + 8);
    first = 2;
  }
  int rounds = argc >= first + 2 ? std::atoi(argv[first]) : 0;
  if (rounds <= 0) {
    std::fprintf(stderr, "usage: run_timer [--bytes=N] ROUNDS PROGRAM...\n");
    return 2;
  }
  std::vector<Runs> all;
  for (int i = first + 1; i < argc; ++i) {
    all.push_back({argv[i], {}, {}, {}});
  }
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (!RunOnce(&all[(i + static_cast<std::size_t>(round)) % all.size()])) {
        return 1;
      }
    }
  }
  std::printf("%-18s %8s %8s %9s %8s %12s %11s %11s\n", "median of runs", "wall ms", "CPU ms",
              "peak MiB", "fastest", "wall x first", "CPU x first", "CPU x last");
  for (const Runs& runs : all) {
    const char* name = std::strrchr(runs.program, '/');
    std::printf("%-18s %8.1f %8.1f %9.1f %8.1f %12.2f %11.2f %11.2f\n",
                name != nullptr ? name + 1 : runs.program, Median(runs.wall) * 1e3,
                Median(runs.cpu) * 1e3, Median(runs.memory),
                *std::min_element(runs.wall.begin(), runs.wall.end()) * 1e3,
                MedianRatio(runs.wall, all[0].wall), MedianRatio(runs.cpu, all[0].cpu),
                MedianRatio(runs.cpu, all.back().cpu));
  }
  if (bytes > 0) {
    std::vector<double> beyond;
    for (int round = 0; round < rounds; ++round) {
      beyond.push_back(all[0].cpu[round] - all.back().cpu[round]);
    }
    double seconds = Median(beyond);
    std::printf("%s beyond %s: %.1f ms of CPU for %.0f MiB, %.2f GB/s\n", all[0].program,
                all.back().program, seconds * 1e3, bytes / 1048576, bytes / seconds / 1e9);
  }
  return 0;
}
