// Matrix file loading: the counting pass, the size check and the reading pass.
#include "driver/matrix_loading.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <limits>
#include <new>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "textio/channels.h"
#include "textio/console.h"
#include "textio/value_reader.h"

namespace orvanel::driver {
namespace {

using namespace orvanel::textio;

constexpr int kChannel = 1;

// Bytes the run may hold for a dimension: three n-by-n single-precision matrices' worth, the
// loaded matrix and the ranks, and as much again as room for the scan's vectors on every thread
// and for the rest of the process. Saturates.
std::uint64_t run_memory_need(std::int32_t n) {
  const auto side = static_cast<std::uint64_t>(n);
  const std::uint64_t elements = side * side;
  constexpr std::uint64_t kBytesPerElement = 3 * sizeof(float);
  return elements > std::numeric_limits<std::uint64_t>::max() / kBytesPerElement
             ? std::numeric_limits<std::uint64_t>::max()
             : elements * kBytesPerElement;
}

// A "Name: value kB" line of /proc/meminfo in bytes, when present.
std::optional<std::uint64_t> meminfo_bytes(std::string_view name) {
  std::ifstream meminfo("/proc/meminfo");
  for (std::string line; std::getline(meminfo, line);) {
    std::istringstream fields(line);
    std::string field;
    std::uint64_t kilobytes = 0;
    if (fields >> field >> kilobytes && field.size() == name.size() + 1 &&
        field.starts_with(name)) {
      return kilobytes * 1024;
    }
  }
  return std::nullopt;
}

// The address space and the data size of this process, in bytes, from /proc/self/statm.
struct ProcessSize {
  std::uint64_t address_space = 0;
  std::uint64_t data = 0;
};

ProcessSize process_size() {
  std::ifstream statm("/proc/self/statm");
  std::array<std::uint64_t, 6> pages{};
  for (std::uint64_t& field : pages) statm >> field;
  const auto page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
  return {pages[0] * page, pages[5] * page};
}

// What is left under a resource limit, given what the process already uses of it.
std::uint64_t left_under_limit(int resource, std::uint64_t used) {
  rlimit limit{};
  if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return limit.rlim_cur > used ? limit.rlim_cur - used : 0;
}

// What is left under the memory limit of the control group the process runs in (a container),
// given the files holding the group's limit and its use; unlimited when they cannot be read or
// the limit is "max".
std::uint64_t left_in_control_group(const char* limit_file, const char* usage_file) {
  std::uint64_t limit = 0;
  std::uint64_t usage = 0;
  if (!(std::ifstream(limit_file) >> limit) || !(std::ifstream(usage_file) >> usage)) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return limit > usage ? limit - usage : 0;
}

// The memory this process can still obtain: what the machine has available now, within the
// process's limits on address space and data and its container's limit. Linux promises memory
// it may not have, and touching more than there is gets the process killed instead of refused,
// so the run asks first.
std::uint64_t obtainable_memory() {
  std::uint64_t obtainable = meminfo_bytes("MemAvailable")
                                 .value_or(static_cast<std::uint64_t>(sysconf(_SC_AVPHYS_PAGES)) *
                                           static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)));
  const ProcessSize used = process_size();
  obtainable = std::min(obtainable, left_under_limit(RLIMIT_AS, used.address_space));
  obtainable = std::min(obtainable, left_under_limit(RLIMIT_DATA, used.data));
  obtainable = std::min(obtainable, left_in_control_group("/sys/fs/cgroup/memory.max",
                                                          "/sys/fs/cgroup/memory.current"));
  return std::min(obtainable, left_in_control_group("/sys/fs/cgroup/memory/memory.limit_in_bytes",
                                                    "/sys/fs/cgroup/memory/memory.usage_in_bytes"));
}

[[noreturn]] void report_no_memory(std::int32_t n) {
  write_text("Error: not enough memory for a matrix of dimension " + std::to_string(n), true);
  end_process(0);
}

}  // namespace

// The counting pass: every read counts, the end-of-file test follows it, so an empty file
// still gives one value.
std::int64_t count_values(const std::string& matrix_file) {
  open_channel(kChannel, matrix_file, ChannelMode::input);
  std::int64_t value_count = 0;
  do {
    select_input(kChannel);
    read_single_value();
    ++value_count;
  } while (at_end_of_file(kChannel) == 0);
  close_channel(kChannel);
  return value_count;
}

stats::SquareMatrix read_matrix(const std::string& matrix_file, std::int32_t n) {
  stats::SquareMatrix dissimilarities = create_matrix(n);
  open_channel(kChannel, matrix_file, ChannelMode::input);
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= n; ++j) {
      select_input(kChannel);
      dissimilarities(i, j) = read_single_value();
    }
  }
  close_channel(kChannel);
  return dissimilarities;
}

bool values_fit_dimension(std::int64_t value_count, std::int32_t n) {
  if (n < 1) return false;
  const std::int64_t side = n;
  return side * side <= value_count && value_count < (side + 1) * (side + 1);
}

stats::SquareMatrix create_matrix(std::int32_t n) {
  try {
    return stats::SquareMatrix(n);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  report_no_memory(n);
}

stats::SquareMatrix load_matrix(const RunParameters& parameters) {
  const std::int32_t n = parameters.n;
  if (!values_fit_dimension(count_values(parameters.matrix_file), n)) {
    write_text("Error: total number of objects does not match matrix size", true);
    end_process(0);
  }
  if (run_memory_need(n) > obtainable_memory()) report_no_memory(n);
  return read_matrix(parameters.matrix_file, n);
}

void convert_similarities(stats::SquareMatrix& dissimilarities, std::int32_t n) {
  if (dissimilarities(1, 1) != 1.0f) return;
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= n; ++j) {
      dissimilarities(i, j) = static_cast<float>(1.0 - static_cast<double>(dissimilarities(i, j)));
    }
  }
}

}  // namespace orvanel::driver
