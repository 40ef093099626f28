// Benchmarks of the fast engine against the straightforward reference, ending with a table of
// the ratios reference time / engine time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "driver/split_scan.h"
#include "reference/literal_ranking.h"
#include "reference/literal_scan.h"
#include "reference/literal_statistic.h"
#include "stats/permutation_engine.h"
#include "stats/random_source.h"
#include "stats/rank_transform.h"

namespace orvanel::bench {
namespace {

constexpr std::int32_t kPermutations = 999;

std::int32_t all_cores() {
  return static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()));
}

// Pseudo-random dissimilarities, practically without ties.
stats::SquareMatrix dissimilarities_of(std::int32_t n) {
  std::mt19937 generator(static_cast<std::uint32_t>(n));
  stats::SquareMatrix matrix(n);
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = i + 1; j <= n; ++j) {
      matrix(i, j) = static_cast<float>(generator() >> 8) / 16777216.0f;
    }
  }
  return matrix;
}

stats::SquareMatrix ranks_of(std::int32_t n) {
  stats::SquareMatrix ranks(n);
  stats::rank_transform(dissimilarities_of(n), ranks, n);
  return ranks;
}

// Work on one core is timed in process CPU time, which other programs sharing the machine do
// not inflate; work on all cores can only be timed by the clock on the wall.
enum class Timing { cpu, wall };

template <class Work>
double seconds_of(Timing timing, Work&& work) {
  const clockid_t clock = timing == Timing::cpu ? CLOCK_PROCESS_CPUTIME_ID : CLOCK_MONOTONIC;
  const auto now = [clock] {
    timespec time{};
    clock_gettime(clock, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
  };
  const double start = now();
  work();
  return now() - start;
}

double pair_count(std::int32_t n) { return static_cast<double>(n) * (n - 1) / 2; }

// The reference compares every pair with every pair, so its time grows as M^2: a size too
// slow to run is timed at `measured_n` and scaled by the ratio of comparison counts.
void ranking_reference(benchmark::State& state, std::int32_t n, std::int32_t measured_n) {
  const stats::SquareMatrix dissimilarities = dissimilarities_of(measured_n);
  const double scale = std::pow(pair_count(n) / pair_count(measured_n), 2);
  if (measured_n != n) state.SetLabel("estimated from n=" + std::to_string(measured_n));
  for (auto _ : state) {
    stats::SquareMatrix ranks(measured_n);
    state.SetIterationTime(scale * seconds_of(Timing::cpu, [&] {
                             reference::rank_transform(dissimilarities, ranks, measured_n);
                           }));
  }
}

void ranking_engine(benchmark::State& state, std::int32_t n) {
  const stats::SquareMatrix dissimilarities = dissimilarities_of(n);
  for (auto _ : state) {
    stats::SquareMatrix ranks(n);
    state.SetIterationTime(
        seconds_of(Timing::cpu, [&] { stats::rank_transform(dissimilarities, ranks, n); }));
  }
}

// One split (n1 = n/2) with its permutations. Every reference permutation costs the same, so
// a size too slow to run does `measured` of them and is scaled to 999.
void permutations_reference(benchmark::State& state, std::int32_t n, std::int32_t measured) {
  const stats::SquareMatrix ranks = ranks_of(n);
  stats::SquareMatrix design(n);
  const std::array<std::int32_t, 2> sizes = {n / 2, n - n / 2};
  reference::build_design(design, n, sizes);
  if (measured != kPermutations) state.SetLabel("estimated from " + std::to_string(measured));
  for (auto _ : state) {
    stats::SquareMatrix working = ranks;
    stats::RandomSource random(1);
    const double seconds = seconds_of(Timing::cpu, [&] {
      float mrb = 0.0f;
      float mrw = 0.0f;
      const float observed = reference::r_statistic(working, design, n, mrb, mrw);
      std::int64_t hits = 0;
      for (std::int32_t k = 0; k < measured; ++k) {
        reference::permute_objects(working, n, random);
        if (reference::r_statistic(working, design, n, mrb, mrw) >= observed) ++hits;
      }
      benchmark::DoNotOptimize(hits);
    });
    state.SetIterationTime(seconds * kPermutations / measured);
  }
}

void permutations_engine(benchmark::State& state, std::int32_t n) {
  const stats::SquareMatrix ranks = ranks_of(n);
  const stats::FixedRanks fixed(ranks, n);
  for (auto _ : state) {
    state.SetIterationTime(seconds_of(Timing::cpu, [&] {
      stats::RelabellingWalk walk(fixed, n / 2, stats::RandomSource(1));
      const float observed = walk.current().r;
      benchmark::DoNotOptimize(walk.count_hits(observed, kPermutations));
    }));
  }
}

// The whole scan, min 3/3. Every reference split costs the same (2n draws and the same swaps
// and pass over the pairs per permutation, whatever n1), so a size too slow to run does its
// first `measured` splits and is scaled to all n - 5.
void scan_reference(benchmark::State& state, std::int32_t n, std::int32_t measured) {
  const stats::SquareMatrix ranks = ranks_of(n);
  const std::int32_t splits = n - 5;
  const driver::RunParameters parameters{"", n, 3, n - 2 - measured, kPermutations};
  if (measured != splits) state.SetLabel("estimated from " + std::to_string(measured) + " splits");
  for (auto _ : state) {
    stats::SquareMatrix design(n);
    stats::SquareMatrix working(n);
    stats::RandomSource random(1);
    const double seconds = seconds_of(Timing::cpu, [&] {
      reference::scan_splits(design, working, ranks, parameters, random,
                             [](const driver::SplitResult&) {});
    });
    state.SetIterationTime(seconds * splits / measured);
  }
}

void scan_engine(benchmark::State& state, std::int32_t n, std::int32_t threads) {
  const stats::SquareMatrix ranks = ranks_of(n);
  const driver::RunParameters parameters{"", n, 3, 3, kPermutations};
  state.SetLabel(threads == 1 ? "1 thread" : std::to_string(threads) + " threads, wall time");
  for (auto _ : state) {
    stats::RandomSource random(1);
    state.SetIterationTime(seconds_of(threads == 1 ? Timing::cpu : Timing::wall, [&] {
      driver::scan_splits(ranks, parameters, random, [](const driver::SplitResult&) {},
                          {threads, 0});
    }));
  }
}

// Console output as usual, then reference time / engine time for every measured pair, from the
// least time of each (with --benchmark_repetitions). Names are "group/variant/n".
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal, so that a saved output stays plain text.
  RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) == 1 ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      const std::string name = run.benchmark_name();
      const std::size_t first = name.find('/');
      const std::size_t second = name.find('/', first + 1);
      const std::string group = name.substr(0, first);
      const std::string variant = name.substr(first + 1, second - first - 1);
      const int n = std::stoi(name.substr(second + 1));
      // The least of repeated measurements is the one least disturbed.
      const auto [time, added] = times_[{group, n}].emplace(variant, run.GetAdjustedRealTime());
      if (!added) time->second = std::min(time->second, run.GetAdjustedRealTime());
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nreference time / engine time (%d cores)\n", all_cores());
    std::printf("%-14s %6s  %-16s %8s\n", "benchmark", "n", "engine", "ratio");
    for (const auto& [key, variants] : times_) {
      const auto reference = variants.find("reference");
      if (reference == variants.end()) continue;
      for (const auto& [variant, time] : variants) {
        if (variant == "reference") continue;
        std::printf("%-14s %6d  %-16s %7.0fx\n", key.first.c_str(), key.second, variant.c_str(),
                    reference->second / time);
      }
    }
  }

 private:
  std::map<std::pair<std::string, int>, std::map<std::string, double>> times_;
};

