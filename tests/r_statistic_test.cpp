// The group design and the R statistic.
#include "reference/literal_statistic.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace orvanel::reference {
namespace {

SquareMatrix rank_matrix(std::int32_t n, const std::vector<float>& pairs) {
  SquareMatrix m(n);
  std::size_t next = 0;
  for (std::int32_t i = 1; i <= n; ++i) {
    m(i, i) = -1.0f;
    for (std::int32_t j = i + 1; j <= n; ++j) {
      m(i, j) = pairs[next];
      m(j, i) = pairs[next++];
    }
  }
  return m;
}

struct RCase {
  const char* name;
  std::int32_t n;
  std::int32_t n1;
  std::vector<float> ranks;  // upper triangle in row order
  float mrb;
  float mrw;
  float r;
};

TEST(RStatistic, MeansAndR) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const RCase cases[] = {
      // pairs {1,2} {1,3} {1,4} {2,3} {2,4} {3,4}; within for n1 = 2: {1,2} and {3,4}
      {"between above within", 4, 2, {1, 3, 4, 5, 6, 2}, 4.5f, 1.5f, 1.0f},
      {"between below within", 4, 2, {5, 1, 2, 3, 4, 6}, 2.5f, 5.5f, -1.0f},
      {"all tied", 4, 2, {3.5f, 3.5f, 3.5f, 3.5f, 3.5f, 3.5f}, 3.5f, 3.5f, 0.0f},
      // n1 = 1: within is {2,3} alone, between {1,2} and {1,3}
      {"one object first", 3, 1, {1, 2, 3}, 1.5f, 3.0f, -1.0f},
      {"no within pair", 2, 1, {1}, 1.0f, nan, nan},
      {"no between pair", 3, 0, {1, 2, 3}, nan, 2.0f, nan},
      {"group one is everything", 3, 3, {1, 2, 3}, nan, 2.0f, nan},
      // within {1,2} {3,4} {3,5} {4,5} = 1 8 9 10; R = (27/6 - 28/4) / (5 * 4 / 4)
      {"five objects", 5, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 4.5f, 7.0f, -0.5f},
  };
  for (const RCase& c : cases) {
    SCOPED_TRACE(c.name);
    SquareMatrix design(c.n);
    const std::array<std::int32_t, 2> sizes = {c.n1, c.n - c.n1};
    build_design(design, c.n, sizes);
    float mrb = -1.0f;
    float mrw = -1.0f;
    const float r = r_statistic(rank_matrix(c.n, c.ranks), design, c.n, mrb, mrw);
    const auto same = [](float got, float want) {
      return std::isnan(want) ? std::isnan(got) : got == want;
    };
    EXPECT_TRUE(same(mrb, c.mrb)) << mrb;
    EXPECT_TRUE(same(mrw, c.mrw)) << mrw;
    EXPECT_TRUE(same(r, c.r)) << r;
  }
}

std::vector<float> lower_triangle(const SquareMatrix& m) {
  std::vector<float> values;
  for (std::int32_t i = 2; i <= m.dimension(); ++i) {
    for (std::int32_t j = 1; j < i; ++j) values.push_back(m(i, j));
  }
  return values;
}

TEST(BuildDesign, MarksBetweenPairsOnly) {
  struct Case {
    const char* name;
    std::int32_t n;
    std::array<std::int32_t, 2> sizes;
    std::vector<float> want;  // lower triangle: (2,1) (3,1) (3,2) (4,1) (4,2) (4,3)
  };
  const Case cases[] = {
      {"two and two", 4, {2, 2}, {1, -1, -1, -1, -1, 1}},
      {"n2 is not consulted", 4, {2, 99}, {1, -1, -1, -1, -1, 1}},
      {"one first", 4, {1, 3}, {-1, -1, 1, -1, 1, 1}},
      {"empty first group", 4, {0, 4}, {1, 1, 1, 1, 1, 1}},
      {"negative first group", 4, {-5, 9}, {1, 1, 1, 1, 1, 1}},
      {"first group past the end", 4, {7, -3}, {1, 1, 1, 1, 1, 1}},
      {"extreme sizes", 4, {2147483647, -2147483647 - 1}, {1, 1, 1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SquareMatrix design(c.n);
    for (std::int32_t i = 1; i <= c.n; ++i) {
      for (std::int32_t j = 1; j <= c.n; ++j) design(i, j) = 5.0f;  // stale content
    }
    build_design(design, c.n, c.sizes);
    EXPECT_EQ(lower_triangle(design), c.want);
    for (std::int32_t i = 1; i <= c.n; ++i) {
      for (std::int32_t j = i; j <= c.n; ++j) EXPECT_EQ(design(i, j), 5.0f);
    }
  }
}

}  // namespace
}  // namespace orvanel::reference
