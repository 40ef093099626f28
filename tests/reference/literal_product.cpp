// The product's ranking and scan bound to the straightforward algorithms, linked in place of
// the engine to build the whole program as the reference for byte-for-byte comparisons.
#include "driver/split_scan.h"
#include "reference/literal_ranking.h"
#include "reference/literal_scan.h"
#include "stats/rank_transform.h"

namespace orvanel::stats {

void rank_transform(const SquareMatrix& dissimilarities, SquareMatrix& ranks, std::int32_t n) {
  reference::rank_transform(dissimilarities, ranks, n);
}

}  // namespace orvanel::stats

namespace orvanel::driver {

// The literal scan keeps its design and its working ranks in two more matrices, as it did in
// the product.
void scan_splits(const stats::SquareMatrix& ranks, const RunParameters& parameters,
                 stats::RandomSource& random,
                 const std::function<void(const SplitResult&)>& on_split, const ScanSettings&) {
  stats::SquareMatrix design(ranks.dimension());
  stats::SquareMatrix working(ranks.dimension());
  reference::scan_splits(design, working, ranks, parameters, random, on_split);
}

}  // namespace orvanel::driver
