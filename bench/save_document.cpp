#include "bench/save_document.h"

#include <string>
#include <vector>

namespace {

// splitmix64: small, fast, and the same sequence everywhere.
struct Random {
  std::uint64_t state;
  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  int Below(int bound) { return static_cast<int>(Next() % static_cast<std::uint64_t>(bound)); }
};

// Indented JSON as .NET serializers write it: one value per line, tabs, CRLF.
struct Writer {
  std::string out;
  std::vector<bool> has_items;  // per open container: whether it holds anything yet
  bool after_name = false;
};

void Prefix(Writer& w) {
  if (w.after_name) {
    w.after_name = false;
    return;
  }
  if (w.has_items.empty()) {
    return;
  }
  if (w.has_items.back()) {
    w.out += ',';
  }
  w.out += "\r\n";
  w.out.append(w.has_items.size(), '\t');
  w.has_items.back() = true;
}

void Name(Writer& w, const std::string& name) {
  Prefix(w);
  w.out += '"';
  w.out += name;
  w.out += "\": ";
  w.after_name = true;
}

void Raw(Writer& w, const std::string& text) {
  Prefix(w);
  w.out += text;
}

void Begin(Writer& w, char bracket) {
  Prefix(w);
  w.out += bracket;
  w.has_items.push_back(false);
}

void End(Writer& w, char bracket) {
  bool had_items = w.has_items.back();
  w.has_items.pop_back();
  if (had_items) {
    w.out += "\r\n";
    w.out.append(w.has_items.size(), '\t');
  }
  w.out += bracket;
}

void Member(Writer& w, const std::string& name, const std::string& text) {
  Name(w, name);
  Raw(w, text);
}

std::string Quote(const std::string& text) {
  return '"' + text + '"';
}

const char* const kSyllables[] = {"云", "风", "李", "王", "青", "龙", "剑", "月", "山", "水",
                                  "花", "雪", "慕", "容", "欧", "阳", "星", "河", "竹", "林"};

std::string ChineseName(Random& r) {
  std::string name;
  for (int i = 0, n = 2 + r.Below(3); i < n; ++i) {
    name += kSyllables[r.Below(20)];
  }
  return name;
}

// Decimals such as 0.35 or 12.5, as a serializer writes a float: shortest text, ".0"
// kept on whole values.
std::string Float(Random& r, int whole_bound) {
  int hundredths = r.Below(whole_bound * 100);
  std::string text = std::to_string(hundredths / 100) + '.';
  int fraction = hundredths % 100;
  if (fraction == 0) {
    return text + '0';
  }
  text += static_cast<char>('0' + fraction / 10);
  if (fraction % 10 != 0) {
    text += static_cast<char>('0' + fraction % 10);
  }
  return text;
}

std::string Integer(Random& r, std::uint64_t bound) {
  return std::to_string(r.Next() % bound);
}

std::string Bool(Random& r) {
  return r.Below(2) != 0 ? "true" : "false";
}

// Dialogue as saves keep it: quotes, backslashes, line breaks and a few \u escapes.
std::string JournalLine(Random& r) {
  static const char* const kParts[] = {
      "He said \\\"wait for me\\\" and left.", "Path: C:\\\\Games\\\\Lanternfall",
      "Line one\\nLine two",                   "\\t(indented)",
      "\\u5170\\u4e91 came back",              "A/B \\/ C",
  };
  std::string line = ChineseName(r) + ": ";
  for (int i = 0, n = 1 + r.Below(3); i < n; ++i) {
    line += kParts[r.Below(6)];
    line += ' ';
    line += ChineseName(r);
  }
  return Quote(line);
}

void Inventory(Writer& w, Random& r) {
  Begin(w, '[');
  for (int i = 0; i < 40; ++i) {
    Begin(w, '{');
    Member(w, "m_iItemID", Integer(r, 100000));
    Member(w, "m_iCount", std::to_string(1 + r.Below(99)));
    Member(w, "m_strName", Quote(ChineseName(r)));
    Member(w, "m_fDurability", Float(r, 1));
    Member(w, "m_fWeight", Float(r, 50));
    Member(w, "m_bEquipped", Bool(r));
    Name(w, "m_Affixes");
    Begin(w, '[');
    for (int j = 0, n = r.Below(4); j < n; ++j) {
      Raw(w, Integer(r, 5000));
    }
    End(w, ']');
    End(w, '}');
  }
  End(w, ']');
}

void FlagMap(Writer& w, Random& r) {
  Begin(w, '{');
  for (int i = 0; i < 150; ++i) {
    std::string name = "flag_" + std::to_string(r.Below(100000));
    Member(w, name, r.Below(4) == 0 ? Integer(r, 10) : Bool(r));
  }
  End(w, '}');
}

void Characters(Writer& w, Random& r) {
  Begin(w, '[');
  for (int i = 0; i < 4; ++i) {
    Begin(w, '{');
    Member(w, "m_strName", Quote(ChineseName(r)));
    Member(w, "m_iLevel", std::to_string(1 + r.Below(99)));
    Member(w, "m_iExp", Integer(r, 2147483648u));
    Name(w, "m_Attributes");
    Begin(w, '{');
    for (const char* attribute : {"m_iStr", "m_iAgi", "m_iCon", "m_iInt", "m_iLuck"}) {
      Member(w, attribute, std::to_string(r.Below(300)));
    }
    End(w, '}');
    Name(w, "m_Skills");
    Begin(w, '[');
    for (int j = 0; j < 6; ++j) {
      Begin(w, '{');
      Member(w, "m_iSkillID", Integer(r, 10000));
      Member(w, "m_iLevel", std::to_string(r.Below(10)));
      Member(w, "m_fCooldown", Float(r, 30));
      End(w, '}');
    }
    End(w, ']');
    Name(w, "m_Position");
    Begin(w, '{');
    Member(w, "x", Float(r, 2000));
    Member(w, "y", Float(r, 100));
    Member(w, "z", Float(r, 2000));
    End(w, '}');
    Name(w, "m_Status");
    Begin(w, '{');
    Name(w, "m_Buffs");
    Begin(w, '[');
    for (int j = 0, n = r.Below(3); j < n; ++j) {
      Begin(w, '{');
      Member(w, "m_iBuffID", Integer(r, 500));
      Member(w, "m_fRemaining", Float(r, 120));
      End(w, '}');
    }
    End(w, ']');
    Member(w, "m_strMood", Quote(r.Below(2) != 0 ? "平静" : "愤怒"));
    End(w, '}');
    End(w, '}');
  }
  End(w, ']');
}

void Path(Writer& w, Random& r) {
  Begin(w, '[');
  for (int i = 0; i < 200; ++i) {
    Raw(w, r.Below(2) != 0 ? Float(r, 1000) : Integer(r, 2147483648u));
  }
  End(w, ']');
}

void Journal(Writer& w, Random& r) {
  Begin(w, '[');
  for (int i = 0; i < 20; ++i) {
    Raw(w, JournalLine(r));
  }
  End(w, ']');
}

}  // namespace

std::string MakeSaveDocument(std::size_t target_size, std::uint64_t seed) {
  Random r{seed};
  Writer w;
  w.out.reserve(target_size + 16384);
  w.out = "\xEF\xBB\xBF";
  Begin(w, '{');
  Member(w, "m_strPlayerLastName", Quote("慕容"));
  Member(w, "m_strPlayerName", Quote(ChineseName(r)));
  Member(w, "m_strSceneName", Quote("落星湖"));
  Member(w, "m_iYear", std::to_string(1 + r.Below(30)));
  Member(w, "m_PlayerIconID", Quote(std::to_string(r.Below(60))));
  void (*const sections[])(Writer&, Random&) = {Inventory, FlagMap, Characters, Path, Journal};
  const char* const names[] = {"m_Inventory", "m_Flags", "m_Party", "m_Path", "m_Journal"};
  for (int i = 0; w.out.size() < target_size; ++i) {
    Name(w, names[i % 5] + std::to_string(i / 5));
    sections[i % 5](w, r);
  }
  End(w, '}');
  return w.out;
}
