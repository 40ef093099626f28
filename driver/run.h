// The run: parameters, loading, ranking, the split-point scan and the summary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "stats/random_source.h"

namespace orvanel::driver {

// The command-line arguments after the program's name, joined with single blanks.
std::string join_arguments(int argc, const char* const* argv);

// The value of ORVANEL_SEED: an optional sign and decimal digits within the 32-bit range.
std::optional<std::int32_t> parse_seed(std::string_view text);

// Seeds the random source from ORVANEL_SEED when it is set, otherwise from the whole seconds of
// a steady clock, and discards one draw. A seed that is not a 32-bit whole number shows a
// message and ends the process.
void seed_random(stats::RandomSource& random);

// Runs the whole program and ends the process with status 0.
[[noreturn]] void run(int argc, const char* const* argv);

}  // namespace orvanel::driver
