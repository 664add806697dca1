// The check that holds a parse building only wanted members to the full parse, and the
// printed text it compares values by; used by the unit tests and the differential fuzz target.
#ifndef SAVETITLE_TESTING_PARSE_AGREEMENT_H_
#define SAVETITLE_TESTING_PARSE_AGREEMENT_H_

#include <cstdint>
#include <string>

struct JsonNode;

// The node printed (compact unless formatted), or "<null>" when the print gives no text.
std::string PrintedText(const JsonNode* node, std::int32_t depth = 0, std::int32_t formatted = 0);

// Parses text with JsonParseWith in full and with wanted_members (names ending in a
// null), the latter once with the skip's narrow scan and once with the widest the
// processor has, which stays on after. Returns "" when each agrees with the full parse:
// the same error, the same value (type, integer, double bit for bit, and the printed
// text, which shows any text and anything inside) for every listed name looked up, and
// nothing but listed members below the filtered root. Otherwise says what differs, and
// with which scan.
std::string FilteredParseDisagreement(const char* text, const char* const* wanted_members);

#endif  // SAVETITLE_TESTING_PARSE_AGREEMENT_H_
