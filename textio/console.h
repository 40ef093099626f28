// Screen output and the end of the process.
#pragma once

#include <cstdint>
#include <string_view>

namespace orvanel::textio {

// Every line the program shows ends in CR LF, on a terminal and in redirected output alike.
inline constexpr std::string_view kLineEnd = "\r\n";

// Readies the process for output that fails. Opens /dev/null on each standard stream (input,
// output, error) that is closed, so that no file the program opens takes its number: with
// standard output closed, the screen text would otherwise land in the result file. And makes a
// write to a closed pipe, or past the process's file size limit, fail like one on a full disk,
// instead of ending the process: the run goes on and still ends with status 0.
void prepare_output();

// Writes the bytes as they are, then CR LF when `ends_line`. Unbuffered: the bytes have left
// the process when it returns. A failing write ends silently.
void write_text(std::string_view text, bool ends_line);
void write_line_end();
// The value as the C format "% d" gives it: a blank before zero or a positive value.
void write_integer(std::int32_t value, bool ends_line);

// Blanks the terminal and homes the cursor; nothing when standard output is not a terminal.
void clear_screen();
// Returns after one key press at the terminal; at once when standard input is not a terminal.
void wait_for_key();

// Closes every file channel still open, writing out its buffered bytes, and ends the process.
[[noreturn]] void end_process(int status);

}  // namespace orvanel::textio
