// libFuzzer target: any bytes must parse or fail cleanly, and a parsed tree must print
// in both modes and be released without a leak or an out-of-bounds access. The parse
// that builds only a save's five members must accept exactly what the full parse
// accepts, fail for the same reason and find the same values for those names, with the
// skip's narrow scan and with the widest the processor has.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "json/json.h"
#include "testing/parse_agreement.h"

namespace {

// The members the title file takes from a save, and one short name that random bytes
// reach more often.
const char* const kWanted[] = {"m_strPlayerLastName", "m_strPlayerName", "m_strSceneName",
                               "m_iYear", "m_PlayerIconID", "a", nullptr};

void CheckPrints(const char* text) {
  JsonNode* tree = JsonParse(text);
  for (std::int32_t formatted = 0; tree != nullptr && formatted <= 1; ++formatted) {
    char* printed = JsonPrintValue(tree, 0, formatted);
    if (printed == nullptr) {
      std::abort();  // with the heap working, every parsed tree prints
    }
    JsonRelease(printed);
  }
  JsonDestroy(tree);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The parser takes zero-terminated text: give it exactly the fuzzer's bytes plus a
  // zero, at the end of its block. The skip reads 64-byte chunks from 64-byte boundaries:
  // the bytes before the text, as many as the size gives, move it across them, and are
  // backslashes and quotes that the skip must not count.
  std::size_t before = size % 64;
  auto* block = static_cast<char*>(std::malloc(before + size + 1));
  if (block == nullptr) {
    return 0;
  }
  std::memset(block, size % 2 != 0 ? '\\' : '"', before);
  char* text = block + before;
  std::memcpy(text, data, size);
  text[size] = '\0';
  CheckPrints(text);
  std::string difference = FilteredParseDisagreement(text, kWanted);
  std::free(block);
  if (!difference.empty()) {
    std::fprintf(stderr, "the filtered parse disagrees: %s\n", difference.c_str());
    std::abort();
  }
  return 0;
}
