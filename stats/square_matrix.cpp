// Allocation of the square matrix.
#include "stats/square_matrix.h"

namespace orvanel::stats {

SquareMatrix::SquareMatrix(std::int32_t n)
    : n_(n < 0 ? 0 : n),
      elements_(static_cast<std::size_t>(n_) * static_cast<std::size_t>(n_), 0.0f) {}

}  // namespace orvanel::stats
