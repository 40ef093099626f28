// File channels: opening and closing, the text rules of reading, and the result-file cells.
#include "textio/channels.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <optional>

namespace orvanel::textio {
namespace {

constexpr int kCarriageReturn = '\r';
constexpr int kLineFeed = '\n';
constexpr int kEndOfFileMark = 26;
constexpr std::size_t kBufferSize = 8192;

std::array<std::optional<Channel>, kChannelCount> channels;

std::optional<Channel>* slot(int channel) {
  if (channel < 0 || channel >= kChannelCount) return nullptr;
  return &channels[static_cast<std::size_t>(channel)];
}

void write_cell(int channel, std::string_view bytes, bool ends_record) {
  Channel* open = find_channel(channel);
  if (open == nullptr || open->mode != ChannelMode::output) return;
  std::string cell(bytes);
  cell += ends_record ? "\r\n" : ",";
  if (std::fwrite(cell.data(), 1, cell.size(), open->stream) != cell.size()) {
    open->write_failed = true;
  }
}

// A character device (/dev/zero, a terminal) holds no text and may never end: it gives no data,
// as an empty file would.
TextStream text_stream(std::FILE* stream, bool character_device) {
  return TextStream(character_device ? nullptr : stream);
}

}  // namespace

int TextStream::raw_next() {
  const int c = std::getc(file_);
  if (c != EOF) ++position_;
  return c;
}

void TextStream::raw_unread(int c) {
  std::ungetc(c, file_);
  --position_;
}

int TextStream::next() {
  if (ended_ || file_ == nullptr) {
    ended_ = true;
    return kEndOfData;
  }
  const int c = raw_next();
  if (c == EOF || c == kEndOfFileMark) {
    if (c == kEndOfFileMark) raw_unread(c);
    ended_ = true;
    return kEndOfData;
  }
  if (c == kCarriageReturn) {
    const int following = raw_next();
    if (following == kLineFeed) return kLineFeed;
    if (following != EOF) raw_unread(following);
  }
  return c;
}

Channel* find_channel(int channel) {
  std::optional<Channel>* found = slot(channel);
  return found != nullptr && found->has_value() ? &found->value() : nullptr;
}

void open_channel(int channel, const std::string& name, ChannelMode mode) {
  static const bool hooked = std::atexit(close_all_channels) == 0;
  (void)hooked;
  std::optional<Channel>* target = slot(channel);
  if (target == nullptr || channel == kConsoleChannel || target->has_value()) return;
  // Binary mode: the text rules of reading are the program's own, and output line ends are
  // written as CR LF explicitly.
  std::FILE* stream = std::fopen(name.c_str(), mode == ChannelMode::input ? "rb" : "wb");
  if (stream == nullptr) return;
  std::setvbuf(stream, nullptr, _IOFBF, kBufferSize);
  Channel& opened = target->emplace();
  opened.mode = mode;
  opened.stream = stream;
  if (mode == ChannelMode::input) {
    struct stat status {};
    const bool known = fstat(fileno(stream), &status) == 0;
    opened.text = text_stream(stream, known && S_ISCHR(status.st_mode));
    // Only a regular file has a length; a pipe, a device or a directory has none, and the
    // end-of-file test then ends a read loop after its first read.
    if (known && S_ISREG(status.st_mode) && std::fseek(stream, 0, SEEK_END) == 0) {
      const long size = std::ftell(stream);
      opened.sized = size >= 0;
      opened.size_at_open = opened.sized ? size : 0;
      std::fseek(stream, 0, SEEK_SET);
    }
  }
}

void open_console_channel() {
  std::optional<Channel>* console = slot(kConsoleChannel);
  if (console->has_value()) return;
  Channel& opened = console->emplace();
  opened.mode = ChannelMode::input;
  opened.stream = stdin;
  struct stat status {};
  opened.text = text_stream(stdin, fstat(STDIN_FILENO, &status) == 0 && S_ISCHR(status.st_mode));
}

bool close_channel(int channel) {
  std::optional<Channel>* target = slot(channel);
  if (target == nullptr || !target->has_value() || channel == kConsoleChannel) return true;
  Channel& open = target->value();
  const bool output = open.mode == ChannelMode::output;
  bool complete = !open.write_failed;
  if (output && std::fflush(open.stream) != 0) complete = false;
  if (std::fclose(open.stream) != 0 && output) complete = false;
  target->reset();
  return complete;
}

void close_all_channels() {
  for (int channel = 1; channel < kChannelCount; ++channel) close_channel(channel);
}

void write_text_cell(int channel, std::string_view text, bool ends_record) {
  std::string cell = "\"";
  cell += text;
  cell += '"';
  write_cell(channel, cell, ends_record);
}

void write_integer_cell(int channel, std::int32_t value, bool ends_record) {
  write_cell(channel, std::to_string(value), ends_record);
}

void write_single_cell(int channel, float value, bool ends_record) {
  write_cell(channel, single_cell_text(value), ends_record);
}

std::string single_cell_text(float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Inf" : "-Inf";
  if (value == 0.0f) return "0";
  char text[32];
  const int length = std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
  return std::string(text, static_cast<std::size_t>(length));
}

}  // namespace orvanel::textio
