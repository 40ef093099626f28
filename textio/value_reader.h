// Free-format values from a file channel, redirected standard input or a typed line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvanel::textio {

// Value reads take their characters from one current source, shared by the whole process:
// a channel, or a line of text with a read index. At start-up it is an empty line.
//
// A value ends at a comma or a line end (numbers also at a blank or tab) and may be enclosed in
// double quotes; a read past the end of the data yields empty text or 0.

// Statuses of the channel operations.
inline constexpr int kStatusOk = 0;
inline constexpr int kStatusNotOpen = 1;
inline constexpr int kStatusNoData = 3;

// Makes an open channel the current source (its pending characters stay pending) and returns
// kStatusOk; leaves the source as it was and returns kStatusNotOpen for a closed channel.
int select_input(int channel);

// Makes redirected standard input the current source.
void select_console_input();

// True once a read of redirected standard input has met the end of its data.
bool console_input_ended();

// Makes a typed line the current source, read from its start.
void set_text_source(std::string line);

std::string read_text_value();
std::int32_t read_integer_value();
float read_single_value();

// Reads the channel's next line, without its LF or a CR before it, straight from the stream
// (pending characters stay pending; the current source is not changed). Returns kStatusOk;
// kStatusNoData when the data ended before a line end (the target then holds what was read);
// kStatusNotOpen, leaving the target unchanged, for a closed channel.
int read_whole_line(int channel, std::string& target);

// Consumes the channel's next line as read_whole_line does, keeping none of it, so a line of any
// length costs no memory. Returns the same statuses.
int skip_whole_line(int channel);

// -1 when the channel's data is at its end (no pending character, and the end was met or the
// position reached the length measured at opening), 0 when not, 1 when the channel is not open.
// A channel that is not a regular file has no length and is always at its end.
int at_end_of_file(int channel);

// Leading blanks skipped; "&H", "&O" or "&B" (either case) start a 32-bit radix number; else the
// longest decimal number at the start (sign, point and exponent allowed), 0 when there is none.
double text_to_number(std::string_view text);

// The nearest 32-bit integer, halves to even; -2147483648 for NaN or a value outside the range.
std::int32_t round_to_int32(double value);

}  // namespace orvanel::textio
