// How fast the JSON code reads and prints save-sized documents, in MB/s of input. With
// RapidJSON's headers present, RapidJSON runs on the same bytes in the same process, and
// the last table gives our speed as a ratio of its: on a shared, noisy machine the ratio
// is the figure to compare between changes. It is never a pass/fail threshold.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/save_document.h"
#include "json/json.h"

#ifdef SAVETITLE_HAVE_RAPIDJSON
#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#endif

namespace {

constexpr std::uint64_t kSeed = 20151104;
constexpr std::size_t kBomSize = 3;

// The members the tool looks up in every save.
const char* const kLookups[] = {"m_strPlayerLastName", "m_strPlayerName", "m_strSceneName",
                                "m_iYear", "m_PlayerIconID"};

struct Document {
  const char* label;
  std::string text;  // with its byte-order mark, as a save file holds it
};

std::vector<Document>& Documents() {
  static std::vector<Document> documents = {
      {"64KiB", MakeSaveDocument(64 << 10, kSeed)},
      {"1MiB", MakeSaveDocument(1 << 20, kSeed)},
      {"8MiB", MakeSaveDocument(8 << 20, kSeed)},
  };
  return documents;
}

void CountInput(benchmark::State& state, const std::string& text) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void OursParse(benchmark::State& state, const std::string* text) {
  for (auto _ : state) {
    JsonNode* save = JsonParse(text->c_str() + kBomSize);
    for (const char* name : kLookups) {
      benchmark::DoNotOptimize(JsonFindMember(save, name));
    }
    JsonDestroy(save);
  }
  CountInput(state, *text);
}

void OursPrint(benchmark::State& state, const std::string* text) {
  JsonNode* save = JsonParse(text->c_str() + kBomSize);
  for (auto _ : state) {
    char* printed = JsonPrint(save);
    benchmark::DoNotOptimize(printed);
    JsonRelease(printed);
  }
  JsonDestroy(save);
  CountInput(state, *text);
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
  CountInput(state, *text);
}

void RapidPrint(benchmark::State& state, const std::string* text) {
  rapidjson::Document save;
  save.Parse(text->c_str() + kBomSize);
  for (auto _ : state) {
    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
    writer.SetIndent('\t', 1);
    save.Accept(writer);
    benchmark::DoNotOptimize(buffer.GetString());
  }
  CountInput(state, *text);
}
#endif

// Shows the aggregates of each benchmark's repetitions, and keeps, by name, the best and
// the median time of one iteration.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> aggregates;
    for (const Run& run : runs) {
      if (run.error_occurred) {
        continue;
      }
      std::vector<double>& times = times_[run.run_name.function_name];
      if (run.run_type == Run::RT_Iteration) {
        times.push_back(run.real_accumulated_time / static_cast<double>(run.iterations));
        if (run.repetitions <= 1) {
          aggregates.push_back(run);
        }
      } else {
        aggregates.push_back(run);
      }
    }
    if (!aggregates.empty()) {
      ConsoleReporter::ReportRuns(aggregates);
    }
  }

  // Every other library's "parse/<library>/1MiB" against "parse/rapidjson/1MiB", for
  // every pair that ran: the best time of each, the least disturbed by other work on the
  // machine, and the median.
  void PrintRatios() {
    bool header = false;
    for (auto& [name, times] : times_) {
      std::size_t first = name.find('/');
      std::size_t second = name.find('/', first + 1);
      std::string library = name.substr(first + 1, second - first - 1);
      auto other = times_.find(name.substr(0, first) + "/rapidjson" + name.substr(second));
      if (library == "rapidjson" || other == times_.end()) {
        continue;
      }
      if (!header) {
        std::printf("\n%-28s %10s %10s %10s %12s\n", "against RapidJSON", "MB/s",
                    "their MB/s", "best ratio", "median ratio");
        header = true;
      }
      double bytes = static_cast<double>(SizeOf(name));
      double best = Best(times);
      double their_best = Best(other->second);
      std::printf("%-28s %10.1f %10.1f %10.2f %12.2f\n", name.c_str(), bytes / best / 1e6,
                  bytes / their_best / 1e6, their_best / best,
                  Median(other->second) / Median(times));
    }
  }

 private:
  static double Best(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
  }
  static double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::size_t half = times.size() / 2;
    return times.size() % 2 != 0 ? times[half] : (times[half - 1] + times[half]) / 2;
  }
  static std::size_t SizeOf(const std::string& name) {
    for (const Document& document : Documents()) {
      if (name.size() > std::strlen(document.label) &&
          name.compare(name.size() - std::strlen(document.label), std::string::npos,
                       document.label) == 0) {
        return document.text.size();
      }
    }
    return 0;
  }

  std::map<std::string, std::vector<double>> times_;
};

void Register(const char* operation, const char* library, const Document& document,
              void (*body)(benchmark::State&, const std::string*)) {
  std::string name = std::string(operation) + '/' + library + '/' + document.label;
  benchmark::RegisterBenchmark(name.c_str(), body, &document.text)
      ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  // Each pair runs back to back, so that both see the same load on the machine.
  for (const Document& document : Documents()) {
    Register("parse", "ours", document, OursParse);
#ifdef SAVETITLE_HAVE_RAPIDJSON
    Register("parse", "rapidjson", document, RapidParse<rapidjson::Document>);
    Register("parse", "rapidjson-malloc", document, RapidParse<MallocDocument>);
#endif
    Register("print", "ours", document, OursPrint);
#ifdef SAVETITLE_HAVE_RAPIDJSON
    Register("print", "rapidjson", document, RapidPrint);
#endif
  }
#ifndef SAVETITLE_HAVE_RAPIDJSON
  std::puts("RapidJSON's headers were not found at build time: no ratios.");
#endif
  // Ten repetitions of each, shuffled so that a busy spell on the machine does not fall
  // on one side of a comparison only. Arguments given on the command line come later and
  // so take precedence.
  std::vector<char*> arguments(argv, argv + argc);
  char repetitions[] = "--benchmark_repetitions=10";
  char interleaving[] = "--benchmark_enable_random_interleaving=true";
  arguments.insert(arguments.begin() + 1, {repetitions, interleaving});
  int count = static_cast<int>(arguments.size());
  benchmark::Initialize(&count, arguments.data());
  if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) {
    return 1;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
