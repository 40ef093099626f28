// Loading the dissimilarity matrix file.
#pragma once

#include <cstdint>
#include <string>

#include "driver/run_parameters.h"
#include "stats/square_matrix.h"

namespace orvanel::driver {

// Counts the values of the matrix file and, when their number fits the dimension
// (n*n <= count < (n+1)*(n+1)), reads its first n*n values row by row. Otherwise shows the size
// message and ends the process; so does a dimension whose matrices need more memory than the
// process can obtain, with the memory message.
stats::SquareMatrix load_matrix(const RunParameters& parameters);

// The counting pass of load_matrix: the number of reads, each followed by the end-of-file test,
// until the test reports the end (at least 1).
std::int64_t count_values(const std::string& matrix_file);

// The reading pass of load_matrix: the first n*n values of the file, row by row.
stats::SquareMatrix read_matrix(const std::string& matrix_file, std::int32_t n);

// A matrix whose element (1,1) is exactly 1.0 holds similarities: every element x becomes 1 - x.
void convert_similarities(stats::SquareMatrix& dissimilarities, std::int32_t n);

// A zero-filled n-by-n matrix; when its memory cannot be had, shows a message and ends the
// process.
stats::SquareMatrix create_matrix(std::int32_t n);

// Whether `value_count` values fit the dimension n.
bool values_fit_dimension(std::int64_t value_count, std::int32_t n);

}  // namespace orvanel::driver
