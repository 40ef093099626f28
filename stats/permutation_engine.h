// The permutation test of a split over fixed ranks: relabellings carried as label vectors and
// evaluated several at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "stats/random_source.h"
#include "stats/square_matrix.h"

namespace orvanel::stats {

// The mean rank of the between-group pairs, of the within-group pairs, and
// R = (mrb - mrw) / (n(n-1)/4), of one labelling of one split.
struct SplitStatistic {
  float mrb = 0.0f;
  float mrw = 0.0f;
  float r = 0.0f;
};

// The statistic from the two class sums: each quotient in extended precision, rounded once to
// single precision. A class without pairs gives a NaN mean, and R is then NaN.
SplitStatistic statistic_from_sums(float between_sum, std::int64_t between_count, float within_sum,
                                   std::int64_t within_count, std::int32_t n);

// A rank matrix that stays fixed for the whole scan (symmetric, constant diagonal), with what
// every split needs to know about it. Holds a reference: `ranks` must outlive it.
class FixedRanks {
 public:
  FixedRanks(const SquareMatrix& ranks, std::int32_t n);

  std::int32_t n() const { return static_cast<std::int32_t>(n_); }

  // Whether every partial sum of ranks in any order is exact in single precision: every rank a
  // multiple of 0.5 and the sum of their magnitudes at most 2^23 (n <= 91 for any ranking).
  // Then class sums may be formed in any order; otherwise only in row order.
  bool sums_exact() const { return sums_exact_; }

 private:
  friend class RelabellingWalk;

  const float* ranks_;
  std::size_t n_;
  bool sums_exact_ = false;
  double total_ = 0.0;            // sum of the upper-triangle ranks, exact when sums_exact_
  std::vector<double> row_sums_;  // sum of the off-diagonal ranks of each object's row
};

// The relabellings of one split (groups: positions 1..n1 and the rest), walked in the order
// the random source dictates: each one continues from the previous, starting from the
// unpermuted labelling. O(n) memory.
class RelabellingWalk {
 public:
  // Labellings evaluated side by side: their running sums are independent, so they fill the
  // pipeline and the vector lanes without reordering any one sum.
  static constexpr std::size_t kLanes = 8;

  // `split_start` is the random source positioned at the split's first draw.
  RelabellingWalk(const FixedRanks& ranks, std::int32_t n1, RandomSource split_start);

  // The statistic of the current labelling (the unpermuted one before any step).
  SplitStatistic current();

  // Moves on over `count` relabellings without evaluating them.
  void skip(std::int64_t count);

  // Moves on over `count` relabellings and returns how many of them have an R of at least
  // `observed_r` (none when it is NaN).
  std::int64_t count_hits(float observed_r, std::int64_t count);

 private:
  using LaneSums = std::array<float, kLanes>;

  // The statistic of every lane of `lanes_`.
  std::array<SplitStatistic, kLanes> evaluate_lanes();
  // Copies the current labelling into lane `lane`.
  void store_lane(std::size_t lane);
  // Adds, per lane, ranks(label(p), label(q)) for positions p in [row_begin, row_end) and
  // q in [max(column_begin, p + 1), column_end), in row order.
  void add_pairs(std::size_t row_begin, std::size_t row_end, std::size_t column_begin,
                 std::size_t column_end, LaneSums& sums) const;

  const FixedRanks& ranks_;
  std::size_t n1_;  // the split point, clamped to 0..n
  std::int64_t between_count_;
  std::int64_t within_count_;
  RandomSource random_;
  std::vector<std::int32_t> labels_;  // the current labelling: labels_[position] = object
  std::vector<std::int32_t> lanes_;   // kLanes labellings: lanes_[position * kLanes + lane]
};

}  // namespace orvanel::stats
