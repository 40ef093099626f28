// Console prompts over the terminal's line editor, or redirected standard input.
#include "textio/console_prompt.h"

#include "platform/terminal.h"
#include "textio/console.h"
#include "textio/value_reader.h"

namespace orvanel::textio {

void console_prompt(std::string_view prompt, bool question, bool new_line) {
  if (!platform::stdin_is_terminal()) {
    select_console_input();
    return;
  }
  write_text(prompt, false);
  if (question) write_text("? ", false);
  std::string line = edit_console_line();
  if (new_line) write_line_end();
  set_text_source(std::move(line));
}

std::string edit_console_line() { return platform::edit_terminal_line(); }

}  // namespace orvanel::textio
