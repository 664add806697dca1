// The printer's entry with the size of its first block as a parameter, so that a test
// can make the text outgrow its block at every point of a print.
#ifndef SAVETITLE_JSON_JSON_PRINT_H_
#define SAVETITLE_JSON_JSON_PRINT_H_

#include <cstddef>
#include <cstdint>

#include "json/json.h"

// The first block of every print by JsonPrintValue.
inline constexpr std::size_t kJsonPrintFirstBlock = 64;

// JsonPrintValue, writing into a first block of first_block bytes (at least 1) that is
// moved into a block four times as large each time it fills.
char* JsonPrintValueFrom(const JsonNode* node, std::int32_t depth, std::int32_t formatted,
                         std::size_t first_block);

#endif  // SAVETITLE_JSON_JSON_PRINT_H_
