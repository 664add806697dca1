// The save and title files: their names, what the tool takes from a save, and the
// title file's entries.
#ifndef SAVETITLE_APP_SAVE_FILES_H_
#define SAVETITLE_APP_SAVE_FILES_H_

#include <cstddef>
#include <cstdint>

#include "fs/fs.h"
#include "json/json.h"

// Each kind of save has this many slots, numbered 0 to 19.
inline constexpr int kSlotCount = 20;

// A save file of fewer bytes than this is incomplete and is not parsed.
inline constexpr std::uint64_t kMinSaveFileSize = 10;

// The UTF-8 byte-order mark that opens every save file and every title file.
inline constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
inline constexpr std::size_t kUtf8BomSize = 3;

// The automatic slots ("AutomaticDSave%d.Save", "SaveAutomaticDTitle.SaveTitle") and the
// manual ones ("Save%d.Save", "SaveTitle.SaveTitle").
enum class SaveKind { Manual = 0, Automatic = 1 };

// Where the saves of folder lie, written into out (kPathBufferSize units): its
// config/SaveData folder when that holds an entry named "*.Save" (folder is the game
// folder), else folder itself when it holds one (it is the save folder). kUnknown when
// neither does; kTooLong when the title files' paths there would not fit kPathBufferSize.
FolderStatus FindSaveDirectory(const PathChar* folder, PathChar* out);

// Formats the save file path of a slot, save_directory + separator + file name, into
// out (capacity units). Returns 1, or 0 when it does not fit (out then holds no path).
int FormatSavePath(PathChar* out, std::size_t capacity, const PathChar* save_directory,
                   SaveKind kind, int slot);

// Formats the title file path of a kind into out; 1, or 0 when it does not fit.
int FormatTitlePath(PathChar* out, std::size_t capacity, const PathChar* save_directory,
                    SaveKind kind);

// What a title entry takes from one parsed save. The texts are borrowed from the tree.
struct SaveFields {
  const char* family_name;  // m_strPlayerLastName; "" when missing or not a String
  const char* given_name;   // m_strPlayerName; "" when missing or not a String
  const char* place;        // m_strSceneName; "" when missing or not a String
  std::uint32_t year;       // m_iYear's integer, low 32 bits; 0 when missing
  std::uint32_t icon;       // m_PlayerIconID's digits; 0 when missing or not a String
};

// Reads the five members from a parsed save (any JSON value; lookups in a non-Object
// simply find nothing). Member names match without regard to ASCII letter case.
SaveFields ReadSaveFields(const JsonNode* save);

// The names ReadSaveFields looks up, ending in a null: a save's parse builds no others.
inline constexpr const char* kSaveFieldNames[] = {"m_strPlayerLastName", "m_strPlayerName",
                                                  "m_strSceneName", "m_iYear",
                                                  "m_PlayerIconID", nullptr};

// The text converted as strtoul with base 10 does where unsigned long has 32 bits:
// leading whitespace and one sign skipped, digits up to the first other byte, a minus
// negating modulo 2^32, and 4294967295 for a value beyond 32 bits.
std::uint32_t ParseIconNumber(const char* text);

// A filled title entry for a parsed save: family and given name joined, the place, the
// year, the icon, and date_text ("%04d/%02d/%02d", or "" when unknown). Returns a new
// Object owned by the caller, or null when memory runs out (nothing is then left).
JsonNode* NewFilledTitleEntry(const SaveFields& fields, const char* date_text);

// An empty title entry, for a slot without a usable save; null when memory runs out.
JsonNode* NewEmptyTitleEntry();

#endif  // SAVETITLE_APP_SAVE_FILES_H_
