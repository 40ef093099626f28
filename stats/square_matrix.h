// The n-by-n single-precision matrix that holds dissimilarities, ranks and the group design.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvanel::stats {

// Rows and columns are numbered 1..n; element (i, j) is row i, column j, stored row by row.
// A new matrix is zero-filled. Creation throws std::bad_alloc (or std::length_error) when the
// n*n elements cannot be had; callers turn that into a message.
class SquareMatrix {
 public:
  explicit SquareMatrix(std::int32_t n);

  std::int32_t dimension() const { return n_; }

  float& operator()(std::int32_t i, std::int32_t j) { return elements_[index(i, j)]; }
  float operator()(std::int32_t i, std::int32_t j) const { return elements_[index(i, j)]; }

  float* data() { return elements_.data(); }
  const float* data() const { return elements_.data(); }

 private:
  std::size_t index(std::int32_t i, std::int32_t j) const {
    return static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(n_) +
           static_cast<std::size_t>(j - 1);
  }

  std::int32_t n_;
  std::vector<float> elements_;
};

}  // namespace orvanel::stats
