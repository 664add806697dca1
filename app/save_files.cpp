#include "app/save_files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

namespace {

const char* SaveNamePattern(SaveKind kind) {
  return kind == SaveKind::Automatic ? "AutomaticDSave%d.Save" : "Save%d.Save";
}

const char* TitleName(SaveKind kind) {
  return kind == SaveKind::Automatic ? "SaveAutomaticDTitle.SaveTitle" : "SaveTitle.SaveTitle";
}

const char* StringMember(const JsonNode* save, const char* name) {
  const JsonNode* member = JsonFindMember(save, name);
  if (member == nullptr || JsonTypeOf(member) != JsonType::String ||
      member->stringValue == nullptr) {
    return "";
  }
  return member->stringValue;
}

// Adds a member, remembering whether every node so far could be made.
void Add(JsonNode* entry, const char* name, JsonNode* value, bool* complete) {
  if (value == nullptr || entry == nullptr) {
    *complete = false;
    JsonDestroy(value);
    return;
  }
  JsonAppendMember(entry, name, value);
  if (value->memberName == nullptr ||
      (JsonTypeOf(value) == JsonType::String && value->stringValue == nullptr)) {
    *complete = false;
  }
}

JsonNode* Finish(JsonNode* entry, bool complete) {
  if (!complete) {
    JsonDestroy(entry);
    return nullptr;
  }
  return entry;
}

}  // namespace

FolderStatus FindSaveDirectory(const PathChar* folder, PathChar* out) {
  using Units = std::char_traits<PathChar>;
  // Room for the folder and the longer of the two patterns.
  PathChar pattern[kPathBufferSize + 32];
  constexpr std::size_t kPatternUnits = sizeof(pattern) / sizeof(pattern[0]);
  PathChar found[kPathBufferSize];
  if (JoinPath(pattern, kPatternUnits, folder, "config/SaveData/*.Save") && PathExists(pattern)) {
    if (!JoinPath(found, kPathBufferSize, folder, "config/SaveData")) {
      return FolderStatus::kTooLong;
    }
  } else if (JoinPath(pattern, kPatternUnits, folder, "*.Save") && PathExists(pattern)) {
    std::size_t length = Units::length(folder);
    if (length >= kPathBufferSize) {
      return FolderStatus::kTooLong;
    }
    Units::copy(found, folder, length + 1);
  } else {
    return FolderStatus::kUnknown;
  }
  // The automatic title's name is the longer one.
  PathChar title[kPathBufferSize];
  if (!FormatTitlePath(title, kPathBufferSize, found, SaveKind::Automatic)) {
    return FolderStatus::kTooLong;
  }
  Units::copy(out, found, Units::length(found) + 1);
  return FolderStatus::kFound;
}

int FormatSavePath(PathChar* out, std::size_t capacity, const PathChar* save_directory,
                   SaveKind kind, int slot) {
  char name[32];
  std::snprintf(name, sizeof(name), SaveNamePattern(kind), slot);
  return JoinPath(out, capacity, save_directory, name);
}

int FormatTitlePath(PathChar* out, std::size_t capacity, const PathChar* save_directory,
                    SaveKind kind) {
  return JoinPath(out, capacity, save_directory, TitleName(kind));
}

std::uint32_t ParseIconNumber(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) {
    ++text;
  }
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') {
    ++text;
  }
  std::uint64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + static_cast<std::uint64_t>(*text - '0');
    if (value > 0xFFFFFFFFu) {
      return 0xFFFFFFFFu;  // out of range: ULONG_MAX, whatever the sign
    }
  }
  auto result = static_cast<std::uint32_t>(value);
  return negative ? 0u - result : result;
}

SaveFields ReadSaveFields(const JsonNode* save) {
  SaveFields fields = {};
  fields.family_name = StringMember(save, "m_strPlayerLastName");
  fields.given_name = StringMember(save, "m_strPlayerName");
  fields.place = StringMember(save, "m_strSceneName");
  if (const JsonNode* year = JsonFindMember(save, "m_iYear"); year != nullptr) {
    fields.year = static_cast<std::uint32_t>(static_cast<std::uint64_t>(year->integerValue));
  }
  if (const JsonNode* icon = JsonFindMember(save, "m_PlayerIconID");
      icon != nullptr && JsonTypeOf(icon) == JsonType::String && icon->stringValue != nullptr) {
    fields.icon = ParseIconNumber(icon->stringValue);
  }
  return fields;
}

JsonNode* NewFilledTitleEntry(const SaveFields& fields, const char* date_text) {
  // The joined name is as long as the two parts: no cut, however long they are.
  std::size_t family_length = std::strlen(fields.family_name);
  std::size_t given_length = std::strlen(fields.given_name);
  auto* joined = static_cast<char*>(std::malloc(family_length + given_length + 1));
  if (joined == nullptr) {
    return nullptr;
  }
  std::memcpy(joined, fields.family_name, family_length);
  std::memcpy(joined + family_length, fields.given_name, given_length + 1);

  bool complete = true;
  JsonNode* entry = JsonNewObject();
  Add(entry, "m_bHaveData", JsonNewTrue(), &complete);
  Add(entry, "m_strPlayerName", JsonNewString(joined), &complete);
  Add(entry, "m_strPlaceName", JsonNewString(fields.place), &complete);
  Add(entry, "m_strTime", JsonNewString(""), &complete);
  Add(entry, "m_strYear", JsonNewNumber(fields.year), &complete);
  Add(entry, "m_strMonth", JsonNewString(""), &complete);
  Add(entry, "m_strPlayerIconName", JsonNewNumber(fields.icon), &complete);
  Add(entry, "m_strTrueTime", JsonNewString("1"), &complete);
  Add(entry, "m_strTrueYear", JsonNewString(date_text), &complete);
  std::free(joined);
  return Finish(entry, complete);
}

JsonNode* NewEmptyTitleEntry() {
  bool complete = true;
  JsonNode* entry = JsonNewObject();
  Add(entry, "m_bHaveData", JsonNewFalse(), &complete);
  for (const char* name : {"m_strPlayerName", "m_strPlaceName", "m_strTime", "m_strYear",
                           "m_strMonth", "m_strPlayerIconName"}) {
    Add(entry, name, JsonNewString(""), &complete);
  }
  Add(entry, "m_strTrueTime", JsonNewNull(), &complete);
  Add(entry, "m_strTrueYear", JsonNewNull(), &complete);
  return Finish(entry, complete);
}
