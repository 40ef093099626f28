// Generated dissimilarity matrices and scans for the differential tests.
#pragma once

#include <cstdint>
#include <string>

#include "stats/square_matrix.h"

namespace orvanel::engine_test {

// What the values of a generated matrix look like.
enum class Values {
  distinct,  // all different, positive
  ties,      // a handful of values, many ties
  negative,  // negative and positive, with ties, -0.0 and +0.0
  nans,      // ties with a few NaN (and infinite) values among them
  all_nan,   // nothing but NaN
};

std::string to_string(Values values);

// A scan to compare: a generated matrix and the run parameters.
struct ScanCase {
  const char* name;
  std::int32_t n;
  Values values;
  std::int32_t min_n1;
  std::int32_t min_n2;
  std::int32_t permutations;
};

// An n-by-n matrix of the given kind from a fixed pseudo-random sequence. The lower triangle
// and the diagonal hold unrelated values, so reading them shows.
stats::SquareMatrix generate_matrix(std::int32_t n, Values values, std::uint32_t seed);

// Whether the two matrices hold the same bits in every element.
bool same_bits(const stats::SquareMatrix& a, const stats::SquareMatrix& b);

}  // namespace orvanel::engine_test
