// The random source and the relabelling of objects.
#include "stats/random_source.h"

#include "reference/literal_statistic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace orvanel::stats {
namespace {

TEST(RandomSource, KnownSequenceFromSeedOne) {
  RandomSource random(1);
  const std::int32_t want[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
  for (const std::int32_t value : want) EXPECT_EQ(random.draw(), value);
}

TEST(RandomSource, SameSeedSameDraws) {
  for (const std::int32_t seed : {0, -1, 12345, 2147483647}) {
    SCOPED_TRACE(seed);
    RandomSource a(seed);
    RandomSource b(seed);
    for (int k = 0; k < 100; ++k) {
      const std::int32_t value = a.draw();
      ASSERT_EQ(value, b.draw());
      ASSERT_GE(value, 0);
      ASSERT_LE(value, 32767);
    }
  }
}

TEST(RandomSource, UnitAndObjectScaling) {
  // Seed 0 draws 38 first; the state then gives the next draws.
  RandomSource random(0);
  EXPECT_EQ(random.random_unit(), 38 / 32768.0);
  struct Case {
    std::uint32_t state;
    std::int32_t n;
    std::int32_t want;
  };
  // The state whose next draw comes from the given successor state (the step is invertible
  // modulo 2^32, since the multiplier is odd).
  const auto state_before = [](std::uint32_t successor) {
    std::uint32_t inverse = 1;
    for (int k = 0; k < 5; ++k) inverse *= 2 - RandomSource::kMultiplier * inverse;
    return (successor - RandomSource::kIncrement) * inverse;
  };
  const Case cases[] = {
      {state_before(0u << 16), 3, 1},
      {state_before(32767u << 16), 3, 3},  // 1 + floor(3 * 32767 / 32768)
      {state_before(32767u << 16), 1, 1},
      {state_before(16384u << 16), 2, 2},
      {state_before(16383u << 16), 2, 1},
      {state_before(32767u << 16), 2147483647, 2147418112},  // no overflow in u * n
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want);
    RandomSource source(static_cast<std::int32_t>(c.state));
    EXPECT_EQ(draw_object(source, c.n), c.want);
  }
}

SquareMatrix symmetric_ranks(std::int32_t n) {
  SquareMatrix ranks(n);
  float next = 1.0f;
  for (std::int32_t i = 1; i <= n; ++i) {
    ranks(i, i) = -1.0f;
    for (std::int32_t j = i + 1; j <= n; ++j) {
      ranks(i, j) = next;
      ranks(j, i) = next;
      next += 1.0f;
    }
  }
  return ranks;
}

std::vector<float> upper_triangle(const SquareMatrix& m) {
  std::vector<float> values;
  for (std::int32_t i = 1; i <= m.dimension(); ++i) {
    for (std::int32_t j = i + 1; j <= m.dimension(); ++j) values.push_back(m(i, j));
  }
  return values;
}

TEST(PermuteObjects, KeepsSymmetryDiagonalAndRanks) {
  for (const std::int32_t n : {3, 5, 8}) {
    SCOPED_TRACE(n);
    SquareMatrix ranks = symmetric_ranks(n);
    std::vector<float> before = upper_triangle(ranks);
    std::sort(before.begin(), before.end());
    RandomSource random(7);
    bool moved = false;
    for (int call = 0; call < 20; ++call) {
      reference::permute_objects(ranks, n, random);
      for (std::int32_t i = 1; i <= n; ++i) {
        ASSERT_EQ(ranks(i, i), -1.0f);
        for (std::int32_t j = 1; j <= n; ++j) ASSERT_EQ(ranks(i, j), ranks(j, i));
      }
      std::vector<float> after = upper_triangle(ranks);
      moved = moved || after != upper_triangle(symmetric_ranks(n));
      std::sort(after.begin(), after.end());
      ASSERT_EQ(after, before);
    }
    EXPECT_TRUE(moved);
  }
}

TEST(PermuteObjects, DrawsTwiceTheDimension) {
  for (const std::int32_t n : {-1, 0, 1, 2, 3, 10}) {
    SCOPED_TRACE(n);
    SquareMatrix ranks = symmetric_ranks(std::max(n, 0));
    RandomSource permuting(99);
    RandomSource counting(99);
    reference::permute_objects(ranks, n, permuting);
    for (std::int32_t k = 0; k < 2 * std::max(n, 0); ++k) counting.draw();
    EXPECT_EQ(permuting.state(), counting.state());
  }
}

TEST(PermuteObjects, OneAndTwoObjectsNeverChange) {
  for (const std::int32_t n : {1, 2}) {
    SquareMatrix ranks = symmetric_ranks(n);
    RandomSource random(3);
    for (int call = 0; call < 10; ++call) reference::permute_objects(ranks, n, random);
    EXPECT_EQ(upper_triangle(ranks), upper_triangle(symmetric_ranks(n)));
    EXPECT_EQ(ranks(1, 1), -1.0f);
  }
}

// The exchange order: with seed 1 (its first draw, 41, discarded as at start-up) one call for
// n = 3 draws 18467, 6334, 26500, 19169, 15724, 11478, which pick the objects 2, 1, 3, 2, 2, 2.
// So it exchanges 1<->2, 2<->1, keeps 3, exchanges 1<->2, keeps 2, exchanges 3<->2. With three
// objects an exchange of j and d trades the ranks of the pairs {j, k} and {d, k} of the third
// object k: {1,3}<->{2,3} three times, then {1,3}<->{1,2}.
TEST(PermuteObjects, ExchangeOrderOfOneCall) {
  SquareMatrix ranks = symmetric_ranks(3);  // {1,2}=1, {1,3}=2, {2,3}=3
  RandomSource random(1);
  random.draw();
  reference::permute_objects(ranks, 3, random);
  EXPECT_EQ(ranks(1, 2), 3.0f);
  EXPECT_EQ(ranks(1, 3), 1.0f);
  EXPECT_EQ(ranks(2, 3), 2.0f);
}

}  // namespace
}  // namespace orvanel::stats
