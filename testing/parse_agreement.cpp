#include "testing/parse_agreement.h"

#include <cstring>

#include "json/json.h"
#include "json/json_name.h"
#include "json/json_skip.h"

std::string PrintedText(const JsonNode* node, std::int32_t depth, std::int32_t formatted) {
  char* text = JsonPrintValue(node, depth, formatted);
  std::string printed = text != nullptr ? text : "<null>";
  JsonRelease(text);
  return printed;
}

namespace {

// "" when full and filtered hold the same value; the printed text shows a String's text.
std::string ValueDifference(const JsonNode* full, const JsonNode* filtered) {
  if (full == nullptr || filtered == nullptr) {
    return full == filtered ? "" : "found in one tree only";
  }
  if (full->type != filtered->type || full->integerValue != filtered->integerValue ||
      std::memcmp(&full->doubleValue, &filtered->doubleValue, sizeof(double)) != 0 ||
      PrintedText(full) != PrintedText(filtered)) {
    return "values differ: " + PrintedText(full) + " / " + PrintedText(filtered);
  }
  return "";
}

bool Listed(const char* name, const char* const* wanted) {
  for (; name != nullptr && *wanted != nullptr; ++wanted) {
    if (JsonNamesMatch(name, *wanted)) {
      return true;
    }
  }
  return false;
}

std::string Difference(const JsonNode* full, JsonParseError full_error, const JsonNode* filtered,
                       JsonParseError filtered_error, const char* const* wanted) {
  if (full_error != filtered_error) {
    return "errors differ: " + std::to_string(static_cast<int>(full_error)) + " / " +
           std::to_string(static_cast<int>(filtered_error));
  }
  if (full == nullptr) {
    return "";
  }
  JsonType root = JsonTypeOf(full);
  if (root != JsonType::Array && root != JsonType::Object) {
    return ValueDifference(full, filtered);  // a lone value is built as it is
  }
  if (JsonTypeOf(filtered) != root) {
    return "root types differ";
  }
  for (const JsonNode* child = filtered->firstChild; child != nullptr; child = child->next) {
    if (!Listed(child->memberName, wanted)) {
      return "built an unwanted member";
    }
  }
  for (; *wanted != nullptr; ++wanted) {
    std::string difference =
        ValueDifference(JsonFindMember(full, *wanted), JsonFindMember(filtered, *wanted));
    if (!difference.empty()) {
      return std::string(*wanted) + ": " + difference;
    }
  }
  return "";
}

}  // namespace

std::string FilteredParseDisagreement(const char* text, const char* const* wanted_members) {
  JsonParseError full_error = JsonParseError::None;
  JsonNode* full = JsonParseWith(text, &full_error);
  std::string difference;
  // The narrow scan first; the widest the processor has stays on after.
  for (bool narrow : {true, false}) {
    JsonSkipUseNarrowScan(narrow);
    JsonParseError filtered_error = JsonParseError::None;
    JsonNode* filtered = JsonParseWith(text, &filtered_error, wanted_members);
    if (difference.empty()) {
      difference = Difference(full, full_error, filtered, filtered_error, wanted_members);
      if (!difference.empty()) {
        difference = (narrow ? "narrow scan: " : "widest scan: ") + difference;
      }
    }
    JsonDestroy(filtered);
  }
  JsonDestroy(full);
  return difference;
}
