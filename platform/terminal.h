// The terminal seam: standard output bytes, terminal detection, clearing, key input and the
// line editor's raw keyboard. Everything above this layer is plain bytes.
#pragma once

#include <string>
#include <string_view>

namespace orvanel::platform {

// Writes every byte to standard output before returning. A write that fails (a closed pipe,
// a full disk) ends silently; the caller is never told. The text since the last line end is
// kept: it is the prompt that a line entry continues on the same row.
void write_stdout(std::string_view bytes);

bool stdout_is_terminal();
bool stdin_is_terminal();

// Blanks the terminal and homes the cursor; does nothing unless standard output is a terminal.
void clear_terminal();

// Returns after one key press on a terminal standard input, a whole escape sequence taken as
// one key; keys typed before the call count. SIGHUP and SIGTERM end the wait as well. Returns
// at once when standard input is not a terminal. The terminal's own mode is back afterwards.
void wait_for_key_press();

// Lets the user type and edit one line at the terminal and returns it, without its line end.
// Writes nothing for the Enter that ends it. Standard input must be a terminal. The terminal
// stays in key mode (no echo, keys one by one) until the key wait or the process ends, so that
// keys typed in between wait unseen; SIGINT, SIGTERM, SIGHUP and SIGQUIT give the terminal its
// own mode back before they end the process.
std::string edit_terminal_line();

}  // namespace orvanel::platform
