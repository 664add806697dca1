// The whole-run benchmark's RapidJSON peer: SaveTitleRebuild's job with RapidJSON's
// DOM (a fresh document with its own pool allocator for every save).
//   peer_rapidjson            (in the save folder)
#include <rapidjson/document.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/peer_job.h"

namespace {

bool ReadWholeFile(const char* path, std::string* text) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    return false;
  }
  bool read = std::fseek(file, 0, SEEK_END) == 0;
  long size = read ? std::ftell(file) : -1;
  read = size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
  if (read) {
    text->resize(static_cast<std::size_t>(size));
    read = std::fread(text->data(), 1, text->size(), file) == text->size();
  }
  std::fclose(file);
  return read;
}

const rapidjson::Value* Find(const rapidjson::Value& object, const char* name) {
  for (const auto& member : object.GetObject()) {
    if (PeerNamesMatch(member.name.GetString(), member.name.GetStringLength(), name)) {
      return &member.value;
    }
  }
  return nullptr;
}

std::string Text(const rapidjson::Value& object, const char* name) {
  const rapidjson::Value* value = Find(object, name);
  return value != nullptr && value->IsString() ? value->GetString() : "";
}

bool ReadSave(const char* path, PeerSave* save) {
  std::string text;
  if (!ReadWholeFile(path, &text) || text.size() < 10) {
    return false;
  }
  rapidjson::Document document;
  document.Parse(text.c_str() + 3);  // behind the byte-order mark
  if (document.HasParseError()) {
    return false;
  }
  if (!document.IsObject()) {
    return true;
  }
  save->family_name = Text(document, "m_strPlayerLastName");
  save->given_name = Text(document, "m_strPlayerName");
  save->place = Text(document, "m_strSceneName");
  if (const rapidjson::Value* year = Find(document, "m_iYear"); year != nullptr) {
    auto whole = year->IsNumber() ? static_cast<long long>(year->GetDouble()) : year->IsTrue();
    save->year = static_cast<std::uint32_t>(whole);
  }
  if (const rapidjson::Value* icon = Find(document, "m_PlayerIconID");
      icon != nullptr && icon->IsString()) {
    save->icon = static_cast<std::uint32_t>(std::strtoul(icon->GetString(), nullptr, 10));
  }
  return true;
}

}  // namespace

int main() {
  return RunPeerJob(ReadSave);
}
