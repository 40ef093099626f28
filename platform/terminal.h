// The terminal seam: standard output bytes, terminal detection, clearing, key input and the
// line editor's raw keyboard. Everything above this layer is plain bytes.
#pragma once

#include <string>
#include <string_view>

namespace orvanel::platform {

// Writes every byte to standard output before returning. A write that fails (a closed pipe,
// a full disk) ends silently; the caller is never told.
void write_stdout(std::string_view bytes);

bool stdout_is_terminal();
bool stdin_is_terminal();

// Blanks the terminal and homes the cursor; does nothing unless standard output is a terminal.
void clear_terminal();

// Returns after one key press on a terminal standard input; at once when standard input is not
// a terminal.
void wait_for_key_press();

// Lets the user type and edit one line at the terminal and returns it, without its line end.
// Standard input must be a terminal.
std::string edit_terminal_line();

}  // namespace orvanel::platform
