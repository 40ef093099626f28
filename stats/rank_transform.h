// Mid-ranks of the pairwise dissimilarities.
#pragma once

#include <cstdint>

#include "stats/square_matrix.h"

namespace orvanel::stats {

// Writes into `ranks` the ascending mid-rank of every pair {i, j}, i < j, among the
// M = n(n-1)/2 dissimilarities of the upper triangle of `dissimilarities` (the only part read):
// rank = L + (E + 1)/2 with L the pairs strictly smaller and E the pairs equal, itself included,
// rounded once to single precision (exact while M < 2^23, that is n <= 4096). `ranks` comes out
// symmetric with -1.0 on the diagonal. A NaN dissimilarity ranks 0.5 and counts as larger than
// every other value. Uses no memory beyond `ranks`; O(M log M). Does nothing for n <= 0.
void rank_transform(const SquareMatrix& dissimilarities, SquareMatrix& ranks, std::int32_t n);

}  // namespace orvanel::stats
