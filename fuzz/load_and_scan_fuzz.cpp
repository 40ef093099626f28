// Fuzz target: the load-and-scan path on small dimensions: counting pass, size check, reading
// pass, similarity conversion, ranking and the split-point scan with a few permutations.
//
// Input: the dimension, the two group minima, the permutation count and the seed, each from
// the front of the input, then the matrix file's bytes.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/matrix_loading.h"
#include "driver/split_scan.h"
#include "fuzz/common.h"
#include "stats/rank_transform.h"

namespace {

using namespace orvanel;
using driver::SplitResult;
using fuzz::FuzzInput;

constexpr std::int32_t kLargestDimension = 12;

const fuzz::ScratchDirectory scratch;

bool same_float(float a, float b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

bool same_split(const SplitResult& a, const SplitResult& b) {
  return a.n1 == b.n1 && a.n2 == b.n2 && same_float(a.mrb, b.mrb) && same_float(a.mrw, b.mrw) &&
         same_float(a.r, b.r) && a.hits == b.hits;
}

std::vector<SplitResult> scan(const stats::SquareMatrix& ranks,
                              const driver::RunParameters& parameters, std::int32_t seed) {
  stats::RandomSource random(seed);
  std::vector<SplitResult> splits;
  driver::scan_splits(ranks, parameters, random,
                      [&splits](const SplitResult& split) { splits.push_back(split); });
  return splits;
}

// The ranks of a loaded matrix: symmetric, -1 on the diagonal, every pair from 0.5 up to M.
void check_ranks(const stats::SquareMatrix& ranks, std::int32_t n) {
  const float pairs = static_cast<float>(n * (n - 1) / 2);
  for (std::int32_t i = 1; i <= n; ++i) {
    FUZZ_CHECK(ranks(i, i) == -1.0f);
    for (std::int32_t j = i + 1; j <= n; ++j) {
      FUZZ_CHECK(ranks(i, j) == ranks(j, i));
      FUZZ_CHECK(ranks(i, j) >= 0.5f && ranks(i, j) <= pairs);
    }
  }
}

// What every split of a scan must satisfy, whatever the matrix.
void check_splits(const std::vector<SplitResult>& splits, const driver::RunParameters& p) {
  const std::int64_t rows =
      std::max<std::int64_t>(1, static_cast<std::int64_t>(p.n) - p.min_n1 - p.min_n2 + 1);
  FUZZ_CHECK(static_cast<std::int64_t>(splits.size()) == rows);
  const std::int64_t pairs = static_cast<std::int64_t>(p.n) * (p.n - 1) / 2;
  for (std::size_t k = 0; k < splits.size(); ++k) {
    const SplitResult& split = splits[k];
    FUZZ_CHECK(split.n1 == p.min_n1 + static_cast<std::int64_t>(k));
    FUZZ_CHECK(split.n1 + split.n2 == p.n);
    const std::int64_t in_first = std::clamp<std::int64_t>(split.n1, 0, p.n);
    const std::int64_t between = in_first * (p.n - in_first);
    FUZZ_CHECK(std::isnan(split.mrb) == (between == 0));
    FUZZ_CHECK(std::isnan(split.mrw) == (between == pairs));
    FUZZ_CHECK(std::isnan(split.r) == (between == 0 || between == pairs));
    if (!std::isnan(split.r)) FUZZ_CHECK(std::fabs(split.r) <= 1.0f);
    FUZZ_CHECK(split.hits >= 0 && split.hits <= std::max(0, p.permutations));
    if (std::isnan(split.r)) FUZZ_CHECK(split.hits == 0);
    const long double p_value = static_cast<long double>(split.hits) / p.permutations;
    FUZZ_CHECK((std::isnan(p_value) && std::isnan(split.p)) || split.p == p_value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::silence_standard_output();
  FuzzInput input(data, size);
  driver::RunParameters parameters;
  parameters.n = input.take_byte() % kLargestDimension + 1;
  parameters.min_n1 = input.take_in_range(-3, kLargestDimension + 2);
  parameters.min_n2 = input.take_in_range(-3, kLargestDimension + 2);
  parameters.permutations = input.take_in_range(-1, 6);
  const std::int32_t seed = input.take_in_range(-32768, 32767);
  const std::string bytes = input.take_rest();
  parameters.matrix_file = scratch.write("matrix", bytes);

  const std::int64_t value_count = driver::count_values(parameters.matrix_file);
  FUZZ_CHECK(value_count >= 1 && value_count <= static_cast<std::int64_t>(bytes.size()) + 1);
  if (!driver::values_fit_dimension(value_count, parameters.n)) return 0;
  const std::int32_t n = parameters.n;
  stats::SquareMatrix dissimilarities = driver::read_matrix(parameters.matrix_file, n);
  driver::convert_similarities(dissimilarities, n);
  stats::SquareMatrix ranks(n);
  stats::rank_transform(dissimilarities, ranks, n);
  check_ranks(ranks, n);

  const std::vector<SplitResult> splits = scan(ranks, parameters, seed);
  check_splits(splits, parameters);
  const std::vector<SplitResult> again = scan(ranks, parameters, seed);
  FUZZ_CHECK(std::equal(splits.begin(), splits.end(), again.begin(), again.end(), same_split));
  return 0;
}
