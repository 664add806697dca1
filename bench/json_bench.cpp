// How fast the JSON code reads and prints save-sized documents, in MB/s of input. With
// RapidJSON's headers present, RapidJSON runs on the same bytes in the same process, and
// the last table gives our speed as a ratio of its: on a shared, noisy machine the ratio
// is the figure to compare between changes. It is never a pass/fail threshold.
#include <benchmark/benchmark.h>

#include <cstdio>
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
void RapidParse(benchmark::State& state, const std::string* text) {
  for (auto _ : state) {
    rapidjson::Document save;
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

// The console table as usual, and the median speed of every benchmark kept by name.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      auto rate = run.counters.find("bytes_per_second");
      if ((median || single) && !run.error_occurred && rate != run.counters.end()) {
        speeds_[run.run_name.function_name] = rate->second.value;
      }
    }
  }

  // "parse/ours/1MiB" against "parse/rapidjson/1MiB", for every pair that ran.
  void PrintRatios() const {
    bool header = false;
    for (const auto& [name, speed] : speeds_) {
      std::size_t at = name.find("/ours/");
      if (at == std::string::npos) {
        continue;
      }
      std::string other = name.substr(0, at) + "/rapidjson/" + name.substr(at + 6);
      auto found = speeds_.find(other);
      if (found == speeds_.end() || found->second <= 0) {
        continue;
      }
      if (!header) {
        std::printf("\n%-28s %12s %12s %8s\n", "ours / RapidJSON", "ours MB/s", "theirs MB/s",
                    "ratio");
        header = true;
      }
      std::printf("%-28s %12.1f %12.1f %8.2f\n", name.c_str(), speed / 1e6,
                  found->second / 1e6, speed / found->second);
    }
  }

 private:
  std::map<std::string, double> speeds_;
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
    Register("parse", "rapidjson", document, RapidParse);
#endif
    Register("print", "ours", document, OursPrint);
#ifdef SAVETITLE_HAVE_RAPIDJSON
    Register("print", "rapidjson", document, RapidPrint);
#endif
  }
#ifndef SAVETITLE_HAVE_RAPIDJSON
  std::puts("RapidJSON's headers were not found at build time: no ratios.");
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
