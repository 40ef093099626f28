// The parallel scan against the literal one: every split's values, in order, for any number
// of threads and any cut of the permutations into units.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <vector>

#include "driver/split_scan.h"
#include "matrices.h"
#include "reference/literal_scan.h"
#include "stats/rank_transform.h"

namespace orvanel::engine_test {
namespace {

const ScanCase kScanCases[] = {
    {"twenty objects", 20, Values::distinct, 3, 3, 45},
    {"ties and NaN", 25, Values::nans, 2, 4, 30},
    {"one row", 10, Values::ties, 6, 6, 20},
    {"empty first groups", 8, Values::distinct, -2, 3, 15},
    {"empty second groups", 8, Values::negative, 5, -2, 15},
    {"no permutations", 12, Values::ties, 3, 3, 0},
    {"negative permutations", 12, Values::ties, 3, 3, -4},
    {"one object", 1, Values::distinct, 1, 1, 10},
    {"two objects", 2, Values::distinct, 1, 1, 10},
    {"sums in row order", 100, Values::distinct, 45, 45, 12},
    {"row order with ties", 110, Values::nans, 52, 50, 9},
};

const std::pair<std::int32_t, std::int64_t> kThreadsAndChunks[] = {
    {1, 0}, {1, 3}, {2, 0}, {2, 1}, {3, 0}, {3, 3},
};

std::vector<driver::SplitResult> literal_scan(const stats::SquareMatrix& ranks,
                                              const driver::RunParameters& parameters,
                                              stats::RandomSource& random) {
  stats::SquareMatrix design(parameters.n);
  stats::SquareMatrix working(parameters.n);
  std::vector<driver::SplitResult> splits;
  reference::scan_splits(design, working, ranks, parameters, random,
                         [&](const driver::SplitResult& split) { splits.push_back(split); });
  return splits;
}

void expect_same_split(const driver::SplitResult& got, const driver::SplitResult& want) {
  EXPECT_EQ(got.n1, want.n1);
  EXPECT_EQ(got.n2, want.n2);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(got.mrb), std::bit_cast<std::uint32_t>(want.mrb));
  EXPECT_EQ(std::bit_cast<std::uint32_t>(got.mrw), std::bit_cast<std::uint32_t>(want.mrw));
  EXPECT_EQ(std::bit_cast<std::uint32_t>(got.r), std::bit_cast<std::uint32_t>(want.r));
  EXPECT_EQ(got.hits, want.hits);
  EXPECT_EQ(std::isnan(got.p), std::isnan(want.p));
  EXPECT_EQ(std::signbit(got.p), std::signbit(want.p));
  if (!std::isnan(want.p)) {
    EXPECT_EQ(got.p, want.p);
  }
}

TEST(Scan, SameSplitsAsLiteralForAnyThreadsAndChunks) {
  for (const ScanCase& c : kScanCases) {
    const stats::SquareMatrix dissimilarities = generate_matrix(c.n, c.values, 8);
    stats::SquareMatrix ranks(c.n);
    stats::rank_transform(dissimilarities, ranks, c.n);
    const driver::RunParameters parameters{"", c.n, c.min_n1, c.min_n2, c.permutations};
    for (const std::int32_t seed : {1, -5}) {
      stats::RandomSource literal_random(seed);
      const std::vector<driver::SplitResult> want = literal_scan(ranks, parameters, literal_random);
      // Chunk 0 lets the scan cut the work; 1 and 3 put seams inside groups of lanes.
      for (const auto& [threads, chunk] : kThreadsAndChunks) {
        SCOPED_TRACE(testing::Message() << c.name << ", seed " << seed << ", " << threads
                                        << " threads, chunk " << chunk);
        stats::RandomSource random(seed);
        std::vector<driver::SplitResult> got;
        const std::thread::id caller = std::this_thread::get_id();
        driver::scan_splits(ranks, parameters, random,
                            [&](const driver::SplitResult& split) {
                              EXPECT_EQ(std::this_thread::get_id(), caller);
                              got.push_back(split);
                            },
                            {threads, chunk});
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t k = 0; k < want.size(); ++k) {
          SCOPED_TRACE(testing::Message() << "split " << k);
          expect_same_split(got[k], want[k]);
        }
        EXPECT_EQ(random.state(), literal_random.state());
      }
    }
  }
}

// A callback that gives up part way must not leave workers running or waiting.
TEST(Scan, CallbackExceptionEndsTheScan) {
  const std::int32_t n = 30;
  stats::SquareMatrix ranks(n);
  stats::rank_transform(generate_matrix(n, Values::distinct, 2), ranks, n);
  const driver::RunParameters parameters{"", n, 2, 2, 200};
  stats::RandomSource random(1);
  int delivered = 0;
  EXPECT_THROW(driver::scan_splits(ranks, parameters, random,
                                   [&](const driver::SplitResult&) {
                                     if (++delivered == 2) throw std::runtime_error("stop");
                                   },
                                   {3, 7}),
               std::runtime_error);
  EXPECT_EQ(delivered, 2);
}

TEST(ThreadCount, ParsesWholeNumbersFromOneTo1024) {
  const std::pair<std::string_view, std::optional<std::int32_t>> cases[] = {
      {"1", 1},
      {"2", 2},
      {"1024", 1024},
      {"0007", 7},
      {"0", std::nullopt},
      {"1025", std::nullopt},
      {"99999", std::nullopt},
      {"", std::nullopt},
      {"-1", std::nullopt},
      {"+2", std::nullopt},
      {" 2", std::nullopt},
      {"2 ", std::nullopt},
      {"two", std::nullopt},
  };
  for (const auto& [text, want] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(driver::parse_thread_count(text), want);
  }
}

TEST(ThreadCount, EnvironmentOrEveryCore) {
  const auto cores = static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()));
  setenv("ORVANEL_THREADS", "3", 1);
  EXPECT_EQ(driver::default_thread_count(), 3);
  setenv("ORVANEL_THREADS", "lots", 1);
  EXPECT_EQ(driver::default_thread_count(), cores);
  unsetenv("ORVANEL_THREADS");
  EXPECT_EQ(driver::default_thread_count(), cores);
}

}  // namespace
}  // namespace orvanel::engine_test
