// Generated dissimilarity matrices for the differential tests.
#include "matrices.h"

#include <cstring>
#include <limits>
#include <random>

namespace orvanel::engine_test {

std::string to_string(Values values) {
  switch (values) {
    case Values::distinct:
      return "distinct";
    case Values::ties:
      return "ties";
    case Values::negative:
      return "negative";
    case Values::nans:
      return "nans";
    case Values::all_nan:
      return "all_nan";
  }
  return "?";
}

stats::SquareMatrix generate_matrix(std::int32_t n, Values values, std::uint32_t seed) {
  // Raw generator output only: distributions differ between standard libraries.
  std::mt19937 generator(seed);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float infinity = std::numeric_limits<float>::infinity();
  const auto pick = [&](std::uint32_t choices) {
    return static_cast<std::uint32_t>(generator() % choices);
  };
  const auto value = [&]() -> float {
    switch (values) {
      case Values::distinct:
        return static_cast<float>(generator() >> 8) / 65536.0f + 0.001f;
      case Values::ties:
        return static_cast<float>(pick(5)) * 0.25f;
      case Values::negative: {
        const float table[] = {-3.5f, -1.0f, -0.0f, 0.0f, 0.75f, 2.0f, -1e-30f, 1e30f};
        return pick(3) == 0 ? table[pick(8)] : static_cast<float>(pick(2001)) - 1000.0f;
      }
      case Values::nans: {
        const std::uint32_t k = pick(20);
        if (k == 0) return nan;
        if (k == 1) return infinity;
        if (k == 2) return -infinity;
        return static_cast<float>(pick(7));
      }
      case Values::all_nan:
        return nan;
    }
    return 0.0f;
  };
  stats::SquareMatrix matrix(n);
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= n; ++j) {
      matrix(i, j) = i < j ? value() : static_cast<float>(generator() % 1000) - 500.0f;
    }
  }
  return matrix;
}

bool same_bits(const stats::SquareMatrix& a, const stats::SquareMatrix& b) {
  const auto count =
      static_cast<std::size_t>(a.dimension()) * static_cast<std::size_t>(a.dimension());
  return a.dimension() == b.dimension() &&
         std::memcmp(a.data(), b.data(), count * sizeof(float)) == 0;
}

}  // namespace orvanel::engine_test
