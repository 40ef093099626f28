// The straightforward group design, R statistic and relabelling.
#include "reference/literal_statistic.h"

#include <algorithm>
#include <utility>

namespace orvanel::reference {

void build_design(SquareMatrix& design, std::int32_t n, std::span<const std::int32_t> group_sizes) {
  for (std::int32_t i = 2; i <= n; ++i) {
    for (std::int32_t j = 1; j < i; ++j) design(i, j) = 1.0f;
  }
  // 64-bit bounds: sizes come unchecked from a parameter file and may be extreme.
  std::int64_t start = 1;
  for (std::size_t g = 0; g + 1 < group_sizes.size(); ++g) {
    const std::int64_t end = start + group_sizes[g];  // first object after group g
    const std::int64_t first_j = std::max<std::int64_t>(start, 1);
    const std::int64_t last_j = std::min<std::int64_t>(end - 1, n);
    const std::int64_t first_i = std::max<std::int64_t>(end, 1);
    for (std::int64_t j = first_j; j <= last_j; ++j) {
      for (std::int64_t i = first_i; i <= n; ++i) {
        design(static_cast<std::int32_t>(i), static_cast<std::int32_t>(j)) = -1.0f;
      }
    }
    start = end;
  }
}

float r_statistic(const SquareMatrix& ranks, const SquareMatrix& design, std::int32_t n, float& mrb,
                  float& mrw) {
  float between_sum = 0.0f;
  float within_sum = 0.0f;
  std::int64_t between_count = 0;
  std::int64_t within_count = 0;
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = i + 1; j <= n; ++j) {
      const float v = ranks(i, j);
      if (design(j, i) == 1.0f) {
        within_sum = within_sum + v;
        ++within_count;
      } else {
        between_sum = between_sum + v;
        ++between_count;
      }
    }
  }
  mrb = static_cast<float>(static_cast<long double>(between_sum) / between_count);
  mrw = static_cast<float>(static_cast<long double>(within_sum) / within_count);
  const long double half_pairs = static_cast<long double>(n) * (n - 1) / 4;
  return static_cast<float>((static_cast<long double>(mrb) - mrw) / half_pairs);
}

void permute_objects(SquareMatrix& ranks, std::int32_t n, RandomSource& random) {
  for (int pass = 0; pass < 2; ++pass) {
    for (std::int32_t j = 1; j <= n; ++j) {
      const std::int32_t d = stats::draw_object(random, n);
      if (d == j) continue;
      for (std::int32_t k = 1; k <= n; ++k) {
        if (k == j || k == d) continue;
        std::swap(ranks(k, j), ranks(k, d));
        std::swap(ranks(j, k), ranks(d, k));
      }
    }
  }
}

}  // namespace orvanel::reference
