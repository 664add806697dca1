#include "bench/peer_job.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int kSlots = 20;

void AppendQuoted(std::string* out, const std::string& text) {
  *out += '"';
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    const char* escape = std::strchr("\"\\\b\f\n\r\t", c);
    if (byte != 0 && escape != nullptr) {
      *out += '\\';
      *out += "\"\\bfnrt"[escape - "\"\\\b\f\n\r\t"];
    } else if (byte < 0x20) {
      char hex[8];
      std::snprintf(hex, sizeof(hex), "\\u%04x", byte);
      *out += hex;
    } else {
      *out += c;
    }
  }
  *out += '"';
}

void AppendMember(std::string* out, const char* name, const std::string& value, bool last) {
  *out += "\t\t\"";
  *out += name;
  *out += "\":\t";
  *out += value;
  *out += last ? "\n" : ",\n";
}

std::string Quoted(const std::string& text) {
  std::string out;
  AppendQuoted(&out, text);
  return out;
}

void AppendEmptyEntry(std::string* out) {
  *out += "{\n";
  AppendMember(out, "m_bHaveData", "false", false);
  for (const char* name : {"m_strPlayerName", "m_strPlaceName", "m_strTime", "m_strYear",
                           "m_strMonth", "m_strPlayerIconName"}) {
    AppendMember(out, name, "\"\"", false);
  }
  AppendMember(out, "m_strTrueTime", "null", false);
  AppendMember(out, "m_strTrueYear", "null", true);
  *out += "\t}";
}

std::string DateText(const char* path) {
  struct stat info {};
  std::tm local{};
  if (stat(path, &info) != 0 || localtime_r(&info.st_mtime, &local) == nullptr) {
    return "";
  }
  char text[32];
  std::snprintf(text, sizeof(text), "%04d/%02d/%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday);
  return text;
}

void AppendFilledEntry(std::string* out, const PeerSave& save, const std::string& date) {
  *out += "{\n";
  AppendMember(out, "m_bHaveData", "true", false);
  AppendMember(out, "m_strPlayerName", Quoted(save.family_name + save.given_name), false);
  AppendMember(out, "m_strPlaceName", Quoted(save.place), false);
  AppendMember(out, "m_strTime", "\"\"", false);
  AppendMember(out, "m_strYear", std::to_string(save.year), false);
  AppendMember(out, "m_strMonth", "\"\"", false);
  AppendMember(out, "m_strPlayerIconName", std::to_string(save.icon), false);
  AppendMember(out, "m_strTrueTime", "\"1\"", false);
  AppendMember(out, "m_strTrueYear", Quoted(date), true);
  *out += "\t}";
}

bool RebuildTitle(const char* save_pattern, const char* title_path,
                  bool (*read_save)(const char*, PeerSave*)) {
  std::string text = "\xEF\xBB\xBF[";
  for (int slot = 0; slot < kSlots; ++slot) {
    char path[64];
    std::snprintf(path, sizeof(path), save_pattern, slot);
    text += slot == 0 ? "" : ", ";
    struct stat info {};
    PeerSave save;
    if (stat(path, &info) != 0) {
      AppendEmptyEntry(&text);
    } else if (!read_save(path, &save)) {
      std::printf("save %d is incomplete\n", slot);
      AppendEmptyEntry(&text);
    } else {
      std::printf("save %d\n", slot);
      AppendFilledEntry(&text, save, DateText(path));
    }
  }
  text += ']';
  std::FILE* file = std::fopen(title_path, "wb");
  if (file == nullptr) {
    return false;
  }
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

bool PeerNamesMatch(const char* a, std::size_t a_length, const char* b) {
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  std::size_t i = 0;
  for (; i < a_length && b[i] != '\0'; ++i) {
    if (fold(a[i]) != fold(b[i])) {
      return false;
    }
  }
  return i == a_length && b[i] == '\0';
}

int RunPeerJob(bool (*read_save)(const char* path, PeerSave* save)) {
  bool automatic =
      RebuildTitle("AutomaticDSave%d.Save", "SaveAutomaticDTitle.SaveTitle", read_save);
  bool manual = RebuildTitle("Save%d.Save", "SaveTitle.SaveTitle", read_save);
  return automatic && manual ? 0 : 1;
}
