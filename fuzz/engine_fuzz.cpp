// Fuzz target: the fast ranking and the multi-threaded scan against the straightforward ones,
// on matrices full of ties, NaNs, signed zeros and infinities, for any thread count and any cut
// of the permutations into units of work.
//
// Input: the dimension, the group minima, the permutation count, the seed, the thread count and
// the unit size, each from the front of the input, then one byte per matrix element.
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "driver/split_scan.h"
#include "fuzz/common.h"
#include "reference/literal_ranking.h"
#include "reference/literal_scan.h"
#include "stats/rank_transform.h"

namespace {

using namespace orvanel;
using driver::SplitResult;

constexpr std::int32_t kSmallDimensions = 16;
// From 92 objects on, the rank sums are no longer exact in single precision and the scan must
// keep the row order of its sums.
constexpr std::int32_t kLargeDimension = 92;

// An element from one byte: mostly a few values, so that ties abound, and now and then one of
// the values that rank specially.
float element(std::uint8_t byte) {
  switch (byte) {
    case 250:
      return std::numeric_limits<float>::quiet_NaN();
    case 251:
      return -0.0f;
    case 252:
      return std::numeric_limits<float>::infinity();
    case 253:
      return -std::numeric_limits<float>::infinity();
    case 254:
      return std::numeric_limits<float>::denorm_min();
    default:
      return static_cast<float>(byte % 16) * 0.125f;
  }
}

bool same_bits(float a, float b) {
  return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

bool same_split(const SplitResult& a, const SplitResult& b) {
  const bool same_p =
      std::isnan(a.p) ? std::isnan(b.p) : a.p == b.p && std::signbit(a.p) == std::signbit(b.p);
  return a.n1 == b.n1 && a.n2 == b.n2 && same_bits(a.mrb, b.mrb) && same_bits(a.mrw, b.mrw) &&
         same_bits(a.r, b.r) && a.hits == b.hits && same_p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const bool large = input.take_byte() == 255;
  driver::RunParameters parameters;
  const std::int32_t n =
      large ? kLargeDimension + input.take_byte() % 8 : input.take_byte() % kSmallDimensions + 1;
  parameters.n = n;
  // A large matrix gets at most three splits and two permutations each.
  parameters.min_n1 = large ? n / 2 - 1 : input.take_in_range(-3, kSmallDimensions + 2);
  parameters.min_n2 = large ? n / 2 - 1 : input.take_in_range(-3, kSmallDimensions + 2);
  parameters.permutations = input.take_in_range(-1, large ? 1 : 9);
  const std::int32_t seed = input.take_in_range(-32768, 32767);
  driver::ScanSettings settings;
  settings.threads = input.take_in_range(1, 3);
  settings.chunk_permutations = input.take_in_range(0, 4);

  stats::SquareMatrix dissimilarities(n);
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= n; ++j) dissimilarities(i, j) = element(input.take_byte());
  }

  stats::SquareMatrix ranks(n);
  stats::rank_transform(dissimilarities, ranks, n);
  // The literal ranking takes M^2 steps: too slow for the large matrices, which only test the
  // scan.
  if (!large) {
    stats::SquareMatrix literal_ranks(n);
    reference::rank_transform(dissimilarities, literal_ranks, n);
    for (std::int32_t i = 1; i <= n; ++i) {
      for (std::int32_t j = 1; j <= n; ++j) {
        FUZZ_CHECK(same_bits(ranks(i, j), literal_ranks(i, j)));
      }
    }
  }

  stats::RandomSource random(seed);
  std::vector<SplitResult> splits;
  driver::scan_splits(
      ranks, parameters, random, [&splits](const SplitResult& split) { splits.push_back(split); },
      settings);

  stats::RandomSource literal_random(seed);
  std::vector<SplitResult> literal_splits;
  stats::SquareMatrix design(n);
  stats::SquareMatrix working(n);
  reference::scan_splits(
      design, working, ranks, parameters, literal_random,
      [&literal_splits](const SplitResult& split) { literal_splits.push_back(split); });

  FUZZ_CHECK(std::equal(splits.begin(), splits.end(), literal_splits.begin(), literal_splits.end(),
                        same_split));
  FUZZ_CHECK(random.state() == literal_random.state());
  return 0;
}
