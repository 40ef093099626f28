// Obtaining the run parameters: parameter-file mode and interactive mode.
#include "driver/run_parameters.h"

#include "textio/channels.h"
#include "textio/console.h"
#include "textio/console_prompt.h"
#include "textio/value_reader.h"

namespace orvanel::driver {
namespace {

using namespace orvanel::textio;

constexpr int kChannel = 1;

std::string group_label(int group) {
  return "Minimum number of objects in group #" + std::to_string(group) + ":";
}

RunParameters read_parameter_file(const std::string& name) {
  open_channel(kChannel, name, ChannelMode::input);
  RunParameters parameters;
  // Each value line follows a label line that is skipped whole.
  const auto next_value_line = [] {
    skip_whole_line(kChannel);
    select_input(kChannel);
  };
  next_value_line();
  parameters.matrix_file = read_text_value();
  next_value_line();
  // The dimension is taken as text and converted, so an exponent or a point is understood.
  parameters.n = round_to_int32(text_to_number(read_text_value()));
  next_value_line();
  parameters.min_n1 = read_integer_value();
  next_value_line();
  parameters.min_n2 = read_integer_value();
  next_value_line();
  parameters.permutations = read_integer_value();
  close_channel(kChannel);

  write_text("Dissimilarity matrix file name: " + parameters.matrix_file, true);
  write_text("Dissimilarity matrix dimension: ", false);
  write_integer(parameters.n, true);
  write_text(group_label(1), false);
  write_integer(parameters.min_n1, true);
  write_text(group_label(2), false);
  write_integer(parameters.min_n2, true);
  write_text("Number of permutations:", false);
  write_integer(parameters.permutations, true);
  write_line_end();
  return parameters;
}

std::int32_t ask_group_minimum(int group) {
  for (;;) {
    write_text("- minimum number of objects in group #" + std::to_string(group), false);
    write_text("? ", false);
    console_prompt("", false, true);
    const std::int32_t minimum = read_integer_value();
    if (minimum >= 1) return minimum;
    // Redirected input that has run out would ask forever.
    if (console_input_ended()) {
      write_text("Error: input ended before all parameters were given", true);
      end_process(0);
    }
  }
}

RunParameters ask_parameters() {
  RunParameters parameters;
  console_prompt("- dissimilarity matrix file name", true, true);
  parameters.matrix_file = read_text_value();
  console_prompt("- dissimilarity matrix dimension", true, true);
  parameters.n = read_integer_value();
  parameters.min_n1 = ask_group_minimum(1);
  parameters.min_n2 = ask_group_minimum(2);
  console_prompt("- number of permutations", true, true);
  parameters.permutations = read_integer_value();
  write_line_end();
  return parameters;
}

}  // namespace

std::string trim_blanks(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

RunParameters read_run_parameters(const std::string& command_text) {
  if (command_text.empty()) return ask_parameters();
  return read_parameter_file(trim_blanks(command_text));
}

}  // namespace orvanel::driver
