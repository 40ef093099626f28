// The split-point scan: splits evaluated on worker threads, delivered in scan order.
#include "driver/split_scan.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "driver/progress.h"
#include "stats/permutation_engine.h"

namespace orvanel::driver {
namespace {

constexpr std::int32_t kMaxThreads = 1024;
// Permutations between two progress counts: small enough for a smooth line, large enough to
// keep the lanes of the engine full.
constexpr std::int64_t kProgressStep = 64;

// The shape of a scan. Split s (0-based) has n1 = first_n1 + s; its permutations are cut into
// `chunks` units of `chunk` permutations (the last may be shorter), and unit u is chunk
// u % chunks of split u / chunks. Every unit can start on its own: the random source jumps to
// its split's first draw (s * draws_per_split draws into the scan) and replays the
// relabellings of the chunks before it, which costs draws but no evaluation.
struct ScanPlan {
  std::int32_t n = 0;
  std::int64_t first_n1 = 0;
  std::int64_t splits = 0;
  std::int64_t permutations = 0;  // per split, 0 when the parameter is not positive
  std::int64_t chunk = 1;
  std::int64_t chunks = 1;
  std::uint64_t draws_per_split = 0;

  std::int64_t units() const { return splits * chunks; }
  // Work for the progress line: each split's observed R counts as one permutation. A double:
  // extreme parameters could take the product past 64 bits.
  double work() const {
    return static_cast<double>(splits) * static_cast<double>(permutations + 1);
  }
};

ScanPlan plan_scan(const RunParameters& parameters, std::int32_t threads, std::int64_t chunk) {
  ScanPlan plan;
  plan.n = parameters.n;
  plan.first_n1 = parameters.min_n1;
  plan.splits = std::max<std::int64_t>(
      1, static_cast<std::int64_t>(parameters.n) - parameters.min_n1 - parameters.min_n2 + 1);
  plan.permutations = std::max(parameters.permutations, 0);
  plan.draws_per_split = static_cast<std::uint64_t>(2 * std::max<std::int64_t>(parameters.n, 0)) *
                         static_cast<std::uint64_t>(plan.permutations);
  if (plan.permutations == 0) return plan;
  if (chunk <= 0) {
    // Whole splits while there are enough of them to keep every thread busy to the end;
    // otherwise cut each split so that there are about two units per thread.
    const std::int64_t wanted = 2 * static_cast<std::int64_t>(threads);
    const std::int64_t chunks =
        plan.splits >= wanted ? 1 : (wanted + plan.splits - 1) / plan.splits;
    chunk = (plan.permutations + chunks - 1) / chunks;
  }
  plan.chunk = std::min(chunk, plan.permutations);
  plan.chunks = (plan.permutations + plan.chunk - 1) / plan.chunk;
  return plan;
}

// What one unit found.
struct UnitResult {
  stats::SplitStatistic statistic;
  std::int64_t hits = 0;
};

UnitResult run_unit(const stats::FixedRanks& ranks, const ScanPlan& plan,
                    const stats::RandomSource& scan_start, std::int64_t unit,
                    std::atomic<std::int64_t>& work_done) {
  const std::int64_t split = unit / plan.chunks;
  const std::int64_t first = unit % plan.chunks * plan.chunk;
  std::int64_t count = std::min(plan.chunk, plan.permutations - first);
  stats::RandomSource random = scan_start;
  random.discard(static_cast<std::uint64_t>(split) * plan.draws_per_split);
  stats::RelabellingWalk walk(ranks, static_cast<std::int32_t>(plan.first_n1 + split), random);
  UnitResult result;
  result.statistic = walk.current();
  if (first == 0) work_done.fetch_add(1, std::memory_order_relaxed);
  // A NaN R never counts a hit, so its relabellings need not be made: the next split jumps to
  // its own draws anyway.
  if (std::isnan(result.statistic.r)) {
    work_done.fetch_add(count, std::memory_order_relaxed);
    return result;
  }
  walk.skip(first);
  while (count > 0) {
    const std::int64_t step = std::min(count, kProgressStep);
    result.hits += walk.count_hits(result.statistic.r, step);
    work_done.fetch_add(step, std::memory_order_relaxed);
    count -= step;
  }
  return result;
}

// Units handed to workers in order, results gathered per split. A split's slot lives in a ring
// of `window` slots; no unit of split s is started before split s - window has been delivered,
// which bounds the memory whatever the speed of the workers.
class UnitQueue {
 public:
  UnitQueue(const ScanPlan& plan, std::int64_t window)
      : plan_(plan), slots_(static_cast<std::size_t>(window)) {
    for (Slot& slot : slots_) slot.chunks_left = plan.chunks;
  }

  // The next unit, or -1 when there is none left or the scan stops. Waits while the window is
  // full.
  std::int64_t take() {
    std::unique_lock lock(mutex_);
    unit_wanted_.wait(lock, [&] {
      return stopping_ || next_unit_ == plan_.units() ||
             next_unit_ / plan_.chunks < delivered_ + static_cast<std::int64_t>(slots_.size());
    });
    if (stopping_ || next_unit_ == plan_.units()) return -1;
    return next_unit_++;
  }