void register_benchmarks() {
  const auto add = [](const char* group, const char* variant, std::int32_t n, auto function,
                      auto... arguments) {
    std::string name = group;
    name.append("/").append(variant).append("/").append(std::to_string(n));
    return benchmark::RegisterBenchmark(name.c_str(), function, n, arguments...)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  };
  for (const std::int32_t n : {100, 300, 1000}) {
    add("ranking", "reference", n, ranking_reference, std::min(n, 300))->Iterations(1);
    add("ranking", "engine", n, ranking_engine);
  }
  for (const std::int32_t n : {50, 200, 1000}) {
    add("permutations", "reference", n, permutations_reference, n < 1000 ? kPermutations : 50)
        ->Iterations(1);
    add("permutations", "engine", n, permutations_engine);
  }
  for (const std::int32_t n : {50, 100, 200, 400}) {
    const std::int64_t repeats = n <= 100 ? 3 : 1;
    add("scan", "reference", n, scan_reference, n <= 100 ? n - 5 : 4)->Iterations(1);
    add("scan", "engine_1_thread", n, scan_engine, 1)->Iterations(repeats);
    add("scan", "engine_all_cores", n, scan_engine, all_cores())->Iterations(repeats);
  }
}

}  // namespace
}  // namespace orvanel::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  orvanel::bench::register_benchmarks();
  orvanel::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
