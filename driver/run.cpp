// The run flow and the split-point scan.
#include "driver/run.h"

#include <array>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>

#include "driver/matrix_loading.h"
#include "driver/run_parameters.h"
#include "driver/split_scan.h"
#include "stats/format_fixed.h"
#include "stats/rank_transform.h"
#include "textio/channels.h"
#include "textio/console.h"

namespace orvanel::driver {
namespace {

using namespace orvanel::textio;
using stats::format_fixed;

constexpr int kChannel = 1;
constexpr std::string_view kRuleLine = "--------------------------------------------";
constexpr const char* kResultFile = "orvanel.out";

constexpr std::string_view kUsage =
    "Usage: orvanel [PARAMETER-FILE]\r\n"
    "\r\n"
    "Finds where an ordered sequence of objects breaks into two groups. Reads an n-by-n\r\n"
    "dissimilarity matrix, ranks its pairs and, for every split of the first n1 objects\r\n"
    "against the rest, computes the rank statistic R with a permutation p-value.\r\n"
    "\r\n"
    "Without arguments the parameters are asked at the terminal. A parameter file holds ten\r\n"
    "lines, a label line before each value: matrix file name, dimension, minimum size of\r\n"
    "group 1, minimum size of group 2, number of permutations.\r\n"
    "\r\n"
    "The table is shown on the screen and written to orvanel.out in the current directory.\r\n"
    "Set ORVANEL_SEED to a whole number to make the p-values reproducible.\r\n";

bool fits_int32(std::int64_t value) {
  return value >= std::numeric_limits<std::int32_t>::min() &&
         value <= std::numeric_limits<std::int32_t>::max();
}

// The first split and the last one the scan reaches must be representable.
bool group_sizes_in_range(const RunParameters& parameters) {
  const std::int64_t n = parameters.n;
  const std::int64_t first_n1 = parameters.min_n1;
  const std::int64_t last_n1 = std::max(first_n1, n - parameters.min_n2);
  return fits_int32(n - first_n1) && fits_int32(last_n1) && fits_int32(n - last_n1);
}

void write_row(const SplitResult& split) {
  const std::array<std::string, 6> fields = {
      format_fixed(split.n1, 5, 0),  format_fixed(split.n2, 5, 0),
      format_fixed(split.mrb, 5, 1), format_fixed(split.mrw, 5, 1),
      format_fixed(split.r, 2, 5),   format_fixed(static_cast<double>(split.p), 1, 5)};
  std::string row = fields[0];
  for (std::size_t k = 1; k < fields.size(); ++k) row += " " + fields[k];
  write_text(row, true);
}

void write_record(const SplitResult& split) {
  write_integer_cell(kChannel, split.n1, false);
  write_integer_cell(kChannel, split.n2, false);
  write_single_cell(kChannel, split.mrb, false);
  write_single_cell(kChannel, split.mrw, false);
  write_single_cell(kChannel, split.r, false);
  write_single_cell(kChannel, static_cast<float>(split.p), true);
}

}  // namespace

std::string join_arguments(int argc, const char* const* argv) {
  std::string text;
  for (int k = 1; k < argc; ++k) {
    if (k > 1) text += ' ';
    text += argv[k];
  }
  return text;
}

std::optional<std::int32_t> parse_seed(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > std::int64_t{1} << 31) return std::nullopt;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (!fits_int32(value)) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

void seed_random(stats::RandomSource& random) {
  std::int32_t seed = 0;
  if (const char* text = std::getenv("ORVANEL_SEED")) {
    const std::optional<std::int32_t> parsed = parse_seed(text);
    if (!parsed) {
      write_text("Error: ORVANEL_SEED is not a whole number", true);
      end_process(0);
    }
    seed = *parsed;
  } else {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    seed = static_cast<std::int32_t>(now.tv_sec);
  }
  random.reseed(seed);
  random.draw();
}

void run(int argc, const char* const* argv) {
  prepare_output();
  const std::string command_text = join_arguments(argc, argv);
  const bool interactive = command_text.empty();
  if (command_text == "--help") {
    write_text(kUsage, false);
    end_process(0);
  }
  if (command_text == "--version") {
    write_text("orvanel " ORVANEL_VERSION, true);
    end_process(0);
  }

  stats::RandomSource random;
  seed_random(random);
  if (interactive) clear_screen();
  write_text(kRuleLine, true);
  write_text("  Orvanel", true);
  write_text(kRuleLine, true);
  write_line_end();

  const RunParameters parameters = read_run_parameters(command_text);
  if (!group_sizes_in_range(parameters)) {
    write_text("Error: minimum group sizes out of range", true);
    end_process(0);
  }
  const std::int32_t n = parameters.n;
  stats::SquareMatrix dissimilarities = load_matrix(parameters);
  convert_similarities(dissimilarities, n);
  stats::SquareMatrix ranks = create_matrix(n);
  stats::rank_transform(dissimilarities, ranks, n);

  open_channel(kChannel, kResultFile, ChannelMode::output);
  const bool result_file_open = find_channel(kChannel) != nullptr;
  write_text("   n1    n2     mrb     mrw        R    p(R)", true);
  for (const char* name : {"n1", "n2", "mrb", "mrw", "R"}) write_text_cell(kChannel, name, false);
  write_text_cell(kChannel, "p(R)", true);
  write_text(kRuleLine, true);

  float max_r = -999.0f;
  std::int32_t max_n1 = 0;
  std::int32_t max_n2 = 0;
  scan_splits(ranks, parameters, random, [&](const SplitResult& split) {
    write_row(split);
    write_record(split);
    // Among equal maxima the first split stays; a NaN R never replaces.
    if (split.r > max_r) {
      max_r = split.r;
      max_n1 = split.n1;
      max_n2 = split.n2;
    }
  });
  const bool result_complete = close_channel(kChannel);

  write_text(kRuleLine, true);
  write_line_end();
  write_text("max(R)=" + format_fixed(max_r, 2, 5) + " (n1=" + std::to_string(max_n1) +
                 ", n2=" + std::to_string(max_n2) + ")",
             true);
  if (result_file_open && !result_complete) {
    write_text("Error: the result file orvanel.out could not be written completely", true);
  }
  if (interactive) {
    write_line_end();
    write_text("Press any key...", true);
    wait_for_key();
  }
  end_process(0);
}

}  // namespace orvanel::driver
