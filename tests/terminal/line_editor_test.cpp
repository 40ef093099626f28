// The line editor against a model screen: every key of the editing table, wrapped lines, the
// right margin and resizes, checked by the line, the insertion point and what the screen shows.
#include "platform/line_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "case_name.h"
#include "platform/key_decoder.h"
#include "virtual_screen.h"

namespace orvanel::platform {
namespace {

using terminal_test::case_name;
using terminal_test::VirtualScreen;

constexpr std::size_t kHeight = 8;
const std::string kAlphabet25 = "abcdefghijklmnopqrstuvwxy";

// A prompt already on a fresh screen, and an editor continuing it.
struct Entry {
  Entry(std::string prompt_text, std::size_t width)
      : prompt(std::move(prompt_text)), screen(width, kHeight), editor(prompt, width) {
    screen.feed(prompt);
    screen.feed(editor.take_output());
  }

  // Each burst arrives at once; between bursts the terminal stays silent past the Esc timeout.
  void type(const std::vector<std::string>& bursts) {
    for (const std::string& burst : bursts) {
      for (const char byte : burst) {
        if (const auto key = decoder.feed(static_cast<unsigned char>(byte))) press(*key);
      }
      if (const auto key = decoder.expire()) press(*key);
    }
  }

  void press(Key key) {
    editor.press(key);
    screen.feed(editor.take_output());
  }

  // The screen shows the prompt and the line wrapped at the width, nothing else, and the
  // cursor stands on the insertion point.
  void expect_screen_in_step(std::size_t width) const {
    const std::string shown = prompt + editor.line();
    std::string rows;
    for (std::size_t start = 0; start < shown.size(); start += width) {
      std::string row = shown.substr(start, width);
      row.erase(row.find_last_not_of(' ') + 1);
      rows += row + '\n';
    }
    // The model screen leaves out empty rows at the bottom, such as the one after a full row.
    while (rows.ends_with("\n\n")) rows.pop_back();
    EXPECT_EQ(screen.text(), rows);
    const std::size_t offset = prompt.size() + editor.cursor();
    EXPECT_EQ(screen.cursor_row(), offset / width);
    EXPECT_EQ(screen.cursor_column(), offset % width);
  }

