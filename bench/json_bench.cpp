// How fast the JSON code reads and prints save-sized documents, in MB/s of input. Where
// RapidJSON's headers and simdjson are installed, they run on the same bytes, and the
// last tables give our speed as a ratio of theirs: on a shared, noisy machine the ratio
// is the figure to compare between changes. It is never a pass/fail threshold.
//
// Our speed depends on how the heap lies when a parse starts, and every benchmark leaves
// it differently; measured in one process, the order in which they ran moved our ratio
// by a factor of two. So every repetition of every measurement runs in a forked process
// of its own, which makes its document first, and the repetitions are shuffled.
//   json_bench [SUBSTRING...] [--repetitions=N]   (names holding any SUBSTRING; 10)
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/save_document.h"
#include "json/json.h"

#ifdef SAVETITLE_HAVE_RAPIDJSON
#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#endif
#ifdef SAVETITLE_HAVE_SIMDJSON
#include <simdjson.h>
#endif

namespace {

constexpr std::uint64_t kSeed = 20151104;
constexpr std::size_t kBomSize = 3;

// The members the tool looks up in every save.
const char* const kLookups[] = {"m_strPlayerLastName", "m_strPlayerName", "m_strSceneName",
                                "m_iYear", "m_PlayerIconID"};

// The documents, each made (with its byte-order mark, as a save file holds it) in the
// process that measures it.
struct Document {
  const char* label;
  std::size_t size;
};

const Document kDocuments[] = {{"64KiB", 64 << 10}, {"1MiB", 1 << 20}, {"8MiB", 8 << 20}};

void OursParse(benchmark::State& state, const std::string* text) {
  for (auto _ : state) {
    JsonNode* save = JsonParse(text->c_str() + kBomSize);
    for (const char* name : kLookups) {
      benchmark::DoNotOptimize(JsonFindMember(save, name));
    }
    JsonDestroy(save);
  }
}

// The parse the tool makes: only the five members are built, the rest is checked.
void OursParseFiltered(benchmark::State& state, const std::string* text) {
  const char* const wanted[] = {kLookups[0], kLookups[1], kLookups[2], kLookups[3], kLookups[4],
                                nullptr};
  for (auto _ : state) {
    JsonNode* save = JsonParseWith(text->c_str() + kBomSize, nullptr, wanted);
    for (const char* name : kLookups) {
      benchmark::DoNotOptimize(JsonFindMember(save, name));
    }
    JsonDestroy(save);
  }
}

// The tree a print measurement prints, parsed once in its process while the heap is
// fresh. Google Benchmark runs a body several times (warm-up, then the timed run), and a
// tree parsed anew each time lies scattered over the freed blocks of the one before:
// measured so, the print of the 8 MiB tree took about twice as long, timing the heap's
// history rather than the printer.
const JsonNode* TreeToPrint(const std::string* text) {
  static const JsonNode* tree = JsonParse(text->c_str() + kBomSize);
  return tree;
}

void OursPrint(benchmark::State& state, const std::string* text) {
  const JsonNode* save = TreeToPrint(text);
  for (auto _ : state) {
    char* printed = JsonPrint(save);
    benchmark::DoNotOptimize(printed);
    JsonRelease(printed);
  }
}

#ifdef SAVETITLE_HAVE_RAPIDJSON
// RapidJSON's own pool allocator, or, for comparison with our one block per value,
// plain malloc for every block it takes.
using MallocDocument =
    rapidjson::GenericDocument<rapidjson::UTF8<>, rapidjson::CrtAllocator, rapidjson::CrtAllocator>;

template <typename Document>
void RapidParse(benchmark::State& state, const std::string* text) {
  for (auto _ : state) {
    Document save;
    save.Parse(text->c_str() + kBomSize);
    for (const char* name : kLookups) {
      benchmark::DoNotOptimize(save.FindMember(name));
    }
  }
}

// Parsed once as well, for the same conditions as ours.
void RapidPrint(benchmark::State& state, const std::string* text) {
  static rapidjson::Document save;
  if (!save.IsObject()) {
    save.Parse(text->c_str() + kBomSize);
  }
  for (auto _ : state) {
    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
    writer.SetIndent('\t', 1);
    save.Accept(writer);
    benchmark::DoNotOptimize(buffer.GetString());
  }
}
#endif

#ifdef SAVETITLE_HAVE_SIMDJSON
// simdjson's DOM with one parser for every iteration, as a tool reading many saves
// would keep it; the text is copied once, beforehand, into a block with its padding.
void SimdParse(benchmark::State& state, const std::string* text) {
  simdjson::padded_string padded(text->c_str() + kBomSize, text->size() - kBomSize);
  simdjson::dom::parser parser;
  for (auto _ : state) {
    simdjson::dom::element save;
    if (parser.parse(padded).get(save) != simdjson::SUCCESS) {
      state.SkipWithError("simdjson refused the document");
      break;
    }
    for (const char* name : kLookups) {
      benchmark::DoNotOptimize(save[name]);
    }
  }
}
#endif

// Keeps the time of one iteration of the single run it is shown.
class TimeReporter : public benchmark::BenchmarkReporter {
 public:
  bool ReportContext(const Context&) override { return true; }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (!run.error_occurred && run.run_type == Run::RT_Iteration && run.iterations > 0) {
        seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
      }
    }
  }
  double seconds = -1;
};

