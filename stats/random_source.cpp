// Jump-ahead of the random source and the relabelling of objects.
#include "stats/random_source.h"

#include <utility>

namespace orvanel::stats {

// k steps of x -> a x + c are again an affine map x -> A x + C (mod 2^32). Binary powering
// keeps the invariant: (A, C) is the map of the steps taken so far and (a, c) the map of the
// next 2^bit steps; composing g after (A, C) gives (a A, a C + c), squaring gives
// (a^2, (a + 1) c). The period divides 2^32, so wrapping `draws` mod 2^64 is harmless.
void RandomSource::discard(std::uint64_t draws) {
  std::uint32_t total_multiplier = 1u;
  std::uint32_t total_increment = 0u;
  std::uint32_t multiplier = kMultiplier;
  std::uint32_t increment = kIncrement;
  for (; draws != 0; draws >>= 1) {
    if ((draws & 1u) != 0) {
      total_multiplier = total_multiplier * multiplier;
      total_increment = total_increment * multiplier + increment;
    }
    increment = (multiplier + 1u) * increment;
    multiplier = multiplier * multiplier;
  }
  state_ = state_ * total_multiplier + total_increment;
}

void permute_labels(std::span<std::int32_t> labels, RandomSource& random) {
  const auto n = static_cast<std::int32_t>(labels.size());
  // A local generator stays in a register: a label store might alias its state otherwise.
  RandomSource local = random;
  for (int pass = 0; pass < 2; ++pass) {
    for (std::int32_t j = 0; j < n; ++j) {
      const std::int32_t d = draw_object(local, n) - 1;
      std::swap(labels[static_cast<std::size_t>(j)], labels[static_cast<std::size_t>(d)]);
    }
  }
  random = local;
}

}  // namespace orvanel::stats
