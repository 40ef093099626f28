// The sorting mid-rank transform against the running-value reference.
#include <gtest/gtest.h>

#include <cstdint>

#include "matrices.h"
#include "reference/literal_ranking.h"
#include "stats/rank_transform.h"

namespace orvanel::engine_test {
namespace {

struct RankCase {
  std::int32_t n;
  Values values;
};

// Every element, diagonal and mirror image included, bit for bit; the dissimilarities are left
// as they were; stale content of the rank matrix does not survive.
TEST(Ranking, SameBitsAsRunningValueMethod) {
  const RankCase cases[] = {
      {1, Values::distinct}, {2, Values::distinct}, {2, Values::all_nan},
      {3, Values::ties},     {4, Values::ties},     {5, Values::nans},
      {7, Values::negative}, {13, Values::all_nan}, {20, Values::distinct},
      {31, Values::ties},    {40, Values::nans},    {47, Values::negative},
      {64, Values::nans},    {90, Values::ties},    {100, Values::distinct},
  };
  for (const RankCase& c : cases) {
    for (const std::uint32_t seed : {1u, 77u}) {
      SCOPED_TRACE(testing::Message()
                   << "n " << c.n << ", " << to_string(c.values) << ", seed " << seed);
      const stats::SquareMatrix dissimilarities = generate_matrix(c.n, c.values, seed);
      stats::SquareMatrix expected(c.n);
      reference::rank_transform(dissimilarities, expected, c.n);
      stats::SquareMatrix ranks = generate_matrix(c.n, Values::nans, seed + 1);
      stats::SquareMatrix input = dissimilarities;
      stats::rank_transform(input, ranks, c.n);
      EXPECT_TRUE(same_bits(ranks, expected));
      EXPECT_TRUE(same_bits(input, dissimilarities));
    }
  }
}

}  // namespace
}  // namespace orvanel::engine_test
