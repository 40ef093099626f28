// Fuzz target: reading a parameter file of arbitrary bytes.
//
// Input: the parameter file's bytes.
#include <cstdint>
#include <string>

#include "driver/run_parameters.h"
#include "fuzz/common.h"
#include "textio/channels.h"

namespace {

using orvanel::driver::read_run_parameters;
using orvanel::driver::RunParameters;

constexpr std::size_t kValueLines = 10;

const orvanel::fuzz::ScratchDirectory scratch;

bool operator==(const RunParameters& a, const RunParameters& b) {
  return a.matrix_file == b.matrix_file && a.n == b.n && a.min_n1 == b.min_n1 &&
         a.min_n2 == b.min_n2 && a.permutations == b.permutations;
}

RunParameters read_file(const std::string& bytes) {
  const RunParameters parameters = read_run_parameters(scratch.write("parameters", bytes));
  // The file is closed again, whatever it held.
  FUZZ_CHECK(orvanel::textio::find_channel(1) == nullptr);
  return parameters;
}

// The bytes up to and including the tenth line end, or the empty text when the data (which a
// byte 26 ends) holds fewer line ends.
std::string first_ten_lines(const std::string& bytes) {
  std::size_t line_ends = 0;
  for (std::size_t k = 0; k < bytes.size() && bytes[k] != '\x1a'; ++k) {
    if (bytes[k] == '\n' && ++line_ends == kValueLines) return bytes.substr(0, k + 1);
  }
  return "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orvanel::fuzz::silence_standard_output();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const RunParameters parameters = read_file(bytes);
  FUZZ_CHECK(read_file(bytes) == parameters);
  // A text value ends at a line end and at a NUL, and holds at most 4096 characters.
  FUZZ_CHECK(parameters.matrix_file.size() <= 4096);
  FUZZ_CHECK(parameters.matrix_file.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
  // Each of the ten reads takes at most one line end, so nothing after the tenth is ever read.
  const std::string head = first_ten_lines(bytes);
  if (!head.empty()) {
    FUZZ_CHECK(read_file(head) == parameters);
    FUZZ_CHECK(read_file(head + "9\n,\"\r") == parameters);
  }
  return 0;
}
