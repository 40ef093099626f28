// The split-point scan: every split "first n1 objects against the rest", in scan order.
#pragma once

#include <cstdint>
#include <functional>

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

// Evaluates the splits n1 = min_n1, min_n1 + 1, ... while n2 = n - n1 stays at least min_n2
// (always at least one split), handing each to `on_split` in that order. The lower triangle of
// `dissimilarities` carries each split's group design; `ranks` is the working copy of
// `ranks_saved` that the permutations rearrange. The group sizes of the first and the last
// split must fit 32 bits.
void scan_splits(stats::SquareMatrix& dissimilarities, stats::SquareMatrix& ranks,
                 const stats::SquareMatrix& ranks_saved, const RunParameters& parameters,
                 stats::RandomSource& random,
                 const std::function<void(const SplitResult&)>& on_split);

}  // namespace orvanel::driver
