// Runs a program on a pseudo-terminal of its own, types at it and reads what it shows, with every
// wait bounded so that a program that hangs fails the test instead of stalling the suite.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "virtual_screen.h"

namespace orvanel::terminal_test {

struct PtyOptions {
  std::vector<std::string> arguments;  // the program first
  std::string directory = ".";
  std::vector<std::string> environment;  // NAME=value, added to the test's own
  unsigned short width = 80;
  std::string stdout_file;  // when set, standard output goes to this file, not the terminal
};

class PtySession {
 public:
  explicit PtySession(const PtyOptions& options);
  ~PtySession();
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  void type(std::string_view bytes);
  // Reads the program's output until `done` holds; false when the time ran out or the program
  // closed the terminal first.
  bool read_until(const std::function<bool()>& done);
  // Reads until the screen shows `text` at least `times` times.
  bool read_until_shown(std::string_view text, std::size_t times = 1);
  // Reads until the program has taken the terminal out of line mode, so that what is typed
  // next reaches it key by key and is not echoed by the terminal itself.
  bool read_until_key_mode();
  // Reads until the program sleeps in the kernel, waiting for input or for time to pass.
  bool read_until_asleep();
  // Reads until the program ends; its wait status, or nothing when it did not end in time.
  std::optional<int> wait_for_exit();
  // The terminal's width changes, and the screen model rewraps what it showed, as most
  // terminals do; the program is told by SIGWINCH.
  void resize(unsigned short width);
  void send_signal(int signal_number) const;
  // The mode the program left the terminal in.
  termios mode() const;

  const VirtualScreen& screen() const { return screen_; }
  const std::string& output() const { return output_; }

 private:
  // Takes what output is waiting, waiting at most `wait` for the first of it; false when
  // nothing came.
  bool read_some(std::chrono::milliseconds wait);

  pid_t pid_ = -1;
  int master_ = -1;
  bool exited_ = false;
  bool closed_ = false;
  std::string output_;
  VirtualScreen screen_;
};

// Counts the places `text` occurs in `in`.
std::size_t occurrences(std::string_view in, std::string_view text);

// The terminal is back in line mode with echo, signal keys and extended input processing.
void expect_terminal_mode_restored(const termios& mode);
// The program ends in time, with exit status 0.
void expect_exit_status_zero(PtySession& session);

}  // namespace orvanel::terminal_test
