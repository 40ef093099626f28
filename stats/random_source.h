// The random source of the permutation test and the relabelling of objects.
#pragma once

#include <cstdint>
#include <span>

#include "stats/square_matrix.h"

namespace orvanel::stats {

// A 32-bit linear congruential generator: x = x * 214013 + 2531011 (mod 2^32), each draw the
// 15 bits (x >> 16) & 0x7FFF. The same seed always gives the same sequence of draws.
class RandomSource {
 public:
  static constexpr std::uint32_t kMultiplier = 214013u;
  static constexpr std::uint32_t kIncrement = 2531011u;

  explicit RandomSource(std::int32_t seed = 0) { reseed(seed); }

  void reseed(std::int32_t seed) { state_ = static_cast<std::uint32_t>(seed); }

  // Next draw, 0..32767.
  std::int32_t draw() {
    state_ = state_ * kMultiplier + kIncrement;
    return static_cast<std::int32_t>((state_ >> 16) & 0x7FFFu);
  }

  // Next draw scaled to [0, 1): u / 32768, exact in double precision.
  double random_unit() { return draw() / 32768.0; }

  // Moves on as if `draws` draws had been taken, in O(log draws) steps.
  void discard(std::uint64_t draws);

  std::uint32_t state() const { return state_; }

 private:
  std::uint32_t state_ = 0;
};

// An object for position j: 1 + floor(u * n / 32768), in 1..n, computed exactly in integers.
inline std::int32_t draw_object(RandomSource& random, std::int32_t n) {
  return 1 + static_cast<std::int32_t>((static_cast<std::int64_t>(random.draw()) * n) >> 15);
}

// The relabelling of objects, carried on a label vector: labels[p] is the object (0-based)
// that position p shows. Two passes of j = 1..n each exchange labels j and d for a drawn d,
// exactly 2n draws. Exchanging objects j and d of a symmetric rank matrix (rows and columns
// swapped) is the same as exchanging their labels, so reading ranks(labels[p], labels[q]) of
// the unmoved matrix gives what the moved matrix would hold at (p, q). O(1) per exchange; draws
// nothing when `labels` is empty.
void permute_labels(std::span<std::int32_t> labels, RandomSource& random);

}  // namespace orvanel::stats
