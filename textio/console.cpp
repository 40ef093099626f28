// Screen output through the terminal seam, and the end of the process.
#include "textio/console.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/terminal.h"
#include "textio/channels.h"

namespace orvanel::textio {

void prepare_output() {
  for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (fcntl(stream, F_GETFD) != -1) continue;
    // The lowest free number is the one just found closed.
    open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

void write_text(std::string_view text, bool ends_line) {
  if (!ends_line) {
    platform::write_stdout(text);
    return;
  }
  std::string line(text);
  line += kLineEnd;
  platform::write_stdout(line);
}

void write_line_end() { platform::write_stdout(kLineEnd); }

void write_integer(std::int32_t value, bool ends_line) {
  char text[16];
  const int length = std::snprintf(text, sizeof text, "% d", value);
  write_text(std::string_view(text, static_cast<std::size_t>(length)), ends_line);
}

void clear_screen() { platform::clear_terminal(); }

void wait_for_key() { platform::wait_for_key_press(); }

void end_process(int status) {
  close_all_channels();
  std::fflush(nullptr);
  std::exit(status);
}

}  // namespace orvanel::textio
