// One-line editing: insertion at the cursor, deletion, cursor moves and redraws of wrapped rows.
#include "platform/line_editor.h"

#include <algorithm>
#include <utility>

namespace orvanel::platform {
namespace {

constexpr std::size_t kTabStop = 8;
constexpr std::string_view kClearToScreenEnd = "\x1b[J";
// Text that fills the last column leaves the cursor there with the wrap still pending, where
// moves and clears act on the wrong row. A blank past the line's end carries the cursor over
// to the next row and a backspace returns it to that row's start; unlike a line end, this keeps
// the row soft-wrapped, so terminals that rewrap on a resize keep prompt and line together.
constexpr std::string_view kSettleWrap = " \b";

void append_move(std::string& out, std::size_t count, char direction) {
  if (count == 0) return;
  out += "\x1b[";
  if (count > 1) out += std::to_string(count);
  out += direction;
}

}  // namespace

LineEditor::LineEditor(std::string prompt, std::size_t width)
    : prompt_(std::move(prompt)), width_(std::max<std::size_t>(width, 1)), screen_(prompt_.size()) {
  // The prompt is on the screen already; only a wrap it left pending needs settling.
  if (!prompt_.empty() && screen_ % width_ == 0) output_ = kSettleWrap;
}

std::string LineEditor::take_output() { return std::exchange(output_, std::string()); }

void LineEditor::press(Key key) {
  switch (key.kind) {
    case KeyKind::kCharacter:
      insert(std::string_view(reinterpret_cast<const char*>(&key.character), 1));
      break;
    case KeyKind::kTab:
      insert(std::string(kTabStop - cursor_ % kTabStop, ' '));
      break;
    case KeyKind::kBackspace:
      if (cursor_ > 0) erase_at(cursor_ - 1);
      break;
    case KeyKind::kDelete:
      if (cursor_ < line_.size()) {
        erase_at(cursor_);
      } else {
        output_ += '\a';
      }
      break;
    case KeyKind::kLeft:
      if (cursor_ > 0) move_cursor(cursor_ - 1);
      break;
    case KeyKind::kRight:
      if (cursor_ < line_.size()) move_cursor(cursor_ + 1);
      break;
    case KeyKind::kHome:
      move_cursor(0);
      break;
    case KeyKind::kEnd:
      move_cursor(line_.size());
      break;
    case KeyKind::kUp:
      if (cursor_ >= width_) move_cursor(cursor_ - width_);
      break;
    case KeyKind::kDown:
      if (cursor_ + width_ <= line_.size()) move_cursor(cursor_ + width_);
      break;
    case KeyKind::kEscape:
      line_.clear();
      move_cursor(0);
      output_ += kClearToScreenEnd;
      break;
    case KeyKind::kEnter:
      move_cursor(line_.size());
      entered_ = true;
      break;
    case KeyKind::kIgnored:
      break;
  }
}

void LineEditor::resize(std::size_t width) {
  width_ = std::max<std::size_t>(width, 1);
  move_screen_to(0);
  redraw();
}

void LineEditor::redraw_on_fresh_row(std::size_t width) {
  width_ = std::max<std::size_t>(width, 1);
  output_ += '\r';
  screen_ = 0;
  redraw();
}

void LineEditor::redraw() {
  output_ += kClearToScreenEnd;
  write_run(prompt_);
  draw_from(0);
  move_screen_to(prompt_.size() + cursor_);
}

void LineEditor::insert(std::string_view text) {
  line_.insert(cursor_, text);
  draw_from(cursor_);
  move_cursor(cursor_ + text.size());
}

void LineEditor::erase_at(std::size_t index) {
  line_.erase(index, 1);
  draw_from(index);
  output_ += kClearToScreenEnd;  // the old last character
  move_cursor(index);
}

void LineEditor::move_cursor(std::size_t index) {
  cursor_ = index;
  move_screen_to(prompt_.size() + cursor_);
}

void LineEditor::draw_from(std::size_t index) {
  move_screen_to(prompt_.size() + index);
  write_run(std::string_view(line_).substr(index));
}

void LineEditor::write_run(std::string_view text) {
  output_ += text;
  screen_ += text.size();
  if (!text.empty() && screen_ % width_ == 0) output_ += kSettleWrap;
}

void LineEditor::move_screen_to(std::size_t offset) {
  const std::size_t from_row = screen_ / width_;
  const std::size_t to_row = offset / width_;
  const std::size_t from_column = screen_ % width_;
  const std::size_t to_column = offset % width_;
  if (to_row < from_row) append_move(output_, from_row - to_row, 'A');
  if (to_row > from_row) append_move(output_, to_row - from_row, 'B');
  if (to_column == 0 && from_column != 0) {
    output_ += '\r';
  } else if (to_column > from_column) {
    append_move(output_, to_column - from_column, 'C');
  } else if (to_column < from_column) {
    append_move(output_, from_column - to_column, 'D');
  }
  screen_ = offset;
}

}  // namespace orvanel::platform
