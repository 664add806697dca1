#include "app/message_utf8.h"

#include <string>

#include "app/messages.h"
#include "gtest/gtest.h"

namespace {

TEST(MessageUtf8Test, ConvertsWhatFitsAndFailsEmpty) {
  struct Case {
    const char* cp936;
    std::size_t capacity;
    const char* utf8;  // null: the conversion fails
  };
  const Case cases[] = {
      {kPausePrompt, 64, "请按任意键继续. . ."},
      {"", 1, ""},
      {"ab", 3, "ab"},
      {"ab", 2, nullptr},
      {"a\xc7\xeb", 5, "a请"},
      {"a\xc7\xeb", 4, nullptr},        // the character's three bytes do not fit
      {"\xd7\xe3\xa1\xa3", 7, "足。"},  // the table's last and first characters
      {"\xc7", 8, nullptr},             // a first byte without its second
      {"\xa1\xa1", 8, nullptr},         // a character no message uses
      {"\xa1\xa2", 8, nullptr},
      {"\xd7\xe4", 8, nullptr},
  };
  for (const Case& c : cases) {
    char out[64] = "stale";
    EXPECT_EQ(MessageToUtf8(c.cp936, out, c.capacity), c.utf8 != nullptr ? 1 : 0) << c.cp936;
    EXPECT_EQ(std::string(out), c.utf8 != nullptr ? c.utf8 : "") << c.cp936;
  }
}

TEST(MessageUtf8Test, KnowsEveryCharacterOfTheMessages) {
  const char* const messages[] = {
      kInstructionMessage,   kAutomaticStartMessage,
      kAutomaticDoneMessage, kManualStartMessage,
      kManualDoneMessage,    kProcessingMessage,
      kIncompleteMessage,    kTitleWriteFailedMessage,
      kOutOfMemoryMessage,   kPathTooLongMessage,
      kUsageMessage,         kTwoFoldersMessage,
      kUnknownOptionMessage, kNoSuchFolderMessage,
      kPausePrompt,
  };
  for (const char* message : messages) {
    char out[2048];
    EXPECT_EQ(MessageToUtf8(message, out, sizeof(out)), 1) << message;
  }
}

}  // namespace
