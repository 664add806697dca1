// libFuzzer target: for any bytes, the parse that builds only a save's five members
// accepts exactly what JsonParse accepts, fails for the same reason, and gives the same
// values for those names.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "testing/parse_agreement.h"

namespace {

// The members the title file takes from a save, and one short name that random bytes
// reach more often.
const char* const kWanted[] = {"m_strPlayerLastName", "m_strPlayerName", "m_strSceneName",
                               "m_iYear", "m_PlayerIconID", "a", nullptr};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The parser takes zero-terminated text: give it exactly the fuzzer's bytes plus a zero.
  auto* text = static_cast<char*>(std::malloc(size + 1));
  if (text == nullptr) {
    return 0;
  }
  std::memcpy(text, data, size);
  text[size] = '\0';
  std::string difference = FilteredParseDisagreement(text, kWanted);
  std::free(text);
  if (!difference.empty()) {
    std::fprintf(stderr, "filtered parse disagrees: %s\n", difference.c_str());
    std::abort();
  }
  return 0;
}
