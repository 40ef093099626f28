// The free-format value reader.
#include "textio/value_reader.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "textio/channels.h"

namespace orvanel::textio {
namespace {

constexpr std::size_t kNumberLimit = 22;
constexpr std::size_t kTextLimit = 4096;
// A number value longer than this is converted in 64 bits.
constexpr std::size_t kNarrowLimit = 11;

// The current source: a channel when `channel` is set, otherwise the line.
struct InputSource {
  int channel = -1;
  std::string line;
  std::size_t index = 0;
};

InputSource source;

int next_char() {
  if (source.channel >= 0) {
    Channel* open = find_channel(source.channel);
    if (open == nullptr) return kEndOfData;
    if (!open->put_back.empty()) {
      const int c = open->put_back.back();
      open->put_back.pop_back();
      return c;
    }
    return open->text.next();
  }
  if (source.index >= source.line.size()) return kEndOfData;
  return static_cast<unsigned char>(source.line[source.index++]);
}

void put_back(int c) {
  if (c == kEndOfData) return;
  if (source.channel >= 0) {
    if (Channel* open = find_channel(source.channel)) open->put_back.push_back(c);
  } else if (source.index > 0) {
    --source.index;
  }
}

bool is_blank(int c) { return c == ' ' || c == '\t'; }

// After a value: blanks and tabs, then at most one comma or line end are consumed; anything
// else is left to begin the next value.
void separator_step(int c) {
  while (is_blank(c)) c = next_char();
  if (c == '\n' || c == ',' || c == kEndOfData) return;
  if (c == '\r') {
    const int following = next_char();
    if (following != '\n') put_back(following);
    return;
  }
  put_back(c);
}

enum class ValueKind { number, text };

struct ScannedValue {
  std::string characters;
  bool saw_point = false;
};

ScannedValue scan_value(ValueKind kind, std::size_t limit) {
  ScannedValue value;
  bool quoting = false;
  int c = next_char();
  while (is_blank(c)) c = next_char();
  for (;;) {
    if (c == kEndOfData) break;
    if (c == '\n') break;
    if (c == '\r') {
      const int following = next_char();
      if (following != '\n') put_back(following);
      break;
    }
    if (c == '"') {
      if (quoting) {
        quoting = false;
        if (kind == ValueKind::text) {
          separator_step(next_char());
          break;
        }
        c = next_char();
        continue;
      }
      if (value.characters.empty()) {
        quoting = true;
        c = next_char();
        continue;
      }
    } else if (!quoting) {
      if (c == ',') break;
      if (is_blank(c) && kind == ValueKind::number) {
        separator_step(c);
        break;
      }
    }
    if (c == '.') value.saw_point = true;
    value.characters += static_cast<char>(c);
    if (value.characters.size() == limit) {
      separator_step(next_char());
      break;
    }
    c = next_char();
  }
  // A NUL byte ends the value's text.
  const std::size_t nul = value.characters.find('\0');
  if (nul != std::string::npos) value.characters.resize(nul);
  return value;
}

// Digits after an "&H", "&O" or "&B" prefix, wrapping in the width of Accumulator. Every
// character counts as a digit.
template <typename Accumulator>
Accumulator radix_value(std::string_view digits, int base) {
  Accumulator accumulator = 0;
  for (const char ch : digits) {
    int digit = static_cast<unsigned char>(ch) - '0';
    if (base == 16 && digit > 9) {
      digit = static_cast<unsigned char>(ch) - 55;
      if (digit > 16) digit -= 32;
    }
    accumulator = static_cast<Accumulator>(accumulator * static_cast<Accumulator>(base) +
                                           static_cast<Accumulator>(digit));
  }
  return accumulator;
}

// The base of a radix prefix at the start of the text, or 0 when there is none.
int radix_base(std::string_view text) {
  if (text.size() < 2 || text[0] != '&') return 0;
  switch (text[1]) {
    case 'H':
    case 'h':
      return 16;
    case 'O':
    case 'o':
      return 8;
    case 'B':
    case 'b':
      return 2;
    default:
      return 0;
  }
}

std::string_view skip_blanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

bool is_c_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Leading white space, an optional sign, then decimal digits, saturating at the 64-bit limits.
std::int64_t decimal_value(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && is_c_space(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  std::uint64_t magnitude = 0;
  const std::uint64_t limit =
      negative ? std::uint64_t{1} << 63 : std::numeric_limits<std::int64_t>::max();
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    const auto digit = static_cast<std::uint64_t>(text[at] - '0');
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
  }
  if (!negative) return static_cast<std::int64_t>(magnitude);
  return magnitude == limit ? std::numeric_limits<std::int64_t>::min()
                            : -static_cast<std::int64_t>(magnitude);
}

// Whole-number conversion of a value without a decimal point: a radix number wraps in 32 bits
// (64 bits for a long value); a decimal number is read in 64 bits.
std::int64_t whole_value(std::string_view text, bool wide) {
  text = skip_blanks(text);
  if (text.empty()) return 0;
  if (const int base = radix_base(text)) {
    return wide ? static_cast<std::int64_t>(radix_value<std::uint64_t>(text.substr(2), base))
                : static_cast<std::int32_t>(radix_value<std::uint32_t>(text.substr(2), base));
  }
  const std::int64_t value = decimal_value(text);
  return wide ? value : static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

double c_strtod(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// Consumes the channel's next line through its LF; `line`, when given, receives its bytes
// without the LF and without a CR before it. A CR right before the end of the data ends the line
// in the same way.
int consume_line(Channel& open, std::string* line) {
  int last = kEndOfData;
  for (;;) {
    const int c = open.text.next();
    if (c == '\n' || c == kEndOfData) {
      const bool ends_in_cr = last == '\r';
      if (line != nullptr && ends_in_cr) line->pop_back();
      return c == '\n' || ends_in_cr ? kStatusOk : kStatusNoData;
    }
    if (line != nullptr) *line += static_cast<char>(c);
    last = c;
  }
}

}  // namespace

int select_input(int channel) {
  if (find_channel(channel) == nullptr) return kStatusNotOpen;
  source.channel = channel;
  source.line.clear();
  source.index = 0;
  return kStatusOk;
}

void select_console_input() {
  open_console_channel();
  select_input(kConsoleChannel);
}

bool console_input_ended() {
  const Channel* console = find_channel(kConsoleChannel);
  return console != nullptr && console->put_back.empty() && console->text.ended();
}

void set_text_source(std::string line) {
  source.channel = -1;
  source.line = std::move(line);
  source.index = 0;
}

std::string read_text_value() { return scan_value(ValueKind::text, kTextLimit).characters; }

std::int32_t read_integer_value() {
  const ScannedValue value = scan_value(ValueKind::number, kNumberLimit);
  if (value.saw_point) return round_to_int32(text_to_number(value.characters));
  // The low 32 bits of the 64-bit result, read as signed.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(
      whole_value(value.characters, value.characters.size() > kNarrowLimit)));
}

float read_single_value() {
  const ScannedValue value = scan_value(ValueKind::number, kNumberLimit);
  if (value.saw_point) return static_cast<float>(c_strtod(value.characters));
  return static_cast<float>(whole_value(value.characters, value.characters.size() > kNarrowLimit));
}

int read_whole_line(int channel, std::string& target) {
  Channel* open = find_channel(channel);
  if (open == nullptr) return kStatusNotOpen;
  std::string line;
  const int status = consume_line(*open, &line);
  target = std::move(line);
  return status;
}

int skip_whole_line(int channel) {
  Channel* open = find_channel(channel);
  return open == nullptr ? kStatusNotOpen : consume_line(*open, nullptr);
}

int at_end_of_file(int channel) {
  const Channel* open = find_channel(channel);
  if (open == nullptr) return 1;
  // A file without a length (a device such as /dev/zero, a pipe) would otherwise keep a loop
  // going for as long as it yields bytes, or for ever while a character stays pending.
  if (!open->sized) return -1;
  if (!open->put_back.empty()) return 0;
  if (open->text.ended() || open->text.position() >= open->size_at_open) return -1;
  return 0;
}

double text_to_number(std::string_view text) {
  text = skip_blanks(text);
  if (text.empty()) return 0.0;
  if (const int base = radix_base(text)) {
    return static_cast<std::int32_t>(radix_value<std::uint32_t>(text.substr(2), base));
  }
  return c_strtod(std::string(text));
}

std::int32_t round_to_int32(double value) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(rounded);
}

}  // namespace orvanel::textio
