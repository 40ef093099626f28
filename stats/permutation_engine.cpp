// Class sums, R and hits of relabellings read through label vectors from fixed ranks.
#include "stats/permutation_engine.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace orvanel::stats {

SplitStatistic statistic_from_sums(float between_sum, std::int64_t between_count, float within_sum,
                                   std::int64_t within_count, std::int32_t n) {
  SplitStatistic statistic;
  statistic.mrb = static_cast<float>(static_cast<long double>(between_sum) / between_count);
  statistic.mrw = static_cast<float>(static_cast<long double>(within_sum) / within_count);
  const long double half_pairs = static_cast<long double>(n) * (n - 1) / 4;
  statistic.r =
      static_cast<float>((static_cast<long double>(statistic.mrb) - statistic.mrw) / half_pairs);
  return statistic;
}

FixedRanks::FixedRanks(const SquareMatrix& ranks, std::int32_t n)
    : ranks_(ranks.data()), n_(static_cast<std::size_t>(std::max(n, 0))), row_sums_(n_, 0.0) {
  // A multiple of 0.5 whose magnitude sums stay within 2^23 is exact in single precision at
  // every partial sum, in any order. Both sums below are exact in double then.
  bool halves = true;
  double magnitude = 0.0;
  for (std::size_t i = 0; i < n_; ++i) {
    for (std::size_t j = i + 1; j < n_; ++j) {
      const double value = ranks_[i * n_ + j];
      halves = halves && std::floor(2.0 * value) == 2.0 * value;
      magnitude += std::fabs(value);
      total_ += value;
      row_sums_[i] += value;
      row_sums_[j] += value;
    }
  }
  sums_exact_ = halves && magnitude <= 8388608.0;
}

RelabellingWalk::RelabellingWalk(const FixedRanks& ranks, std::int32_t n1, RandomSource split_start)
    : ranks_(ranks),
      n1_(static_cast<std::size_t>(std::clamp(n1, 0, ranks.n()))),
      random_(split_start),
      labels_(ranks.n_),
      lanes_(ranks.n_ * kLanes) {
  const auto n = static_cast<std::int64_t>(ranks.n_);
  const auto n1_pairs = static_cast<std::int64_t>(n1_);
  between_count_ = n1_pairs * (n - n1_pairs);
  within_count_ = n * (n - 1) / 2 - between_count_;
  std::iota(labels_.begin(), labels_.end(), 0);
}

SplitStatistic RelabellingWalk::current() {
  for (std::size_t lane = 0; lane < kLanes; ++lane) store_lane(lane);
  return evaluate_lanes()[0];
}

void RelabellingWalk::skip(std::int64_t count) {
  for (std::int64_t k = 0; k < count; ++k) permute_labels(labels_, random_);
}

std::int64_t RelabellingWalk::count_hits(float observed_r, std::int64_t count) {
  std::int64_t hits = 0;
  while (count > 0) {
    const auto used = static_cast<std::size_t>(std::min<std::int64_t>(count, kLanes));
    // Lanes past `used` repeat the last labelling; their results are not counted.
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      if (lane < used) permute_labels(labels_, random_);
      store_lane(lane);
    }
    const std::array<SplitStatistic, kLanes> statistics = evaluate_lanes();
    for (std::size_t lane = 0; lane < used; ++lane) {
      // A NaN on either side compares false and never counts.
      if (statistics[lane].r >= observed_r) ++hits;
    }
    count -= static_cast<std::int64_t>(used);
  }
  return hits;
}

void RelabellingWalk::store_lane(std::size_t lane) {
  for (std::size_t position = 0; position < labels_.size(); ++position) {
    lanes_[position * kLanes + lane] = labels_[position];
  }
}

// Positions 0..n1-1 form group 1. A pair (p, q), p < q, is between the groups exactly when
// p < n1 <= q, so in row order the within sum runs over the triangle of group 1 and then the
// triangle of group 2, and the between sum over the rectangle of group 1's rows and group 2's
// columns; each keeps its own running sum, rounded at every addition as row order demands.
// When sums are exact (FixedRanks::sums_exact) any order gives the same sums, and the between
// sum follows from the smaller group G alone: the row sums of its objects count every pair
// inside G twice and every between pair once, so between = sum of row sums - 2 * sum inside G.
std::array<SplitStatistic, RelabellingWalk::kLanes> RelabellingWalk::evaluate_lanes() {
  const std::size_t n = ranks_.n_;
  LaneSums between{};
  LaneSums within{};
  if (ranks_.sums_exact_) {
    const bool first_is_smaller = n1_ <= n - n1_;
    const std::size_t begin = first_is_smaller ? 0 : n1_;
    const std::size_t end = first_is_smaller ? n1_ : n;
    LaneSums inside{};
    add_pairs(begin, end, begin, end, inside);
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      double row_sums = 0.0;
      for (std::size_t position = begin; position < end; ++position) {
        row_sums += ranks_.row_sums_[static_cast<std::size_t>(lanes_[position * kLanes + lane])];
      }
      const double between_sum = row_sums - 2.0 * inside[lane];
      between[lane] = static_cast<float>(between_sum);
      within[lane] = static_cast<float>(ranks_.total_ - between_sum);
    }
  } else {
    add_pairs(0, n1_, 0, n1_, within);
    add_pairs(n1_, n, n1_, n, within);
    add_pairs(0, n1_, n1_, n, between);
  }
  std::array<SplitStatistic, kLanes> statistics;
  for (std::size_t lane = 0; lane < kLanes; ++lane) {
    statistics[lane] =
        statistic_from_sums(between[lane], between_count_, within[lane], within_count_, ranks_.n());
  }
  return statistics;
}

void RelabellingWalk::add_pairs(std::size_t row_begin, std::size_t row_end,
                                std::size_t column_begin, std::size_t column_end,
                                LaneSums& sums) const {
  const std::size_t n = ranks_.n_;
  const std::int32_t* const lanes = lanes_.data();
  // A local copy stays in registers: `sums` might alias the ranks as far as the compiler knows.
  LaneSums local = sums;
  for (std::size_t p = row_begin; p < row_end; ++p) {
    std::array<const float*, kLanes> rows;
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      rows[lane] = ranks_.ranks_ + static_cast<std::size_t>(lanes[p * kLanes + lane]) * n;
    }
    for (std::size_t q = std::max(column_begin, p + 1); q < column_end; ++q) {
      const std::int32_t* const objects = lanes + q * kLanes;
      for (std::size_t lane = 0; lane < kLanes; ++lane) {
        local[lane] = local[lane] + rows[lane][objects[lane]];
      }
    }
  }
  sums = local;
}

}  // namespace orvanel::stats
