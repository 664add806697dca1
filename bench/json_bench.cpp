// Prints how long the JSON code takes on a save-sized document and on a title file's
// array: a figure to compare between changes, never a pass/fail threshold.
#include <chrono>
#include <cstdio>
#include <string>

#include "json/json.h"

namespace {

// A save-like object: the five members the tool reads among many it does not.
std::string MakeSaveText(int extra_members) {
  std::string text =
      "{\"m_strPlayerLastName\":\"\\u83ab\",\"m_strPlayerName\":\"\\u5170\","
      "\"m_strSceneName\":\"Riverside\",\"m_iYear\":3,\"m_PlayerIconID\":\"12\"";
  for (int i = 0; i < extra_members; ++i) {
    text += ",\"m_item" + std::to_string(i) + "\":{\"pos\":[" + std::to_string(i) +
            ".25,-17.5,1e-3],\"name\":\"item\\t" + std::to_string(i) + "\",\"on\":true}";
  }
  return text + "}";
}

template <typename Body>
void Measure(const char* label, int rounds, std::size_t bytes, Body body) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    body();
  }
  std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  std::printf("%-28s %8.3f ms/round  %8.1f MB/s\n", label, seconds.count() * 1e3 / rounds,
              static_cast<double>(bytes) * rounds / seconds.count() / 1e6);
}

}  // namespace

int main() {
  std::string save = MakeSaveText(20000);
  JsonNode* tree = JsonParse(save.c_str());
  if (tree == nullptr) {
    std::puts("the benchmark document did not parse");
    return 1;
  }
  char* printed = JsonPrint(tree);
  std::size_t printed_bytes = std::string(printed).size();
  JsonRelease(printed);
  std::printf("document: %zu bytes of text, %zu bytes printed\n", save.size(), printed_bytes);

  Measure("parse", 20, save.size(), [&] { JsonDestroy(JsonParse(save.c_str())); });
  Measure("print formatted", 20, printed_bytes, [&] { JsonRelease(JsonPrintValue(tree, 0, 1)); });
  Measure("print compact", 20, printed_bytes, [&] { JsonRelease(JsonPrintValue(tree, 0, 0)); });
  JsonDestroy(tree);
  return 0;
}
