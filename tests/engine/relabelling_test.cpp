// Relabellings on label vectors and their statistics, against the literal matrix relabelling.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <numeric>
#include <vector>

#include "matrices.h"
#include "reference/literal_statistic.h"
#include "stats/permutation_engine.h"
#include "stats/random_source.h"
#include "stats/rank_transform.h"

namespace orvanel::engine_test {
namespace {

stats::SquareMatrix ranks_of(std::int32_t n, Values values, std::uint32_t seed) {
  stats::SquareMatrix ranks(n);
  stats::rank_transform(generate_matrix(n, values, seed), ranks, n);
  return ranks;
}

TEST(RandomSourceJump, SameStateAsDrawing) {
  for (const std::int32_t seed : {0, 1, -7, 2147483647}) {
    for (const std::uint64_t draws : {0ull, 1ull, 2ull, 3ull, 31ull, 1000ull, 65537ull}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << ", draws " << draws);
      stats::RandomSource drawn(seed);
      for (std::uint64_t k = 0; k < draws; ++k) drawn.draw();
      stats::RandomSource jumped(seed);
      jumped.discard(draws);
      EXPECT_EQ(jumped.state(), drawn.state());
    }
  }
}

// The generator's period is 2^32, so counts that wrap 32 bits land where the rest does.
TEST(RandomSourceJump, CountsBeyondThePeriod) {
  stats::RandomSource short_jump(5);
  short_jump.discard(12);
  stats::RandomSource long_jump(5);
  long_jump.discard((std::uint64_t{3} << 32) + 12);
  EXPECT_EQ(long_jump.state(), short_jump.state());
}

// After every relabelling, the matrix that permute_objects rearranges holds at (p, q) what the
// fixed ranks hold at (label p, label q), and both have taken the same draws.
TEST(PermuteLabels, ReadsWhatTheRelabelledMatrixHolds) {
  for (const std::int32_t n : {0, 1, 2, 3, 10, 37}) {
    for (const std::int32_t seed : {1, 4242}) {
      SCOPED_TRACE(testing::Message() << "n " << n << ", seed " << seed);
      const stats::SquareMatrix fixed = ranks_of(n, Values::distinct, 3);
      stats::SquareMatrix moved = fixed;
      std::vector<std::int32_t> labels(static_cast<std::size_t>(n));
      std::iota(labels.begin(), labels.end(), 0);
      stats::RandomSource matrix_random(seed);
      stats::RandomSource label_random(seed);
      for (int call = 0; call < 6; ++call) {
        reference::permute_objects(moved, n, matrix_random);
        stats::permute_labels(labels, label_random);
        ASSERT_EQ(label_random.state(), matrix_random.state());
        for (std::int32_t p = 1; p <= n; ++p) {
          for (std::int32_t q = 1; q <= n; ++q) {
            ASSERT_EQ(moved(p, q), fixed(labels[static_cast<std::size_t>(p - 1)] + 1,
                                         labels[static_cast<std::size_t>(q - 1)] + 1))
                << "call " << call << " at " << p << "," << q;
          }
        }
      }
    }
  }
}

std::array<std::uint32_t, 3> bits_of(float mrb, float mrw, float r) {
  return {std::bit_cast<std::uint32_t>(mrb), std::bit_cast<std::uint32_t>(mrw),
          std::bit_cast<std::uint32_t>(r)};
}

struct WalkCase {
  std::int32_t n;
  Values values;
  std::int32_t n1;
  bool sums_exact;  // which way the engine forms the class sums
};

const WalkCase kWalkCases[] = {
    {1, Values::distinct, 1, true},      {2, Values::distinct, 1, true},
    {5, Values::ties, 2, true},          {12, Values::negative, 0, true},
    {12, Values::nans, 12, true},        {12, Values::ties, -3, true},
    {12, Values::distinct, 20, true},    {30, Values::distinct, 7, true},
    {60, Values::nans, 30, true},        {60, Values::all_nan, 21, true},
    {91, Values::distinct, 45, true},    {91, Values::ties, 80, true},
    {92, Values::distinct, 46, false},   {120, Values::ties, 3, false},
    {130, Values::negative, 129, false}, {130, Values::nans, 64, false},
};

// The literal split: design, R of the unpermuted ranks, then one relabelling after another;
// the walk must give the same mrb, mrw and R, bit for bit, after the same number of steps.
TEST(RelabellingWalk, SameStatisticAsLiteralAtEveryStep) {
  constexpr int kSteps = 20;
  for (const WalkCase& c : kWalkCases) {
    SCOPED_TRACE(testing::Message()
                 << "n " << c.n << ", " << to_string(c.values) << ", n1 " << c.n1);
    const stats::SquareMatrix fixed = ranks_of(c.n, c.values, 11);
    const stats::FixedRanks fixed_ranks(fixed, c.n);
    EXPECT_EQ(fixed_ranks.sums_exact(), c.sums_exact);
    stats::SquareMatrix design(c.n);
    const std::array<std::int32_t, 2> sizes = {c.n1, c.n - c.n1};
    reference::build_design(design, c.n, sizes);
    stats::SquareMatrix moved = fixed;
    stats::RandomSource random(99);
    stats::RelabellingWalk walk(fixed_ranks, c.n1, random);
    for (int step = 0; step <= kSteps; ++step) {
      if (step > 0) {
        reference::permute_objects(moved, c.n, random);
        walk.skip(1);
      }
      float mrb = 0.0f;
      float mrw = 0.0f;
      const float r = reference::r_statistic(moved, design, c.n, mrb, mrw);
      const stats::SplitStatistic got = walk.current();
      ASSERT_EQ(bits_of(got.mrb, got.mrw, got.r), bits_of(mrb, mrw, r)) << "step " << step;
    }
  }
}

// Hits over relabellings evaluated side by side, asked for in pieces that start and end at
// every place within a group of lanes.
TEST(RelabellingWalk, HitsInPiecesMatchLiteralCount) {
  const std::int64_t pieces[] = {1, 7, 8, 9, 2, 16, 3, 17};
  for (const WalkCase& c : kWalkCases) {
    SCOPED_TRACE(testing::Message()
                 << "n " << c.n << ", " << to_string(c.values) << ", n1 " << c.n1);
    const stats::SquareMatrix fixed = ranks_of(c.n, c.values, 5);
    const stats::FixedRanks fixed_ranks(fixed, c.n);
    stats::SquareMatrix design(c.n);
    const std::array<std::int32_t, 2> sizes = {c.n1, c.n - c.n1};
    reference::build_design(design, c.n, sizes);
    stats::RandomSource random(2024);
    stats::RelabellingWalk walk(fixed_ranks, c.n1, random);
    const float observed = walk.current().r;
    stats::SquareMatrix moved = fixed;
    for (const std::int64_t piece : pieces) {
      std::int64_t literal_hits = 0;
      for (std::int64_t k = 0; k < piece; ++k) {
        reference::permute_objects(moved, c.n, random);
        float mrb = 0.0f;
        float mrw = 0.0f;
        if (reference::r_statistic(moved, design, c.n, mrb, mrw) >= observed) ++literal_hits;
      }
      ASSERT_EQ(walk.count_hits(observed, piece), literal_hits) << "piece " << piece;
    }
  }
}

}  // namespace
}  // namespace orvanel::engine_test
