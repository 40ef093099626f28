// The straightforward group design, R statistic and relabelling of a rank matrix, kept as the
// definition that the engine must match value for value. Never optimise them.
#pragma once

#include <cstdint>
#include <span>

#include "stats/random_source.h"
#include "stats/square_matrix.h"

namespace orvanel::reference {

using stats::RandomSource;
using stats::SquareMatrix;

// Marks every pair in the lower triangle of `design` (element (i, j), i > j, for the pair
// {j, i}): 1.0 when both objects are in the same group, -1.0 otherwise. Groups are consecutive
// blocks of objects of the given sizes; sizes of 0 or less, or blocks reaching past n, give
// empty ranges. The upper triangle and the diagonal are not touched.
void build_design(SquareMatrix& design, std::int32_t n, std::span<const std::int32_t> group_sizes);

// R = (mrb - mrw) / (n(n-1)/4) over the upper-triangle ranks, classed by the lower-triangle
// design (1.0 within, anything else between). The class sums are single-precision running sums
// in row order; each mean and R are rounded once from extended precision. Writes the mean
// between and within ranks into `mrb` and `mrw`. A class without pairs gives a NaN mean, and R
// is then NaN.
float r_statistic(const SquareMatrix& ranks, const SquareMatrix& design, std::int32_t n, float& mrb,
                  float& mrw);

// Relabels the objects of a symmetric rank matrix with a constant diagonal in place: two passes
// of j = 1..n, each exchanging object j with a drawn object d (nothing when d == j). Exchanging
// swaps rows and columns j and d everywhere except where they cross, which keeps the matrix
// symmetric and its multiset of pair ranks unchanged. Always makes exactly 2n draws; does
// nothing and draws nothing for n <= 0.
void permute_objects(SquareMatrix& ranks, std::int32_t n, RandomSource& random);

}  // namespace orvanel::reference
