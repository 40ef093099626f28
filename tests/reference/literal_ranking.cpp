// The running-value ranking exactly as first written for the product.
#include "reference/literal_ranking.h"

namespace orvanel::reference {

void rank_transform(const stats::SquareMatrix& dissimilarities, stats::SquareMatrix& ranks,
                    std::int32_t n) {
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

}  // namespace orvanel::reference
