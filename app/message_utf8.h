// The tool's messages in UTF-8, for the POSIX console. The messages are code page 936
// bytes (app/messages.h); this knows only the characters they use, so that the tool
// needs none of the C library's conversion modules: a statically linked program finds
// them only where its own C library's build put them, and on most distributions they
// lie elsewhere or belong to another version.
#ifndef SAVETITLE_APP_MESSAGE_UTF8_H_
#define SAVETITLE_APP_MESSAGE_UTF8_H_

#include <cstddef>

// Writes the UTF-8 form of the code page 936 text into out (capacity bytes, at least 1,
// the ending zero included) and returns 1. Returns 0, with out holding the empty text, when the
// text has a character no message uses, or the result does not fit.
int MessageToUtf8(const char* cp936, char* out, std::size_t capacity);

#endif  // SAVETITLE_APP_MESSAGE_UTF8_H_
