// The line editor's logic: the typed line, its insertion point, and the bytes that keep an
// xterm-compatible screen in step with them, wrapping at the terminal width.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/key_decoder.h"

namespace orvanel::platform {

// Screen positions are offsets from the first column of the row the prompt starts on; the
// terminal shows offset p at row p / width, column p % width. The editor keeps the terminal's
// cursor off the "pending wrap" state of the right margin, so every offset it moves from is
// where the cursor really is.
class LineEditor {
 public:
  // `prompt` is the text already shown on the cursor's row, which the line continues; the
  // cursor stands right after it.
  LineEditor(std::string prompt, std::size_t width);

  void press(Key key);
  // The terminal changed its width and, like most, rewrapped what it showed; draw it all anew.
  void resize(std::size_t width);
  // Others wrote to the screen while the process was stopped, and the cursor now stands on a
  // fresh row of a terminal of this width: draw prompt and line anew there.
  void redraw_on_fresh_row(std::size_t width);

  bool entered() const { return entered_; }
  const std::string& line() const { return line_; }
  std::size_t width() const { return width_; }
  std::size_t cursor() const { return cursor_; }
  // The bytes to write to the terminal since the last call.
  std::string take_output();

 private:
  // Draws prompt and line from the start of the cursor's row.
  void redraw();
  void insert(std::string_view text);
  void erase_at(std::size_t index);
  void move_cursor(std::size_t index);
  // Writes the line from `index` on; the terminal cursor ends after the line.
  void draw_from(std::size_t index);
  void write_run(std::string_view text);
  void move_screen_to(std::size_t offset);

  std::string prompt_;
  std::string line_;
  std::size_t cursor_ = 0;
  std::size_t width_;
  std::size_t screen_;  // where the terminal's cursor is
  bool entered_ = false;
  std::string output_;
};

}  // namespace orvanel::platform
