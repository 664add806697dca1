#include "app/rebuild.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/console.h"
#include "app/messages.h"
#include "json/json.h"

namespace {

// What became of one slot's save.
enum class SlotState { kMissing, kIncomplete, kFilled, kOutOfMemory };

// The block a pass reads its saves into, kept from save to save. A block of each save's
// own would come fresh from the system on Windows, whose heap hands blocks of more than
// about half a MiB (a MiB in 64-bit programs) straight to the system and back: every page
// of it would fault in anew, zeroed, for every save.
struct SaveBuffer {
  char* bytes = nullptr;
  std::size_t capacity = 0;
};

// At least size bytes in *buffer; null when they cannot be had. A block that is too small
// goes before the new one is asked for, so that the two are never held at once. The new
// one has a quarter more room, so that saves of about one size share it, without which
// glibc's heap left the old blocks of a pass in place beside the new (twice the memory);
// when that room cannot be had, it has the size alone, as a block of the save's own would.
char* ReserveSaveBuffer(SaveBuffer* buffer, std::size_t size) {
  if (size > buffer->capacity) {
    std::free(buffer->bytes);
    std::size_t roomy = size <= SIZE_MAX - size / 4 ? size + size / 4 : size;
    buffer->bytes = static_cast<char*>(std::malloc(roomy));
    if (buffer->bytes == nullptr) {
      roomy = size;
      buffer->bytes = static_cast<char*>(std::malloc(size));
    }
    buffer->capacity = buffer->bytes != nullptr ? roomy : 0;
  }
  return buffer->bytes;
}

// Reads the save at path and parses the text behind its first three bytes (the
// byte-order mark, skipped unchecked) into *save. kIncomplete when it is too small,
// unreadable or not JSON; kOutOfMemory when it cannot be held or parsed for lack of
// memory, which says nothing about the save.
SlotState ReadSave(const PathChar* path, SaveBuffer* buffer, JsonNode** save) {
  *save = nullptr;
  std::uint64_t size = 0;
  QueryFileSize(path, &size);
  // Only the low 32 bits of the size count, as a 32-bit read takes them.
  auto size32 = static_cast<std::uint32_t>(size);
  // At the largest 32-bit size the block for the text and its zero cannot be counted in
  // 32 bits, so the 32-bit product can never read such a save; no build reads it, so
  // that every build writes the same titles.
  if (size32 < kMinSaveFileSize || size32 == UINT32_MAX) {
    return SlotState::kIncomplete;
  }
  char* text = ReserveSaveBuffer(buffer, std::size_t{size32} + 1);
  if (text == nullptr) {
    return SlotState::kOutOfMemory;
  }
  // The parse sees only the bytes that arrived, up to the zero after them, as in a
  // zero-filled block, and at least the zero where the text behind the mark begins.
  std::uint32_t arrived = ReadFileStart(path, text, size32);
  std::memset(text + arrived, 0, arrived < kUtf8BomSize ? kUtf8BomSize + 1 - arrived : 1);
  JsonParseError error = JsonParseError::None;
  *save = JsonParseWith(text + kUtf8BomSize, &error, kSaveFieldNames);
  if (*save != nullptr) {
    return SlotState::kFilled;
  }
  return error == JsonParseError::OutOfMemory ? SlotState::kOutOfMemory : SlotState::kIncomplete;
}

// The slot's entry in *entry: filled from a usable save, else empty; null only with
// kOutOfMemory.
SlotState BuildSlotEntry(const PathChar* save_path, SaveBuffer* buffer, JsonNode** entry) {
  *entry = nullptr;
  if (!PathExists(save_path)) {
    *entry = NewEmptyTitleEntry();
    return *entry != nullptr ? SlotState::kMissing : SlotState::kOutOfMemory;
  }
  JsonNode* save = nullptr;
  SlotState state = ReadSave(save_path, buffer, &save);
  if (state == SlotState::kIncomplete) {
    *entry = NewEmptyTitleEntry();
  } else if (state == SlotState::kFilled) {
    char date_text[32] = "";
    FileDate date;
    if (QueryLastWriteDate(save_path, &date)) {
      std::snprintf(date_text, sizeof(date_text), "%04d/%02d/%02d", date.year, date.month,
                    date.day);
    }
    *entry = NewFilledTitleEntry(ReadSaveFields(save), date_text);
    JsonDestroy(save);
  }
  return *entry != nullptr ? state : SlotState::kOutOfMemory;
}

// Replaces the title file with the mark and the text; prints why when it cannot.
TitleOutcome WriteTitleFile(const PathChar* title_path, const char* text) {
  const ByteRange ranges[] = {{kUtf8Bom, kUtf8BomSize}, {text, std::strlen(text)}};
  if (!ReplaceOutputFile(title_path, ranges, 2)) {
    ConsolePrintPath(kTitleWriteFailedMessage, title_path);
    return TitleOutcome::kWriteFailed;
  }
  return TitleOutcome::kWritten;
}

}  // namespace

int RebuildTitleFile(const PathChar* title_path, const PathChar* save_directory, SaveKind kind,
                     TitleOutcome* outcome) {
  JsonNode* root = JsonNewArray();
  bool out_of_memory = root == nullptr;
  int rebuilt = 0;
  SaveBuffer buffer;
  for (int slot = 0; slot < kSlotCount && !out_of_memory; ++slot) {
    PathChar save_path[kPathBufferSize] = {};
    JsonNode* entry = nullptr;
    SlotState state = SlotState::kMissing;
    if (FormatSavePath(save_path, kPathBufferSize, save_directory, kind, slot)) {
      state = BuildSlotEntry(save_path, &buffer, &entry);
    } else {
      entry = NewEmptyTitleEntry();  // a path this long names no file the tool could open
      state = entry != nullptr ? SlotState::kMissing : SlotState::kOutOfMemory;
    }
    if (state == SlotState::kOutOfMemory) {
      out_of_memory = true;
      break;
    }
    if (state == SlotState::kIncomplete) {
      ConsolePrint(kIncompleteMessage, slot);
    }
    JsonAppendElement(root, entry);
    if (state == SlotState::kFilled) {
      ConsolePrint(kProcessingMessage, slot);
      ++rebuilt;
    }
  }
  std::free(buffer.bytes);
  // The text is printed before the file is touched: if memory runs out, the old title
  // file stays as it was.
  char* text = out_of_memory ? nullptr : JsonPrint(root);
  JsonDestroy(root);
  TitleOutcome result = TitleOutcome::kOutOfMemory;
  if (text == nullptr) {
    ConsolePrintPath(kOutOfMemoryMessage, title_path);
  } else {
    result = WriteTitleFile(title_path, text);
    JsonRelease(text);
  }
  if (outcome != nullptr) {
    *outcome = result;
  }
  return rebuilt;
}
