// POSIX side of the terminal seam.
#include "platform/terminal.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace orvanel::platform {

void write_stdout(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

bool stdout_is_terminal() { return ::isatty(STDOUT_FILENO) == 1; }

bool stdin_is_terminal() { return ::isatty(STDIN_FILENO) == 1; }

void clear_terminal() {
  if (stdout_is_terminal()) write_stdout("\x1b[H\x1b[2J");
}

void wait_for_key_press() {
  if (!stdin_is_terminal()) return;
  char key = 0;
  while (::read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
  }
}

std::string edit_terminal_line() {
  std::string line;
  char c = 0;
  while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n' && c != '\r') line += c;
  return line;
}

}  // namespace orvanel::platform
