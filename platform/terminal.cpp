// POSIX side of the terminal seam: termios modes, signals, key input and the line editor's loop.
#include "platform/terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <optional>

#include "platform/key_decoder.h"
#include "platform/line_editor.h"

namespace orvanel::platform {
namespace {

constexpr int kEditorPollMs = 25;
constexpr int kKeyWaitPollMs = 50;
// How long the rest of an escape sequence may take before a lone Esc is taken as the Esc key.
constexpr int kEscapeSequenceMs = 100;
constexpr std::size_t kFallbackWidth = 80;

// The terminal's mode before the first key was taken, read by the signal handlers. The key
// mode stays from the first entry to the end of the key wait, so that keys typed during the
// computation are neither echoed into the table nor held back as an unfinished line.
termios original_mode;
termios key_mode;
bool session_started = false;
volatile std::sig_atomic_t key_mode_on = 0;
volatile std::sig_atomic_t in_key_wait = 0;
volatile std::sig_atomic_t key_wait_ended = 0;
volatile std::sig_atomic_t resized = 0;
volatile std::sig_atomic_t continued = 0;

// What stands on the cursor's row since the last line end: the prompt the line continues.
std::string row_text;

void write_all(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void remember_row_text(std::string_view bytes) {
  const std::size_t line_end = bytes.find_last_of("\r\n");
  if (line_end == std::string_view::npos) {
    row_text += bytes;
  } else {
    row_text.assign(bytes.substr(line_end + 1));
  }
}

void install_handler(int signal_number, void (*handler)(int)) {
  struct sigaction previous {};
  ::sigaction(signal_number, nullptr, &previous);
  if (previous.sa_handler == SIG_IGN) return;  // started under nohup or the like: keep it so
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(signal_number, &action, nullptr);
}

// Async-signal-safe: tcsetattr is.
void restore_mode() {
  if (key_mode_on == 0) return;
  ::tcsetattr(STDIN_FILENO, TCSANOW, &original_mode);
  key_mode_on = 0;
}

void on_ending_signal(int signal_number) {
  if (in_key_wait != 0 && (signal_number == SIGHUP || signal_number == SIGTERM)) {
    key_wait_ended = 1;
    return;
  }
  restore_mode();
  // The signal is blocked until the handler returns; then its default action ends the process.
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

void on_resize(int) { resized = 1; }

// Ctrl+Z: the shell gets the terminal back in the mode it knows, and the key mode returns when
// the process goes on (a shell may have changed the mode meanwhile, hence also on SIGCONT).
void on_stop(int signal_number) {
  const int saved_errno = errno;
  if (key_mode_on != 0) ::tcsetattr(STDIN_FILENO, TCSANOW, &original_mode);
  std::signal(signal_number, SIG_DFL);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, signal_number);
  ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  std::raise(signal_number);  // stopped here until continued
  install_handler(signal_number, on_stop);
  if (key_mode_on != 0) ::tcsetattr(STDIN_FILENO, TCSANOW, &key_mode);
  errno = saved_errno;
}

void on_continue(int) {
  const int saved_errno = errno;
  if (key_mode_on != 0) ::tcsetattr(STDIN_FILENO, TCSANOW, &key_mode);
  continued = 1;
  errno = saved_errno;
}

void enter_key_mode() {
  if (!session_started) {
    if (::tcgetattr(STDIN_FILENO, &original_mode) != 0) return;
    session_started = true;
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
      install_handler(signal_number, on_ending_signal);
    }
    key_mode = original_mode;
    key_mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);  // ISIG stays: Ctrl+C
    key_mode.c_cc[VMIN] = 1;
    key_mode.c_cc[VTIME] = 0;
    install_handler(SIGWINCH, on_resize);
    install_handler(SIGTSTP, on_stop);
    install_handler(SIGCONT, on_continue);
    std::atexit(restore_mode);
  }
  // TCSANOW, not TCSAFLUSH: keys typed ahead are the user's answers and must stay.
  if (::tcsetattr(STDIN_FILENO, TCSANOW, &key_mode) == 0) key_mode_on = 1;
}

std::size_t terminal_width() {
  winsize size{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return kFallbackWidth;
}

enum class Input { kReady, kTimeout, kInterrupted, kGone };

Input wait_for_input(int timeout_ms) {
  pollfd descriptor{STDIN_FILENO, POLLIN, 0};
  const int result = ::poll(&descriptor, 1, timeout_ms);
  if (result < 0) return errno == EINTR ? Input::kInterrupted : Input::kGone;
  if (result == 0) return Input::kTimeout;
  return (descriptor.revents & POLLIN) != 0 ? Input::kReady : Input::kGone;
}

// Takes the bytes of one whole key, one read at a time so that nothing after it is consumed.
// While no key is coming, `keep_waiting` runs between polls; its false ends the wait. Empty
// when the wait ended that way or the terminal is gone.
template <typename KeepWaiting>
std::optional<Key> next_key(int poll_ms, KeepWaiting keep_waiting) {
  KeyDecoder decoder;
  for (;;) {
    if (!decoder.pending() && !keep_waiting()) return std::nullopt;
    switch (wait_for_input(decoder.pending() ? kEscapeSequenceMs : poll_ms)) {
      case Input::kReady: {
        unsigned char byte = 0;
        const ssize_t count = ::read(STDIN_FILENO, &byte, 1);
        if (count == 1) {
          if (const auto key = decoder.feed(byte)) return key;
        } else if (count == 0 || errno != EINTR) {
          return std::nullopt;
        }
        break;
      }
      case Input::kTimeout:
        if (decoder.pending()) return decoder.expire();
        break;
      case Input::kInterrupted:
        break;
      case Input::kGone:
        return std::nullopt;
    }
  }
}

}  // namespace

void write_stdout(std::string_view bytes) {
  write_all(bytes);
  remember_row_text(bytes);
}

bool stdout_is_terminal() { return ::isatty(STDOUT_FILENO) == 1; }

bool stdin_is_terminal() { return ::isatty(STDIN_FILENO) == 1; }

void clear_terminal() {
  if (!stdout_is_terminal()) return;
  write_all("\x1b[H\x1b[2J");
  row_text.clear();
}

void wait_for_key_press() {
  if (!stdin_is_terminal()) return;
  key_wait_ended = 0;
  in_key_wait = 1;  // before the mode changes, so that a signal from then on ends the wait
  enter_key_mode();
  next_key(kKeyWaitPollMs, [] { return key_wait_ended == 0; });
  in_key_wait = 0;
  restore_mode();
}

std::string edit_terminal_line() {
  // Without a terminal to draw on, the output gets only the finished line, as a screen shows it.
  const bool echo = stdout_is_terminal();
  enter_key_mode();
  LineEditor editor(row_text, terminal_width());
  continued = 0;
  const auto show = [&] {
    const std::string bytes = editor.take_output();
    if (echo) write_all(bytes);
  };
  const auto follow_screen = [&] {
    if (continued != 0) {
      continued = 0;
      resized = 0;
      editor.redraw_on_fresh_row(terminal_width());
    } else if (resized != 0) {
      resized = 0;
      const std::size_t width = terminal_width();
      if (width != editor.width()) editor.resize(width);
    }
    show();
    return true;
  };
  show();
  while (!editor.entered()) {
    const auto key = next_key(kEditorPollMs, follow_screen);
    follow_screen();  // a resize signalled while the key came in applies before the key
    if (!key) break;
    editor.press(*key);
    show();
  }
  if (echo) {
    remember_row_text(editor.line());
  } else {
    write_stdout(editor.line());
  }
  return editor.line();
}

}  // namespace orvanel::platform
