// Pseudo-terminal sessions for the terminal tests.
#include "pty_session.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>

namespace orvanel::terminal_test {
namespace {

// Generous, for sanitizer builds on a loaded machine; a passing test never waits this long.
constexpr std::chrono::seconds kPatience{20};
constexpr std::size_t kScreenHeight = 200;

using Clock = std::chrono::steady_clock;

[[noreturn]] void run_child(const PtyOptions& options) {
  if (::chdir(options.directory.c_str()) != 0) ::_exit(126);
  for (const std::string& setting : options.environment) {
    const std::size_t equals = setting.find('=');
    ::setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
  }
  if (!options.stdout_file.empty()) {
    const int file = ::open(options.stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (file < 0 || ::dup2(file, STDOUT_FILENO) < 0) ::_exit(126);
    ::close(file);
  }
  std::vector<char*> argv;
  for (const std::string& argument : options.arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

}  // namespace

std::size_t occurrences(std::string_view in, std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = in.find(text); at != std::string_view::npos; at = in.find(text, at + 1)) {
    ++count;
  }
  return count;
}

PtySession::PtySession(const PtyOptions& options) : screen_(options.width, kScreenHeight) {
  winsize size{};
  size.ws_col = options.width;
  size.ws_row = 24;
  pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
  if (pid_ == 0) run_child(options);
}

PtySession::~PtySession() {
  if (pid_ > 0 && !exited_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) ::close(master_);
}

void PtySession::type(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(master_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

bool PtySession::read_some(std::chrono::milliseconds wait) {
  if (closed_) return false;
  pollfd descriptor{master_, POLLIN, 0};
  if (::poll(&descriptor, 1, static_cast<int>(wait.count())) <= 0) return false;
  char buffer[4096];
  const ssize_t count = ::read(master_, buffer, sizeof buffer);
  if (count <= 0) {
    // Linux reports EIO once the program has closed its side.
    closed_ = count == 0 || errno != EINTR;
    return false;
  }
  const std::string_view bytes(buffer, static_cast<std::size_t>(count));
  output_ += bytes;
  screen_.feed(bytes);
  return true;
}

bool PtySession::read_until(const std::function<bool()>& done) {
  const auto deadline = Clock::now() + kPatience;
  while (!done()) {
    if (closed_ || Clock::now() >= deadline) return false;
    read_some(std::chrono::milliseconds(50));
  }
  return true;
}

bool PtySession::read_until_shown(std::string_view text, std::size_t times) {
  return read_until([&] { return occurrences(screen_.text(), text) >= times; });
}

bool PtySession::read_until_key_mode() {
  return read_until([&] { return (mode().c_lflag & ICANON) == 0; });
}

bool PtySession::read_until_asleep() {
  const std::string stat_file = "/proc/" + std::to_string(pid_) + "/stat";
  return read_until([&] {
    std::ifstream in(stat_file);
    std::string stat;
    std::getline(in, stat);
    // The state follows the command name, which is in parentheses and may hold any byte.
    const std::size_t name_end = stat.rfind(')');
    return name_end != std::string::npos && stat.compare(name_end, 3, ") S") == 0;
  });
}

std::optional<int> PtySession::wait_for_exit() {
  const auto deadline = Clock::now() + kPatience;
  while (Clock::now() < deadline) {
    read_some(std::chrono::milliseconds(20));
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      exited_ = true;
      while (read_some(std::chrono::milliseconds(0))) {
      }
      return status;
    }
  }
  return std::nullopt;
}

void PtySession::resize(unsigned short width) {
  VirtualScreen rewrapped(width, kScreenHeight);
  rewrapped.feed(output_);
  screen_ = rewrapped;
  winsize size{};
  size.ws_col = width;
  size.ws_row = 24;
  ::ioctl(master_, TIOCSWINSZ, &size);
}

void PtySession::send_signal(int signal_number) const { ::kill(pid_, signal_number); }

termios PtySession::mode() const {
  termios mode{};
  ::tcgetattr(master_, &mode);
  return mode;
}

void expect_terminal_mode_restored(const termios& mode) {
  const tcflag_t line_mode = ICANON | ECHO | IEXTEN | ISIG;
  EXPECT_EQ(mode.c_lflag & line_mode, line_mode);
}

void expect_exit_status_zero(PtySession& session) {
  const std::optional<int> status = session.wait_for_exit();
  ASSERT_TRUE(status.has_value()) << "still running; it showed:\n" << session.screen().text();
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "status " << *status;
}

}  // namespace orvanel::terminal_test
