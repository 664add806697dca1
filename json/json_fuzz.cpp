// libFuzzer target: any bytes must parse or fail cleanly, and a parsed tree must print
// in both modes and be released without a leak or an out-of-bounds access.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "json/json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The parser takes zero-terminated text: give it exactly the fuzzer's bytes plus a zero.
  auto* text = static_cast<char*>(std::malloc(size + 1));
  if (text == nullptr) {
    return 0;
  }
  std::memcpy(text, data, size);
  text[size] = '\0';
  JsonNode* tree = JsonParse(text);
  std::free(text);
  if (tree == nullptr) {
    return 0;
  }
  for (std::int32_t formatted = 0; formatted <= 1; ++formatted) {
    char* printed = JsonPrintValue(tree, 0, formatted);
    if (printed == nullptr) {
      std::abort();  // with the heap working, every parsed tree prints
    }
    JsonRelease(printed);
  }
  JsonDestroy(tree);
  return 0;
}
