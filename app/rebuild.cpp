#include "app/rebuild.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/console.h"
#include "app/messages.h"
#include "fs/fs.h"
#include "json/json.h"

namespace {

// Reads the save at path and parses the text behind its first three bytes (the
// byte-order mark, skipped unchecked). Null when it is too small, unreadable or not JSON.
JsonNode* ReadSave(const char* path) {
  std::uint64_t size = 0;
  QueryFileSize(path, &size);
  // Only the low 32 bits of the size count, as a 32-bit read takes them.
  auto size32 = static_cast<std::uint32_t>(size);
  if (size32 < kMinSaveFileSize) {
    return nullptr;
  }
  // A block of its own for every save, taken after the previous save's tree was given
  // back: the heap then lays the new tree out in one stretch, which a block kept from
  // save to save was measured to spoil.
  std::size_t block_size = std::size_t{size32} + 1;
  auto* text = static_cast<char*>(block_size != 0 ? std::malloc(block_size) : nullptr);
  if (text == nullptr) {
    return nullptr;  // too large to hold: the save cannot be used
  }
  // The parse sees only the bytes that arrived, up to the zero after them, as in a
  // zero-filled block, and at least the zero where the text behind the mark begins.
  std::uint32_t arrived = ReadFileStart(path, text, size32);
  std::memset(text + arrived, 0, arrived < kUtf8BomSize ? kUtf8BomSize + 1 - arrived : 1);
  JsonNode* save = JsonParseWith(text + kUtf8BomSize, nullptr, kSaveFieldNames);
  std::free(text);
  return save;
}

// The slot's entry: filled from a usable save, else empty. *filled tells which.
JsonNode* BuildSlotEntry(const char* save_path, int slot, bool* filled) {
  *filled = false;
  if (!NarrowPathExists(save_path)) {
    return NewEmptyTitleEntry();
  }
  JsonNode* save = ReadSave(save_path);
  if (save == nullptr) {
    ConsolePrint(kIncompleteMessage, slot);
    return NewEmptyTitleEntry();
  }
  char date_text[32] = "";
  FileDate date;
  if (QueryLastWriteDate(save_path, &date)) {
    std::snprintf(date_text, sizeof(date_text), "%04d/%02d/%02d", date.year, date.month, date.day);
  }
  JsonNode* entry = NewFilledTitleEntry(ReadSaveFields(save), date_text);
  JsonDestroy(save);
  *filled = entry != nullptr;
  return entry;
}

// Replaces the title file with the mark and text. Returns whether every step succeeded.
bool WriteTitleFile(const char* title_path, const char* text) {
  PathChar* native_path = ConvertPathToNative(title_path);
  if (native_path == nullptr) {
    return false;
  }
  FileHandle handle = CreateOutputFile(native_path);
  ReleaseNativePath(native_path);
  if (handle == kInvalidFileHandle) {
    return false;
  }
  bool written = WriteAtPosition(kUtf8Bom, handle, kUtf8BomSize, MoveMethod::kBegin) &&
                 WriteAtPosition(text, handle, std::strlen(text), MoveMethod::kCurrent);
  return CloseOutputFile(handle) && written;
}

}  // namespace

int RebuildTitleFile(const char* title_path, const char* save_directory, SaveKind kind,
                     int* title_written) {
  JsonNode* root = JsonNewArray();
  bool entries_complete = root != nullptr;
  int rebuilt = 0;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    char save_path[kPathBufferSize] = {};
    bool filled = false;
    JsonNode* entry = nullptr;
    if (FormatSavePath(save_path, sizeof(save_path), save_directory, kind, slot)) {
      entry = BuildSlotEntry(save_path, slot, &filled);
    } else {
      entry = NewEmptyTitleEntry();  // a path this long names no file the tool could open
    }
    entries_complete = entries_complete && entry != nullptr;
    if (entries_complete) {
      JsonAppendElement(root, entry);
    } else {
      JsonDestroy(entry);
    }
    if (filled) {
      ConsolePrint(kProcessingMessage, slot);
      ++rebuilt;
    }
  }
  // The text is printed before the file is touched: if memory runs out, the old title
  // file stays as it was rather than being left empty.
  char* text = entries_complete ? JsonPrint(root) : nullptr;
  JsonDestroy(root);
  bool written = text != nullptr && WriteTitleFile(title_path, text);
  if (text != nullptr) {
    JsonRelease(text);
  }
  if (!written) {
    ConsolePrint(kTitleWriteFailedMessage, title_path);
  }
  if (title_written != nullptr) {
    *title_written = written ? 1 : 0;
  }
  return rebuilt;
}