  std::string prompt;
  VirtualScreen screen;
  LineEditor editor;
  KeyDecoder decoder;
};

struct EditCase {
  const char* name;
  std::vector<std::string> bursts;
  std::string line;
  std::size_t cursor;
  int beeps = 0;
};

const std::string kUp = "\x1b[A", kDown = "\x1b[B", kRight = "\x1b[C", kLeft = "\x1b[D";
const std::string kHome = "\x1b[H", kEnd = "\x1b[F", kDelete = "\x1b[3~";

const EditCase kEditCases[] = {
    {"Typing", {"abc"}, "abc", 3},
    {"InsertAfterLeftLeft", {"abc" + kLeft + kLeft + "X"}, "aXbc", 2},
    {"BackspaceAndLeftAtStartDoNothing", {"\x7f" + kLeft + "a"}, "a", 1},
    {"BackspaceBothBytes", {"abc\x7f\x08"}, "a", 1},
    {"BackspaceInside", {"abc" + kLeft + "\x7f"}, "ac", 1},
    {"DeleteInside", {"abc" + kHome + kDelete}, "bc", 0},
    {"DeleteAtEndBeepsOnly", {"abc" + kDelete}, "abc", 3, 1},
    {"TabAfterThree", {"abc\t"}, "abc     ", 8},
    {"TabAfterEight", {"abcdefgh\t"}, "abcdefgh        ", 16},
    {"TabAtStart", {"\t"}, "        ", 8},
    {"TabCountsFromLineStartNotScreen", {"ab" + kLeft + "\t"}, "a       b", 8},
    {"HomeAndEnd", {"abc" + kHome + "X" + kEnd + "Y"}, "XabcY", 5},
    {"RightWithinLine", {"ab" + kRight + kHome + kRight + "X"}, "aXb", 2},
    {"EscClears", {"abc", "\x1b", "d"}, "d", 1},
    {"EscClearsWrappedLine", {kAlphabet25 + kLeft + kLeft, "\x1b"}, "", 0},
    {"EnterCarriageReturn", {"ab" + kLeft + "\r"}, "ab", 2},
    {"EnterLineFeed", {"ab\n"}, "ab", 2},
    {"IgnoredKeys",
     {"ab\x1b[2~\x1b[5~\x1b[6~\x1bOP\x1b[15~\x1b[[A\x01\x04\x1a"
      "c"},
     "abc",
     3},
    {"HighBytesInsertThemselves", {"\xe9\xff"}, "\xe9\xff", 2},
    // The prompt "? " and width 10: rows hold offsets 0-9, 10-19, 20-29.
    {"UpOneRow", {kAlphabet25 + kUp + "X"}, "abcdefghijklmnoXpqrstuvwxy", 16},
    {"UpStopsAtFirstRow", {kAlphabet25 + kUp + kUp + kUp + "X"}, "abcdeXfghijklmnopqrstuvwxy", 6},
    {"DownStopsPastLineEnd",
     {kAlphabet25 + kHome + kDown + kDown + kDown + "X"},
     "abcdefghijklmnopqrstXuvwxy",
     21},
    {"DownToLineEnd",
     {"abcdefghijklmnopqrst" + kHome + kDown + kDown + "X"},
     "abcdefghijklmnopqrstX",
     21},
    {"InsertShiftsWrappedRows", {kAlphabet25 + kHome + "XY"}, "XY" + kAlphabet25, 2},
    {"DeleteShiftsWrappedRowsBack",
     {kAlphabet25 + kHome + kDelete + kDelete},
     kAlphabet25.substr(2),
     0},
    // 18 characters fill the second row exactly; the cursor waits at the third row's start.
    {"LineEndingAtMargin", {kAlphabet25.substr(0, 18)}, kAlphabet25.substr(0, 18), 18},
    {"BackspaceFromMargin", {kAlphabet25.substr(0, 18) + "\x7f"}, kAlphabet25.substr(0, 17), 17},
    {"LeftFromMargin", {kAlphabet25.substr(0, 18) + kLeft + "X"}, "abcdefghijklmnopqXr", 18},
    {"BackspaceAcrossRows", {kAlphabet25.substr(0, 9) + "\x7f\x7f"}, "abcdefg", 7},
};

class LineEditorTest : public testing::TestWithParam<EditCase> {};

TEST_P(LineEditorTest, LineCursorAndScreen) {
  const EditCase& c = GetParam();
  Entry entry("? ", 10);
  entry.type(c.bursts);
  EXPECT_EQ(entry.editor.line(), c.line);
  EXPECT_EQ(entry.editor.cursor(), c.cursor);
  EXPECT_EQ(entry.screen.beeps(), c.beeps);
  entry.expect_screen_in_step(10);
}

INSTANTIATE_TEST_SUITE_P(Keys, LineEditorTest, testing::ValuesIn(kEditCases), case_name<EditCase>);

TEST(LineEditor, EnterEndsTheEntryAndWritesNothingForItself) {
  Entry entry("? ", 10);
  entry.type({"abc"});
  EXPECT_FALSE(entry.editor.entered());
  entry.editor.press(Key{KeyKind::kEnter, 0});
  EXPECT_TRUE(entry.editor.entered());
  EXPECT_EQ(entry.editor.take_output(), "");
}

struct PromptCase {
  const char* name;
  std::string prompt;
};

class PromptWidthTest : public testing::TestWithParam<PromptCase> {};

// A prompt that reaches or passes the right margin: editing still lands on the right cells.
TEST_P(PromptWidthTest, EditingAfterLongPrompt) {
  Entry entry(GetParam().prompt, 10);
  entry.type({"abcdefghijkl" + kLeft + kLeft + "X" + kHome + "\x1b[3~" + kEnd + "\x7f"});
  EXPECT_EQ(entry.editor.line(), "bcdefghijXk");
  entry.expect_screen_in_step(10);
}

INSTANTIATE_TEST_SUITE_P(Prompts, PromptWidthTest,
                         testing::Values(PromptCase{"Empty", ""},
                                         PromptCase{"FillsRow", "0123456789"},
                                         PromptCase{"Wraps", "0123456789ab"}),
                         case_name<PromptCase>);

// After a stop the shell has written its lines; the editor draws prompt and line again on the
// fresh row the cursor stands on, and editing goes on there.
TEST(LineEditor, RedrawsOnFreshRowAfterStop) {
  Entry entry("? ", 10);
  entry.type({kAlphabet25 + kLeft + kLeft + kLeft});
  entry.screen.feed("\r\n[1] Stop\r\n$ fg\r\n");
  entry.editor.redraw_on_fresh_row(10);
  entry.screen.feed(entry.editor.take_output());
  entry.type({"Z"});
  EXPECT_EQ(entry.screen.text(),
            "? abcdefgh\nijklmnopqr\nstuvwxy\n[1] Stop\n$ fg\n"
            "? abcdefgh\nijklmnopqr\nstuvZwxy\n");
  EXPECT_EQ(entry.screen.cursor_row(), 7u);
  EXPECT_EQ(entry.screen.cursor_column(), 5u);
}

struct ResizeCase {
  const char* name;
  std::size_t from_width;
  std::size_t to_width;
  std::string before;  // typed before the resize
};

class ResizeTest : public testing::TestWithParam<ResizeCase> {};

// The terminal rewraps what it shows and keeps the cursor on the same character; the editor
// then draws prompt and line anew for the new width, and editing goes on from there.
TEST_P(ResizeTest, RedrawsForNewWidth) {
  const ResizeCase& c = GetParam();
  Entry entry("? ", c.from_width);
  entry.type({c.before});

  VirtualScreen rewrapped(c.to_width, kHeight);
  rewrapped.feed(entry.prompt + entry.editor.line());
  const std::size_t offset = entry.prompt.size() + entry.editor.cursor();
  rewrapped.feed("\x1b[" + std::to_string(offset / c.to_width + 1) + ";" +
                 std::to_string(offset % c.to_width + 1) + "H");
  entry.screen = rewrapped;

  entry.editor.resize(c.to_width);
  entry.screen.feed(entry.editor.take_output());
  entry.expect_screen_in_step(c.to_width);
  entry.type({"Z" + kUp + "Y"});
  entry.expect_screen_in_step(c.to_width);
}

INSTANTIATE_TEST_SUITE_P(Widths, ResizeTest,
                         testing::Values(ResizeCase{"Narrower", 20, 10, kAlphabet25},
                                         ResizeCase{"NarrowerCursorInside", 20, 10,
                                                    kAlphabet25 + kLeft + kLeft + kLeft},
                                         ResizeCase{"Wider", 10, 16, kAlphabet25 + kHome},
                                         ResizeCase{"LineToMargin", 20, 9, "abcdefghijklmnop"}),
                         case_name<ResizeCase>);

}  // namespace
}  // namespace orvanel::platform