struct Measurement {
  std::string name;  // operation/library/document
  const Document* document;
  void (*body)(benchmark::State&, const std::string*);
  std::vector<double> seconds;  // one per repetition
  double bytes;
};

// One run of the measurement in a child process that makes its document first: the
// seconds of one iteration, or -1.
double RunInChild(Measurement* measurement) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) {
    return -1;
  }
  std::fflush(stdout);
  pid_t child = fork();
  if (child == 0) {
    close(pipe_ends[0]);
    std::string text = MakeSaveDocument(measurement->document->size, kSeed);
    benchmark::RegisterBenchmark(measurement->name.c_str(), measurement->body, &text);
    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double result[2] = {reporter.seconds, static_cast<double>(text.size())};
    bool sent = write(pipe_ends[1], result, sizeof(result)) == sizeof(result);
    _exit(sent ? 0 : 1);
  }
  close(pipe_ends[1]);
  double result[2] = {-1, 0};
  if (child < 0 || read(pipe_ends[0], result, sizeof(result)) != sizeof(result)) {
    result[0] = -1;
  }
  double seconds = result[0];
  measurement->bytes = result[1];
  close(pipe_ends[0]);
  if (child > 0) {
    waitpid(child, nullptr, 0);
  }
  return seconds;
}

double Best(const std::vector<double>& times) {
  return *std::min_element(times.begin(), times.end());
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::size_t half = times.size() / 2;
  return times.size() % 2 != 0 ? times[half] : (times[half - 1] + times[half]) / 2;
}

double MegabytesPerSecond(const Measurement& measurement, double seconds) {
  return measurement.bytes / seconds / 1e6;
}

const Measurement* Find(const std::vector<Measurement>& all, const std::string& name) {
  for (const Measurement& measurement : all) {
    if (measurement.name == name && !measurement.seconds.empty()) {
      return &measurement;
    }
  }
  return nullptr;
}

