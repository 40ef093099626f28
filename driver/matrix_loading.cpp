// Matrix file loading: the counting pass, the size check and the reading pass.
#include "driver/matrix_loading.h"

#include <new>
#include <stdexcept>
#include <string>

#include "textio/channels.h"
#include "textio/console.h"
#include "textio/value_reader.h"

namespace orvanel::driver {
namespace {

using namespace orvanel::textio;

constexpr int kChannel = 1;

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

}  // namespace

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
  write_text("Error: not enough memory for a matrix of dimension " + std::to_string(n), true);
  end_process(0);
}

stats::SquareMatrix load_matrix(const RunParameters& parameters) {
  const std::int32_t n = parameters.n;
  if (!values_fit_dimension(count_values(parameters.matrix_file), n)) {
    write_text("Error: total number of objects does not match matrix size", true);
    end_process(0);
  }
  stats::SquareMatrix dissimilarities = create_matrix(n);
  open_channel(kChannel, parameters.matrix_file, ChannelMode::input);
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= n; ++j) {
      select_input(kChannel);
      dissimilarities(i, j) = read_single_value();
    }
  }
  close_channel(kChannel);
  return dissimilarities;
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
