// Questions at the console: a prompt, one typed line, and that line as the source of values.
#pragma once

#include <string>
#include <string_view>

namespace orvanel::textio {

// Shows the prompt (and "? " after it when `question`), lets the user type and edit one line,
// ends it with CR LF when `new_line`, and makes the line the source of the value read that
// follows. When standard input is not a terminal nothing is shown or written, and the value
// read takes the next value of the standard input stream instead.
void console_prompt(std::string_view prompt, bool question, bool new_line);

// One line typed and edited at the terminal, without its line end.
std::string edit_console_line();

}  // namespace orvanel::textio
