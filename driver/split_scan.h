// The split-point scan: every split "first n1 objects against the rest", in scan order.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "driver/run_parameters.h"
#include "stats/random_source.h"
#include "stats/square_matrix.h"

namespace orvanel::driver {

// The values of one split: one table row and one result record.
struct SplitResult {
  std::int32_t n1 = 0;
  std::int32_t n2 = 0;
  float mrb = 0.0f;
  float mrw = 0.0f;
  float r = 0.0f;
  std::int64_t hits = 0;  // permutations whose R reaches the observed R
  long double p = 0.0L;   // hits / permutations
};

// How the scan uses the machine. The results never depend on it.
struct ScanSettings {
  std::int32_t threads = 0;  // worker threads; 0: ORVANEL_THREADS when valid, else every core
  std::int64_t chunk_permutations = 0;  // permutations per unit of work; 0: chosen per scan
};

// The value of ORVANEL_THREADS: a whole number from 1 to 1024 (decimal digits only). Anything
// else is not a thread count, and the variable is then ignored.
std::optional<std::int32_t> parse_thread_count(std::string_view text);

// ORVANEL_THREADS when set to a valid count, otherwise the number of cores (at least 1).
std::int32_t default_thread_count();

// Evaluates the splits n1 = min_n1, min_n1 + 1, ... while n2 = n - n1 stays at least min_n2
// (always at least one split), handing each to `on_split` in that order, on the calling
// thread, as soon as it and every split before it are done. `ranks` is the rank matrix (never
// changed); `random` is positioned at the scan's first draw and is left after its last, each
// permutation taking 2n draws, whether or not its split's R is a number. The splits run on
// worker threads. While stderr is a terminal and the scan takes a while, a progress line
// stands there, erased before each `on_split` call and at the end. The group sizes of the
// first and the last split must fit 32 bits.
void scan_splits(const stats::SquareMatrix& ranks, const RunParameters& parameters,
                 stats::RandomSource& random,
                 const std::function<void(const SplitResult&)>& on_split,
                 const ScanSettings& settings = {});

}  // namespace orvanel::driver
