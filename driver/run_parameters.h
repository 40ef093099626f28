// The five parameters of a run, from a parameter file or from the keyboard.
#pragma once

#include <cstdint>
#include <string>

namespace orvanel::driver {

struct RunParameters {
  std::string matrix_file;  // used exactly as obtained
  std::int32_t n = 0;       // the number of objects
  std::int32_t min_n1 = 0;  // minimum number of objects in group 1
  std::int32_t min_n2 = 0;  // minimum number of objects in group 2
  std::int32_t permutations = 0;
};

// Non-empty command text names a parameter file (trimmed of blanks), read without questions
// and echoed; empty command text asks at the console, asking again for a group minimum below 1.
// A parameter file that cannot be opened gives empty and zero values. Ends the process when
// redirected standard input runs out before a valid group minimum.
RunParameters read_run_parameters(const std::string& command_text);

// The command text without the blanks (character 32 only) at either end.
std::string trim_blanks(const std::string& text);

}  // namespace orvanel::driver
