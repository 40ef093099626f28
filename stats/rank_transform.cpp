// Mid-ranks by sorting, computed inside the rank matrix itself.
#include "stats/rank_transform.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvanel::stats {

// The n*n elements of `ranks` serve as scratch in three phases, so no other memory is needed:
//  1. the non-NaN dissimilarities, sorted, in elements [0, count), count <= M;
//  2. the rank of every pair, in row order ("packed"), in elements [n*n - M, n*n), which never
//     meets phase 1 because 2M <= n*n; a rank is L + (E + 1)/2, with L and E read off the
//     sorted values by binary search (NaN values are not among them, so every non-NaN pair
//     counts a NaN as larger, and a NaN pair itself gets 0.5);
//  3. each packed row moved to its place right of the diagonal, first row first: row r lands
//     in [r*n + r + 1, (r + 1)*n), which ends at or before where packed row r + 1 begins, so
//     no packed row is overwritten before it is moved; then the mirror image and the diagonal.
void rank_transform(const SquareMatrix& dissimilarities, SquareMatrix& ranks, std::int32_t n) {
  if (n <= 0) return;
  const auto size = static_cast<std::size_t>(n);
  const std::size_t pairs = size * (size - 1) / 2;
  float* const elements = ranks.data();

  float* const sorted_end = [&] {
    float* end = elements;
    for (std::int32_t i = 1; i <= n; ++i) {
      for (std::int32_t j = i + 1; j <= n; ++j) {
        const float value = dissimilarities(i, j);
        if (!std::isnan(value)) *end++ = value;
      }
    }
    std::sort(elements, end);
    return end;
  }();

  float* const packed = elements + size * size - pairs;
  float* next = packed;
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = i + 1; j <= n; ++j) {
      const float value = dissimilarities(i, j);
      if (std::isnan(value)) {
        *next++ = 0.5f;
        continue;
      }
      const auto [first, last] = std::equal_range(elements, sorted_end, value);
      const auto smaller = static_cast<double>(first - elements);
      const auto equal = static_cast<double>(last - first);
      // Exact in double; one rounding to single precision.
      *next++ = static_cast<float>(smaller + (equal + 1.0) / 2.0);
    }
  }

  const float* row_ranks = packed;
  for (std::size_t r = 0; r + 1 < size; ++r) {
    const std::size_t length = size - 1 - r;
    std::memmove(elements + r * size + r + 1, row_ranks, length * sizeof(float));
    row_ranks += length;
  }
  for (std::size_t r = 0; r < size; ++r) {
    elements[r * size + r] = -1.0f;
    for (std::size_t c = r + 1; c < size; ++c) elements[c * size + r] = elements[r * size + c];
  }
}

}  // namespace orvanel::stats