// Every other library's "parse/<library>/1MiB" against "parse/<yardstick>/1MiB": the best
// time of each, the least disturbed by other work on the machine, and the median.
void PrintRatios(const std::vector<Measurement>& all, const char* yardstick, const char* title) {
  bool header = false;
  for (const Measurement& measurement : all) {
    std::size_t first = measurement.name.find('/');
    std::size_t second = measurement.name.find('/', first + 1);
    std::string library = measurement.name.substr(first + 1, second - first - 1);
    const Measurement* theirs = Find(all, measurement.name.substr(0, first) + '/' + yardstick +
                                              measurement.name.substr(second));
    if (library == yardstick || theirs == nullptr || measurement.seconds.empty()) {
      continue;
    }
    if (!header) {
      std::printf("\n%-28s %10s %12s\n", title, "best", "median");
      header = true;
    }
    std::printf("%-28s %10.2f %12.2f\n", measurement.name.c_str(),
                Best(theirs->seconds) / Best(measurement.seconds),
                Median(theirs->seconds) / Median(measurement.seconds));
  }
}

}  // namespace

int main(int argc, char** argv) {
  int repetitions = 10;
  std::vector<std::string> wanted;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--repetitions=", 14) == 0) {
      repetitions = std::max(1, std::atoi(argv[i] + 14));
    } else {
      wanted.emplace_back(argv[i]);
    }
  }
  // Each child warms up for a tenth of a second, so that the heap has grown and the
  // inherited pages are its own, then measures for a fifth.
  char program[] = "json_bench";
  char warm_up[] = "--benchmark_min_warmup_time=0.1";
  char min_time[] = "--benchmark_min_time=0.2";
  char* settings[] = {program, warm_up, min_time, nullptr};
  int setting_count = 3;
  benchmark::Initialize(&setting_count, settings);

  std::vector<Measurement> all;
  auto add = [&](const char* operation, const char* library, const Document& document,
                 void (*body)(benchmark::State&, const std::string*)) {
    std::string name = std::string(operation) + '/' + library + '/' + document.label;
    bool chosen = wanted.empty() || std::any_of(wanted.begin(), wanted.end(), [&](auto& part) {
                    return name.find(part) != std::string::npos;
                  });
    if (chosen) {
      all.push_back({name, &document, body, {}, 0});
    }
  };
  for (const Document& document : kDocuments) {
    add("parse", "ours", document, OursParse);
    add("parse", "ours-filtered", document, OursParseFiltered);
#ifdef SAVETITLE_HAVE_RAPIDJSON
    add("parse", "rapidjson", document, RapidParse<rapidjson::Document>);
    add("parse", "rapidjson-malloc", document, RapidParse<MallocDocument>);
#endif
#ifdef SAVETITLE_HAVE_SIMDJSON
    add("parse", "simdjson", document, SimdParse);
#endif
    add("print", "ours", document, OursPrint);
#ifdef SAVETITLE_HAVE_RAPIDJSON
    add("print", "rapidjson", document, RapidPrint);
#endif
  }
#ifndef SAVETITLE_HAVE_RAPIDJSON
  std::puts("RapidJSON's headers were not found at build time: no ratios.");
#endif

  std::mt19937 shuffle(12345);
  std::vector<std::size_t> order(all.size());
  for (int round = 0; round < repetitions; ++round) {
    for (std::size_t i = 0; i < order.size(); ++i) {
      order[i] = i;
    }
    std::shuffle(order.begin(), order.end(), shuffle);
    for (std::size_t index : order) {
      double seconds = RunInChild(&all[index]);
      if (seconds > 0) {
        all[index].seconds.push_back(seconds);
      }
    }
  }

  std::printf("%-28s %10s %12s %6s\n", "MB/s of input", "best", "median", "runs");
  for (const Measurement& measurement : all) {
    if (measurement.seconds.empty()) {
      std::printf("%-28s %10s\n", measurement.name.c_str(), "failed");
      continue;
    }
    std::printf("%-28s %10.1f %12.1f %6zu\n", measurement.name.c_str(),
                MegabytesPerSecond(measurement, Best(measurement.seconds)),
                MegabytesPerSecond(measurement, Median(measurement.seconds)),
                measurement.seconds.size());
  }
  PrintRatios(all, "rapidjson", "ratio to RapidJSON");
  PrintRatios(all, "simdjson", "ratio to simdjson");
  benchmark::Shutdown();
  return 0;
}
