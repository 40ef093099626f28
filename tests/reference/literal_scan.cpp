// The split-point scan exactly as first written for the product.
#include "reference/literal_scan.h"

#include <array>

#include "reference/literal_statistic.h"

namespace orvanel::reference {
namespace {

driver::SplitResult evaluate_split(stats::SquareMatrix& dissimilarities, stats::SquareMatrix& ranks,
                                   const stats::SquareMatrix& ranks_saved, std::int32_t n,
                                   std::int32_t n1, std::int32_t n2, std::int32_t permutations,
                                   stats::RandomSource& random) {
  const std::array<std::int32_t, 2> group_sizes = {n1, n2};
  reference::build_design(dissimilarities, n, group_sizes);
  ranks = ranks_saved;
  driver::SplitResult split;
  split.n1 = n1;
  split.n2 = n2;
  float mrb = 0.0f;
  float mrw = 0.0f;
  split.r = reference::r_statistic(ranks, dissimilarities, n, mrb, mrw);
  split.mrb = mrb;
  split.mrw = mrw;
  for (std::int32_t k = 0; k < permutations; ++k) {
    reference::permute_objects(ranks, n, random);
    const float permuted_r = reference::r_statistic(ranks, dissimilarities, n, mrb, mrw);
    if (permuted_r >= split.r) ++split.hits;
  }
  split.p = static_cast<long double>(split.hits) / permutations;
  return split;
}

}  // namespace

void scan_splits(stats::SquareMatrix& dissimilarities, stats::SquareMatrix& ranks,
                 const stats::SquareMatrix& ranks_saved, const driver::RunParameters& parameters,
                 stats::RandomSource& random,
                 const std::function<void(const driver::SplitResult&)>& on_split) {
  const std::int32_t n = parameters.n;
  std::int64_t n1 = parameters.min_n1;
  std::int64_t n2 = static_cast<std::int64_t>(n) - parameters.min_n1;
  do {
    on_split(evaluate_split(dissimilarities, ranks, ranks_saved, n, static_cast<std::int32_t>(n1),
                            static_cast<std::int32_t>(n2), parameters.permutations, random));
    ++n1;
    --n2;
  } while (n2 >= parameters.min_n2);
}

}  // namespace orvanel::reference
