// The straightforward ranking, kept as the reference that the fast ranking must match value
// for value. Never optimise it.
#pragma once

#include <cstdint>

#include "stats/square_matrix.h"

namespace orvanel::reference {

// Every pair compared with every pair: each pair starts at M + 0.5 and loses 1 for every pair
// it does not reach (a < b, or a NaN on either side) and 0.5 for every tie, itself included,
// the running value stored in single precision after every step. M^2 comparisons.
void rank_transform(const stats::SquareMatrix& dissimilarities, stats::SquareMatrix& ranks,
                    std::int32_t n);

}  // namespace orvanel::reference
