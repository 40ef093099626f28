// Relabelling of the objects of the working rank matrix.
#include "stats/random_source.h"

#include <utility>

namespace orvanel::stats {

void permute_objects(SquareMatrix& ranks, std::int32_t n, RandomSource& random) {
  for (int pass = 0; pass < 2; ++pass) {
    for (std::int32_t j = 1; j <= n; ++j) {
      const std::int32_t d = draw_object(random, n);
      if (d == j) continue;
      for (std::int32_t k = 1; k <= n; ++k) {
        if (k == j || k == d) continue;
        std::swap(ranks(k, j), ranks(k, d));
        std::swap(ranks(j, k), ranks(d, k));
      }
    }
  }
}

}  // namespace orvanel::stats
