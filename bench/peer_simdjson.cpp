// The whole-run benchmark's simdjson peer: SaveTitleRebuild's job with simdjson's DOM,
// one parser reused for every save.
//   peer_simdjson             (in the save folder)
#include <simdjson.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "bench/peer_job.h"

namespace {

simdjson::dom::parser parser;

bool Find(simdjson::dom::object object, const char* name, simdjson::dom::element* value) {
  for (simdjson::dom::key_value_pair field : object) {
    if (PeerNamesMatch(field.key.data(), field.key.size(), name)) {
      *value = field.value;
      return true;
    }
  }
  return false;
}

std::string Text(simdjson::dom::object object, const char* name) {
  simdjson::dom::element value;
  std::string_view text;
  return Find(object, name, &value) && value.get(text) == simdjson::SUCCESS ? std::string(text)
                                                                             : "";
}

bool ReadSave(const char* path, PeerSave* save) {
  simdjson::padded_string text;
  if (simdjson::padded_string::load(path).get(text) != simdjson::SUCCESS || text.size() < 10) {
    return false;
  }
  // Behind the byte-order mark; the padding after the text is still there.
  simdjson::dom::element root;
  if (parser.parse(text.data() + 3, text.size() - 3, false).get(root) != simdjson::SUCCESS) {
    return false;
  }
  simdjson::dom::object object;
  if (root.get(object) != simdjson::SUCCESS) {
    return true;
  }
  save->family_name = Text(object, "m_strPlayerLastName");
  save->given_name = Text(object, "m_strPlayerName");
  save->place = Text(object, "m_strSceneName");
  simdjson::dom::element value;
  double year = 0;
  if (Find(object, "m_iYear", &value) && value.get(year) == simdjson::SUCCESS) {
    save->year = static_cast<std::uint32_t>(static_cast<long long>(year));
  }
  std::string_view icon;
  if (Find(object, "m_PlayerIconID", &value) && value.get(icon) == simdjson::SUCCESS) {
    save->icon = static_cast<std::uint32_t>(std::strtoul(std::string(icon).c_str(), nullptr, 10));
  }
  return true;
}

}  // namespace

int main() {
  return RunPeerJob(ReadSave);
}
