// Numbered file channels and the result file's cells.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace orvanel::textio {

// Marks the end of the data, distinct from every byte value.
inline constexpr int kEndOfData = -1;

// Channel 0 is the redirected standard input; files use channels 1 and up.
inline constexpr int kConsoleChannel = 0;
inline constexpr int kChannelCount = 8;

enum class ChannelMode { input, output };

// A file's bytes under the program's text rules: a CR LF pair reads as LF, a lone CR as CR,
// and a byte 26 (Ctrl-Z) ends the data without being consumed. The position counts the raw
// bytes consumed.
class TextStream {
 public:
  explicit TextStream(std::FILE* file = nullptr) : file_(file) {}

  // The next character, 0..255, or kEndOfData (from then on, for good).
  int next();

  bool ended() const { return ended_; }
  std::int64_t position() const { return position_; }

 private:
  int raw_next();
  void raw_unread(int c);

  std::FILE* file_;
  std::int64_t position_ = 0;
  bool ended_ = false;
};

struct Channel {
  ChannelMode mode = ChannelMode::input;
  std::FILE* stream = nullptr;
  TextStream text;                // input only
  std::int64_t size_at_open = 0;  // input only: the length measured at opening
  bool sized = false;             // input only: a regular file, whose length could be measured
  std::vector<int> put_back;      // input only: characters given back, most recent last
  bool write_failed = false;      // output only: some bytes did not reach the file
};

// The open channel with this number, or nullptr when it is closed or out of range.
Channel* find_channel(int channel);

// Opens the named file (the name is taken unchanged) on a closed channel; a channel already
// open is left as it is. A file that cannot be opened leaves the channel closed, silently.
void open_channel(int channel, const std::string& name, ChannelMode mode);

// Makes standard input the console channel, opened once and never closed.
void open_console_channel();

// Writes out the buffered bytes and closes the channel. Returns false when some output bytes
// could not be written; true for an input channel or a channel that was not open.
bool close_channel(int channel);

// Closes every file channel still open; run when the process ends.
void close_all_channels();

// Result-file cells: every cell but the last of a record is followed by ",", the last by CR LF.
// Writes to a channel that is not open do nothing.
void write_text_cell(int channel, std::string_view text, bool ends_record);
void write_integer_cell(int channel, std::int32_t value, bool ends_record);
void write_single_cell(int channel, float value, bool ends_record);

// A single-precision value with at most 7 significant digits ("%.7g"), zero of either sign as
// "0", and NaN, Inf and -Inf spelled out.
std::string single_cell_text(float value);

}  // namespace orvanel::textio
