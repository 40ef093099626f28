// Mid-ranks of the pairwise dissimilarities.
#include "stats/rank_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace orvanel::stats {
namespace {

// A matrix whose upper triangle holds `pairs` in row order; the rest is filled with `other`.
SquareMatrix with_pairs(std::int32_t n, const std::vector<float>& pairs, float other = 0.0f) {
  SquareMatrix m(n);
  std::size_t next = 0;
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= n; ++j) m(i, j) = other;
    for (std::int32_t j = i + 1; j <= n; ++j) m(i, j) = pairs[next++];
  }
  return m;
}

std::vector<float> ranked_pairs(const SquareMatrix& dissimilarities) {
  const std::int32_t n = dissimilarities.dimension();
  SquareMatrix ranks(n);
  rank_transform(dissimilarities, ranks, n);
  std::vector<float> values;
  for (std::int32_t i = 1; i <= n; ++i) {
    EXPECT_EQ(ranks(i, i), -1.0f);
    for (std::int32_t j = i + 1; j <= n; ++j) {
      EXPECT_EQ(ranks(j, i), ranks(i, j)) << i << "," << j;
      values.push_back(ranks(i, j));
    }
  }
  return values;
}

struct RankCase {
  const char* name;
  std::int32_t n;
  std::vector<float> pairs;
  std::vector<float> want;
};

TEST(RankTransform, MidRanks) {
  const float nan = std::nanf("");
  const RankCase cases[] = {
      {"one object", 1, {}, {}},
      {"two objects", 2, {7.0f}, {1.0f}},
      {"all tied", 4, {2, 2, 2, 2, 2, 2}, {3.5f, 3.5f, 3.5f, 3.5f, 3.5f, 3.5f}},
      {"distinct", 4, {0.6f, 0.1f, 0.5f, 0.2f, 0.4f, 0.3f}, {6, 1, 5, 2, 4, 3}},
      {"ties of two", 3, {0.5f, 0.2f, 0.5f}, {2.5f, 1.0f, 2.5f}},
      {"negative below positive", 3, {-1.0f, 0.0f, -3.0f}, {2, 3, 1}},
      {"a NaN", 3, {0.3f, nan, 0.1f}, {2.0f, 0.5f, 1.0f}},
      {"two NaNs", 3, {nan, 0.2f, nan}, {0.5f, 1.0f, 0.5f}},
  };
  for (const RankCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ranked_pairs(with_pairs(c.n, c.pairs)), c.want);
  }
}

TEST(RankTransform, ReadsOnlyTheUpperTriangle) {
  const std::vector<float> pairs = {0.6f, 0.1f, 0.5f, 0.2f, 0.4f, 0.3f};
  EXPECT_EQ(ranked_pairs(with_pairs(4, pairs, 0.0f)), ranked_pairs(with_pairs(4, pairs, 9.0f)));
}

TEST(RankTransform, NothingForNoObjects) {
  SquareMatrix ranks(0);
  rank_transform(SquareMatrix(0), ranks, 0);
  EXPECT_EQ(ranks.dimension(), 0);
}

}  // namespace
}  // namespace orvanel::stats
