// Fuzz target: the value reader over arbitrary file bytes, with an operation sequence taken from
// the input (value reads of the three kinds, whole-line reads, end-of-file tests, closing and
// reopening, a typed line as the source).
//
// Input: one byte L, then L operation bytes, then the file's bytes.
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/common.h"
#include "textio/channels.h"
#include "textio/value_reader.h"

namespace {

using namespace orvanel::textio;
using orvanel::fuzz::FuzzInput;

constexpr int kChannel = 1;
constexpr std::size_t kTextLimit = 4096;

const orvanel::fuzz::ScratchDirectory scratch;

std::string float_bits(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return std::to_string(bits);
}

// Runs the operations from a fresh start and returns every result as text, so that two runs
// can be compared byte for byte. Checks the rules that hold after every single operation.
std::string run_operations(const std::string& path, const std::string& operations,
                           const std::string& bytes) {
  set_text_source("");
  open_channel(kChannel, path, ChannelMode::input);
  // Whether the current source is a channel that has been closed since it was chosen: its
  // reads then find the end of the data at once.
  bool source_closed = false;
  bool source_is_line = true;
  const auto choose_channel = [&] {
    if (select_input(kChannel) != kStatusOk) return;
    source_is_line = false;
    source_closed = false;
  };
  std::string trace;
  for (const char operation : operations) {
    const auto code = static_cast<unsigned char>(operation);
    const bool open = find_channel(kChannel) != nullptr;
    switch (code % 8) {
      case 0: {
        choose_channel();
        const std::string text = read_text_value();
        FUZZ_CHECK(text.size() <= kTextLimit);
        FUZZ_CHECK(text.find_first_of(std::string("\n\0", 2)) == std::string::npos);
        if (source_closed) FUZZ_CHECK(text.empty());
        trace.append("t").append(text);
        break;
      }
      case 1: {
        choose_channel();
        const std::int32_t value = read_integer_value();
        if (source_closed) FUZZ_CHECK(value == 0);
        trace.append("i").append(std::to_string(value));
        break;
      }
      case 2: {
        choose_channel();
        const float value = read_single_value();
        if (source_closed) FUZZ_CHECK(float_bits(value) == "0");
        trace.append("s").append(float_bits(value));
        break;
      }
      case 3: {
        std::string line = "unchanged";
        const int status = read_whole_line(kChannel, line);
        FUZZ_CHECK((status == kStatusNotOpen) == !open);
        FUZZ_CHECK(status == kStatusOk || status == kStatusNotOpen || status == kStatusNoData);
        if (status == kStatusNotOpen) FUZZ_CHECK(line == "unchanged");
        trace.append("l").append(std::to_string(status)).append(line);
        break;
      }
      case 4: {
        const int status = at_end_of_file(kChannel);
        FUZZ_CHECK(open ? (status == -1 || status == 0) : status == 1);
        trace.append("e").append(std::to_string(status));
        break;
      }
      case 5:
        close_channel(kChannel);
        open_channel(kChannel, path, ChannelMode::input);
        // A source that named this channel reads the reopened file.
        source_closed = false;
        trace += "r";
        break;
      case 6:
        close_channel(kChannel);
        if (!source_is_line) source_closed = true;
        trace += "c";
        break;
      default:
        // The file's bytes from an offset, as a typed line.
        set_text_source(bytes.substr(std::min<std::size_t>(code / 8u, bytes.size())));
        source_is_line = true;
        source_closed = false;
        trace += "x";
        break;
    }
    trace += '\n';
  }
  close_channel(kChannel);
  set_text_source("");
  return trace;
}

// The file's bytes as the text rules deliver them: nothing from a byte 26 on, CR LF as LF.
std::string delivered_text(const std::string& bytes) {
  const std::string data = bytes.substr(0, bytes.find('\x1a'));
  std::string text;
  for (std::size_t k = 0; k < data.size(); ++k) {
    if (data[k] == '\r' && k + 1 < data.size() && data[k + 1] == '\n') continue;
    text += data[k];
  }
  return text;
}

std::string without_final_cr(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The whole-line reads of a fresh channel, taken from the delivered text at once: every LF ends
// a line and drops one CR before it; the rest ends with the data (a final CR counts as a line end).
std::vector<std::pair<int, std::string>> expected_lines(const std::string& bytes) {
  const std::string text = delivered_text(bytes);
  std::vector<std::pair<int, std::string>> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    lines.emplace_back(kStatusOk, without_final_cr(text.substr(start, end - start)));
    start = end + 1;
  }
  const std::string rest = text.substr(start);
  if (!rest.empty() && rest.back() == '\r') lines.emplace_back(kStatusOk, without_final_cr(rest));
  lines.emplace_back(kStatusNoData, rest.empty() || rest.back() == '\r' ? "" : rest);
  return lines;
}

void check_whole_lines(const std::string& path, const std::string& bytes) {
  const std::vector<std::pair<int, std::string>> want = expected_lines(bytes);
  open_channel(kChannel, path, ChannelMode::input);
  for (const auto& [status, line] : want) {
    std::string got;
    FUZZ_CHECK(read_whole_line(kChannel, got) == status);
    FUZZ_CHECK(got == line);
  }
  close_channel(kChannel);
}

// The counting pass: a read, then the end-of-file test. Every read before the end consumes at
// least one byte, so a regular file of b bytes ends after at most b + 1 reads; integer and
// single reads scan alike, so both kinds count the same.
template <typename Read>
std::size_t count_values(const std::string& path, Read read, std::size_t bound) {
  open_channel(kChannel, path, ChannelMode::input);
  std::size_t count = 0;
  do {
    select_input(kChannel);
    read();
    ++count;
    FUZZ_CHECK(count <= bound);
  } while (at_end_of_file(kChannel) == 0);
  close_channel(kChannel);
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::string operations = input.take_bytes(input.take_byte());
  const std::string bytes = input.take_rest();
  const std::string path = scratch.write("values", bytes);

  const std::string first = run_operations(path, operations, bytes);
  FUZZ_CHECK(run_operations(path, operations, bytes) == first);
  check_whole_lines(path, bytes);
  const std::size_t singles = count_values(path, read_single_value, bytes.size() + 1);
  FUZZ_CHECK(count_values(path, read_integer_value, bytes.size() + 1) == singles);
  return 0;
}
