// A small model of an xterm-compatible screen, so tests can check what the user would see
// rather than the bytes that drew it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvanel::terminal_test {

// Understands what the program writes: printable bytes (one cell each) with the right-margin
// pending wrap, CR, LF, BS, BEL, and the CSI sequences A, B, C, D, G, H, J and K. Rows that scroll
// off the top are kept, so `text` shows the whole session.
class VirtualScreen {
 public:
  VirtualScreen(std::size_t width, std::size_t height);

  void feed(std::string_view bytes);

  // The rows scrolled away and the visible ones, trailing blanks removed, each ending in '\n';
  // empty rows at the bottom left out.
  std::string text() const;
  std::string row(std::size_t visible_row) const;
  std::size_t cursor_row() const { return row_; }
  std::size_t cursor_column() const { return column_; }
  int beeps() const { return beeps_; }

 private:
  void put(char byte);
  void line_feed();
  void control_sequence(char final_byte);
  std::size_t parameter(std::size_t index, std::size_t fallback) const;
  void clear_row_from(std::size_t row, std::size_t column);

  std::size_t width_;
  std::size_t height_;
  std::vector<std::string> scrolled_;
  std::vector<std::string> cells_;
  std::size_t row_ = 0;
  std::size_t column_ = 0;
  bool wrap_pending_ = false;
  int beeps_ = 0;
  enum class State { kText, kEscape, kSequence } state_ = State::kText;
  std::string parameters_;
};

}  // namespace orvanel::terminal_test
