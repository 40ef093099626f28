// A small program over the terminal layer for the pseudo-terminal tests: "line" edits one line
// and shows what came back; "key" waits for a key, then tells the terminal's mode and what
// input the wait left behind; "line-job" runs "line" as a job that Ctrl+Z stops, reporting the
// terminal's mode at the stop and going on at once, as a shell's fg would.
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
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

void edit_line() {
  write_stdout("prompt> ");
  const std::string line = orvanel::platform::edit_terminal_line();
  write_stdout("\r\ngot[" + line + "]\r\n");
}

// The job gets a process group of its own in the foreground, so that a stop signal stops it;
// this process plays the shell, which the test's own process group could not.
int run_line_job() {
  std::signal(SIGTTOU, SIG_IGN);  // the shell hands the terminal around from the background
  const pid_t job = fork();
  if (job == 0) {
    setpgid(0, 0);
    tcsetpgrp(STDIN_FILENO, getpgrp());
    std::signal(SIGTTOU, SIG_DFL);
    edit_line();
    return 0;
  }
  setpgid(job, job);
  int status = 0;
  while (waitpid(job, &status, WUNTRACED) == job && WIFSTOPPED(status)) {
    tcsetpgrp(STDIN_FILENO, getpgrp());
    write_stdout("\r\nstopped" + mode_report() + "\r\n");
    tcsetpgrp(STDIN_FILENO, job);
    kill(job, SIGCONT);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  if (mode == "line") {
    edit_line();
  } else if (mode == "line-job") {
    return run_line_job();
  } else if (mode == "key") {
    write_stdout("press> ");
    orvanel::platform::wait_for_key_press();
    const std::string report = mode_report();
    write_stdout("\r\nwaited" + report + " left[" + leftover_input() + "]\r\n");
  }
  return 0;
}
