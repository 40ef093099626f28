// The straightforward split-point scan: one matrix relabelled in place, one split after another.
#pragma once

#include <functional>

#include "driver/run_parameters.h"
#include "driver/split_scan.h"
#include "stats/random_source.h"
#include "stats/square_matrix.h"

namespace orvanel::reference {

// For each split in scan order: the design into the lower triangle of `dissimilarities`,
// `ranks` restored from `ranks_saved`, R, then `permutations` relabellings of `ranks`, each
// starting from the previous one, counting those whose R reaches the observed R.
void scan_splits(stats::SquareMatrix& dissimilarities, stats::SquareMatrix& ranks,
                 const stats::SquareMatrix& ranks_saved, const driver::RunParameters& parameters,
                 stats::RandomSource& random,
                 const std::function<void(const driver::SplitResult&)>& on_split);

}  // namespace orvanel::reference
