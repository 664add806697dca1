#include "app/console.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/message_utf8.h"
#include "app/messages.h"

namespace {

// The message's UTF-8 form in out (capacity bytes); the message itself when it cannot
// be converted, so that nothing is lost.
const char* ToUtf8(const char* cp936, char* out, std::size_t capacity) {
  return MessageToUtf8(cp936, out, capacity) ? out : cp936;
}

// Writes text to the descriptor, standard output's through the C library's buffer.
void Write(int fd, const char* text) {
  if (fd == STDOUT_FILENO) {
    std::fputs(text, stdout);
    std::fflush(stdout);
    return;
  }
  std::size_t left = std::strlen(text);
  while (fd >= 0 && left > 0) {
    ssize_t written = write(fd, text, left);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return;
    }
    text += written;
    left -= static_cast<std::size_t>(written);
  }
}

}  // namespace

void ConsoleSetTitle(const char* ascii_title) {
  if (isatty(STDOUT_FILENO)) {
    std::printf("\033]0;%s\007", ascii_title);
    std::fflush(stdout);
  }
}

void ConsolePrint(const char* cp936_format, ...) {
  char utf8[2048];  // the longest message, the help, takes about 700 bytes as UTF-8
  const char* format = ToUtf8(cp936_format, utf8, sizeof(utf8));
  va_list arguments;
  va_start(arguments, cp936_format);
  std::vprintf(format, arguments);
  va_end(arguments);
  std::fflush(stdout);
}

void ConsolePrintPath(const char* cp936_format, const PathChar* path) {
  ConsolePrint(cp936_format, path);  // POSIX paths are bytes: shown as they are
}

void ConsolePause() {
  if (!isatty(STDIN_FILENO)) {
    return;  // never wait in a script or a pipe
  }
  // The key is pressed at the terminal, so the prompt goes there, even when standard
  // output is a file: the terminal must not wait with nothing shown.
  int screen = STDOUT_FILENO;
  const char* terminal = isatty(STDOUT_FILENO) ? nullptr : ttyname(STDIN_FILENO);
  if (terminal != nullptr) {
    screen = open(terminal, O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (screen < 0) {
      screen = STDOUT_FILENO;  // a prompt in the output beats none at all
    }
  }
  // One key, unechoed, from before the prompt shows: a key pressed as it appears would
  // otherwise be echoed by the terminal.
  termios saved;
  bool raw = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (raw) {
    termios one_key = saved;
    one_key.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    one_key.c_cc[VMIN] = 1;
    one_key.c_cc[VTIME] = 0;
    raw = tcsetattr(STDIN_FILENO, TCSANOW, &one_key) == 0;
  }
  char utf8[128];
  Write(screen, ToUtf8(kPausePrompt, utf8, sizeof(utf8)));
  char key;
  while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
  }
  if (raw) {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  }
  Write(screen, "\n");
  if (screen != STDOUT_FILENO) {
    close(screen);
  }
}

void ConsoleExit(int status) {
  std::fflush(stdout);
  std::exit(status);
}
