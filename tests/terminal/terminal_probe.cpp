// A small program over the terminal layer for the pseudo-terminal tests: "line" edits one line
// and shows what came back; "key" waits for a key, then tells the terminal's mode and what
// input the wait left behind.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/terminal.h"

namespace {

using orvanel::platform::write_stdout;

std::string mode_report() {
  termios mode{};
  tcgetattr(STDIN_FILENO, &mode);
  std::string report;
  if ((mode.c_lflag & ICANON) != 0) report += " icanon";
  if ((mode.c_lflag & ECHO) != 0) report += " echo";
  return report;
}

// Reads in key mode what is still waiting; the bytes in hexadecimal.
std::string leftover_input() {
  termios original{};
  tcgetattr(STDIN_FILENO, &original);
  termios raw = original;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  std::string hex;
  pollfd descriptor{STDIN_FILENO, POLLIN, 0};
  unsigned char byte = 0;
  // A wait that stopped inside an escape sequence would leave its rest right behind it.
  while (poll(&descriptor, 1, 200) > 0 && read(STDIN_FILENO, &byte, 1) == 1) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", byte);
    hex += digits;
  }
  tcsetattr(STDIN_FILENO, TCSANOW, &original);
  return hex;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  if (mode == "line") {
    write_stdout("prompt> ");
    const std::string line = orvanel::platform::edit_terminal_line();
    write_stdout("\r\ngot[" + line + "]\r\n");
  } else if (mode == "key") {
    write_stdout("press> ");
    orvanel::platform::wait_for_key_press();
    const std::string report = mode_report();
    write_stdout("\r\nwaited" + report + " left[" + leftover_input() + "]\r\n");
  }
  return 0;
}