  void finish(std::int64_t unit, const UnitResult& result) {
    std::lock_guard lock(mutex_);
    Slot& slot = slot_of(unit / plan_.chunks);
    if (unit % plan_.chunks == 0) slot.statistic = result.statistic;
    slot.hits += result.hits;
    if (--slot.chunks_left == 0) split_done_.notify_one();
  }

  // Waits for split `split` (the next to deliver) for at most `timeout`; takes its result when
  // it is complete.
  bool try_deliver(std::int64_t split, std::chrono::milliseconds timeout, UnitResult& result) {
    std::unique_lock lock(mutex_);
    Slot& slot = slot_of(split);
    if (!split_done_.wait_for(lock, timeout, [&] { return slot.chunks_left == 0; })) return false;
    result.statistic = slot.statistic;
    result.hits = slot.hits;
    slot = Slot{{}, 0, plan_.chunks};
    ++delivered_;
    unit_wanted_.notify_all();
    return true;
  }

  void stop() {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    unit_wanted_.notify_all();
  }

 private:
  struct Slot {
    stats::SplitStatistic statistic;
    std::int64_t hits = 0;
    std::int64_t chunks_left = 0;
  };

  Slot& slot_of(std::int64_t split) {
    return slots_[static_cast<std::size_t>(split % static_cast<std::int64_t>(slots_.size()))];
  }

  const ScanPlan& plan_;
  std::mutex mutex_;
  std::condition_variable unit_wanted_;
  std::condition_variable split_done_;
  std::vector<Slot> slots_;
  std::int64_t next_unit_ = 0;
  std::int64_t delivered_ = 0;
  bool stopping_ = false;
};

// Stops the queue when the scan ends early (the callback threw), before the workers are
// joined.
struct StopOnExit {
  UnitQueue& queue;
  ~StopOnExit() { queue.stop(); }
};

}  // namespace

std::optional<std::int32_t> parse_thread_count(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  std::int32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > kMaxThreads) return std::nullopt;
  return value;
}

std::int32_t default_thread_count() {
  if (const char* text = std::getenv("ORVANEL_THREADS")) {
    if (const std::optional<std::int32_t> threads = parse_thread_count(text)) return *threads;
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<std::int32_t>(std::clamp<unsigned>(cores, 1, kMaxThreads));
}

void scan_splits(const stats::SquareMatrix& ranks, const RunParameters& parameters,
                 stats::RandomSource& random,
                 const std::function<void(const SplitResult&)>& on_split,
                 const ScanSettings& settings) {
  const std::int32_t threads = settings.threads > 0 ? settings.threads : default_thread_count();
  const ScanPlan plan = plan_scan(parameters, threads, settings.chunk_permutations);
  const stats::FixedRanks fixed_ranks(ranks, parameters.n);
  const stats::RandomSource scan_start = random;
  std::atomic<std::int64_t> work_done = 0;

  UnitQueue queue(plan, 2 * static_cast<std::int64_t>(threads) + 2);
  std::vector<std::jthread> workers;
  const StopOnExit stop_on_exit{queue};
  const auto run_one = [&](std::int64_t unit) {
    queue.finish(unit, run_unit(fixed_ranks, plan, scan_start, unit, work_done));
  };
  const auto worker_count = std::min<std::int64_t>(threads, plan.units());
  for (std::int64_t k = 0; k < worker_count; ++k) {
    try {
      workers.emplace_back([&] {
        for (std::int64_t unit = queue.take(); unit >= 0; unit = queue.take()) run_one(unit);
      });
    } catch (const std::system_error&) {
      break;  // no more threads to be had (a memory limit): go on with those started
    }
  }

  ProgressLine progress(plan.splits, plan.work());
  for (std::int64_t split = 0; split < plan.splits; ++split) {
    UnitResult done;
    // Without any worker the calling thread runs the units itself, in order.
    const auto wait =
        workers.empty() ? std::chrono::milliseconds(0) : std::chrono::milliseconds(250);
    while (!queue.try_deliver(split, wait, done)) {
      if (workers.empty()) run_one(queue.take());
      progress.update(split, work_done.load(std::memory_order_relaxed));
    }
    SplitResult result;
    result.n1 = static_cast<std::int32_t>(plan.first_n1 + split);
    result.n2 = static_cast<std::int32_t>(parameters.n - (plan.first_n1 + split));
    result.mrb = done.statistic.mrb;
    result.mrw = done.statistic.mrw;
    result.r = done.statistic.r;
    result.hits = done.hits;
    result.p = static_cast<long double>(result.hits) / parameters.permutations;
    progress.erase();
    on_split(result);
    progress.update(split + 1, work_done.load(std::memory_order_relaxed));
  }
  progress.erase();
  random.discard(static_cast<std::uint64_t>(plan.splits) * plan.draws_per_split);
}

}  // namespace orvanel::driver
