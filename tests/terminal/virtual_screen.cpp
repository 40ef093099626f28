// The screen model the terminal tests read their results from.
#include "virtual_screen.h"

#include <algorithm>
#include <cstdlib>

namespace orvanel::terminal_test {
namespace {

std::string trimmed(const std::string& row) {
  const std::size_t end = row.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : row.substr(0, end + 1);
}

}  // namespace

VirtualScreen::VirtualScreen(std::size_t width, std::size_t height)
    : width_(width), height_(height), cells_(height, std::string(width, ' ')) {}

void VirtualScreen::feed(std::string_view bytes) {
  for (const char byte : bytes) {
    switch (state_) {
      case State::kText:
        if (byte == '\x1b') {
          state_ = State::kEscape;
        } else if (byte == '\r') {
          column_ = 0;
          wrap_pending_ = false;
        } else if (byte == '\n') {
          line_feed();
        } else if (byte == '\b') {
          wrap_pending_ = false;
          if (column_ > 0) --column_;
        } else if (byte == '\a') {
          ++beeps_;
        } else if (static_cast<unsigned char>(byte) >= 32 && byte != 127) {
          put(byte);
        }
        break;
      case State::kEscape:
        parameters_.clear();
        state_ = byte == '[' ? State::kSequence : State::kText;
        break;
      case State::kSequence:
        if (byte >= 0x40 && byte <= 0x7E) {
          control_sequence(byte);
          state_ = State::kText;
        } else {
          parameters_ += byte;
        }
        break;
    }
  }
}

void VirtualScreen::put(char byte) {
  if (wrap_pending_) {
    wrap_pending_ = false;
    column_ = 0;
    line_feed();
  }
  cells_[row_][column_] = byte;
  if (column_ + 1 == width_) {
    wrap_pending_ = true;
  } else {
    ++column_;
  }
}

void VirtualScreen::line_feed() {
  wrap_pending_ = false;
  if (row_ + 1 < height_) {
    ++row_;
    return;
  }
  scrolled_.push_back(cells_.front());
  cells_.erase(cells_.begin());
  cells_.emplace_back(width_, ' ');
}

std::size_t VirtualScreen::parameter(std::size_t index, std::size_t fallback) const {
  std::size_t start = 0;
  for (std::size_t i = 0; i < index; ++i) {
    start = parameters_.find(';', start);
    if (start == std::string::npos) return fallback;
    ++start;
  }
  const std::size_t value = std::strtoul(parameters_.c_str() + start, nullptr, 10);
  return value == 0 ? fallback : value;
}

void VirtualScreen::clear_row_from(std::size_t row, std::size_t column) {
  std::fill(cells_[row].begin() + static_cast<std::ptrdiff_t>(column), cells_[row].end(), ' ');
}

void VirtualScreen::control_sequence(char final_byte) {
  wrap_pending_ = false;
  const std::size_t count = parameter(0, 1);
  switch (final_byte) {
    case 'A':
      row_ -= std::min(row_, count);
      break;
    case 'B':
      row_ = std::min(row_ + count, height_ - 1);
      break;
    case 'C':
      column_ = std::min(column_ + count, width_ - 1);
      break;
    case 'D':
      column_ -= std::min(column_, count);
      break;
    case 'G':
      column_ = std::min(count, width_) - 1;
      break;
    case 'H':
      row_ = std::min(parameter(0, 1), height_) - 1;
      column_ = std::min(parameter(1, 1), width_) - 1;
      break;
    case 'J':
      if (parameters_ == "2") {
        for (std::size_t row = 0; row < height_; ++row) clear_row_from(row, 0);
      } else {
        clear_row_from(row_, column_);
        for (std::size_t row = row_ + 1; row < height_; ++row) clear_row_from(row, 0);
      }
      break;
    case 'K':
      clear_row_from(row_, column_);
      break;
    default:
      break;
  }
}

std::string VirtualScreen::row(std::size_t visible_row) const {
  return trimmed(cells_[visible_row]);
}

std::string VirtualScreen::text() const {
  std::string all;
  for (const std::string& row : scrolled_) all += trimmed(row) + '\n';
  std::size_t last = height_;
  while (last > 0 && trimmed(cells_[last - 1]).empty()) --last;
  for (std::size_t row = 0; row < last; ++row) all += trimmed(cells_[row]) + '\n';
  return all;
}

}  // namespace orvanel::terminal_test
