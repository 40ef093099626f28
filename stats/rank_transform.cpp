// Mid-ranks by the running-value method: every pair is compared with every pair.
#include "stats/rank_transform.h"

namespace orvanel::stats {

// Each pair starts at M + 0.5 and loses 1 for every pair it does not reach (a < b, or a NaN on
// either side) and 0.5 for every tie, itself included; what is left is L + (E + 1)/2. The
// running value is stored in single precision after every step, which is exact while
// M < 2^23 and is part of the result beyond.
void rank_transform(const SquareMatrix& dissimilarities, SquareMatrix& ranks, std::int32_t n) {
  const long double m = (static_cast<long double>(n) * n - n) / 2;
  const float start = static_cast<float>(m + 0.5L);
  for (std::int32_t i = 1; i <= n; ++i) {
    ranks(i, i) = -1.0f;
    for (std::int32_t j = i + 1; j <= n; ++j) {
      const float a = dissimilarities(i, j);
      float rank = start;
      for (std::int32_t k = 1; k <= n; ++k) {
        for (std::int32_t l = k + 1; l <= n; ++l) {
          const float b = dissimilarities(k, l);
          if (!(a >= b)) {
            rank = rank - 1.0f;
          } else if (a == b) {
            rank = rank - 0.5f;
          }
        }
      }
      ranks(i, j) = rank;
      ranks(j, i) = rank;
    }
  }
}

}  // namespace orvanel::stats
