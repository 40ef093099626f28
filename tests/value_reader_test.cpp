// The free-format value reader over files and typed lines.
#include "textio/value_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "textio/channels.h"

namespace orvanel::textio {
namespace {

constexpr int kChannel = 1;

// Each test reads a file of its own bytes on channel 1.
class ValueReader : public testing::Test {
 protected:
  std::filesystem::path path_ =
      std::filesystem::temp_directory_path() / ("orvanel-reader-" + std::to_string(getpid()));

  void open_file(const std::string& bytes) {
    std::ofstream(path_, std::ios::binary) << bytes;
    open_channel(kChannel, path_.string(), ChannelMode::input);
    ASSERT_EQ(select_input(kChannel), kStatusOk);
  }

  void TearDown() override {
    close_channel(kChannel);
    std::filesystem::remove(path_);
    set_text_source("");
  }

  // Reads single values as the matrix counting pass does: a read, then the end-of-file test.
  std::vector<float> values_until_end(const std::string& bytes) {
    open_file(bytes);
    std::vector<float> values;
    do {
      select_input(kChannel);
      values.push_back(read_single_value());
    } while (at_end_of_file(kChannel) == 0 && values.size() < 100);
    close_channel(kChannel);
    return values;
  }
};

TEST_F(ValueReader, ValuesBeforeTheEndOfFile) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<float> want;
  };
  const Case cases[] = {
      {"CR LF lines", "1 2\r\n3 4\r\n", {1, 2, 3, 4}},
      {"no final line end", "1 2\r\n3 4", {1, 2, 3, 4}},
      {"LF lines", "1 2\n3 4\n", {1, 2, 3, 4}},
      {"trailing empty line", "1 2\r\n3 4\r\n\r\n", {1, 2, 3, 4, 0}},
      {"trailing blank line", "1 2\r\n3 4\r\n  \t \r\n", {1, 2, 3, 4, 0}},
      {"blanks after the last value", "1 2  ", {1, 2}},
      {"comma at the end of a line", "1,2,\n", {1, 2, 0}},
      {"empty value between commas", "1 , , 2", {1, 0, 2}},
      {"comma then blank", "1, 2", {1, 2}},
      {"blank then comma", "1 ,2", {1, 2}},
      {"empty line inside", "1\n\n2\n", {1, 0, 2}},
      {"lone CR at the end", "1 2\r", {1, 2}},
      {"lone CR between values", "1\r2", {1, 2}},
      {"Ctrl-Z at the end", "1 2\r\n\x1a", {1, 2, 0}},
      {"Ctrl-Z hides the rest", "1\x1a 2 3", {1}},
      {"Ctrl-Z after a line end", "1\n\x1a 2 3", {1, 0}},
      {"empty file", "", {0}},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "5 6",
       {0, 6}},
      {"tabs", "\t1\t2\t\n", {1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(values_until_end(c.bytes), c.want);
  }
}

TEST_F(ValueReader, PendingCharacterHoldsOffTheEnd) {
  open_file("1  x");
  EXPECT_EQ(read_single_value(), 1.0f);
  EXPECT_EQ(at_end_of_file(kChannel), 0);
  EXPECT_EQ(read_text_value(), "x");
  EXPECT_EQ(at_end_of_file(kChannel), -1);
}

TEST_F(ValueReader, IntegerValues) {
  struct Case {
    const char* text;
    std::int32_t want;
  };
  const Case cases[] = {
      {"1.5", 2},
      {"2.5", 2},
      {"-1.5", -2},
      {"3.5", 4},
      {"12.7abc", 13},
      {"&H10", 16},
      {"&hff", 255},
      {"&O17", 15},
      {"&b101", 5},
      {"&HFFFFFFFF", -1},
      {"1e3", 1},
      {"abc", 0},
      {"-0", 0},
      {"", 0},
      {"+42", 42},
      {"-2147483648", -2147483647 - 1},
      {"2147483647", 2147483647},
      // Out of the 32-bit range: the low 32 bits of the 64-bit value, read as signed.
      {"2147483648", -2147483647 - 1},
      {"99999999999", 1215752191},
      {"999999999999", -727379969},
      {"99999999999999999999", -1},  // saturates at 2^63 - 1 first
      {"1e10.5", -2147483647 - 1},   // 1e10 rounds outside the range
      {"\"7\"", 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    set_text_source(c.text);
    EXPECT_EQ(read_integer_value(), c.want);
  }
}

TEST_F(ValueReader, SingleValues) {
  struct Case {
    const char* text;
    float want;
    bool negative_zero;
  };
  const Case cases[] = {
      {"1.5", 1.5f, false},
      {"2.5e2", 250.0f, false},
      {"1e3", 1.0f, false},
      {"1e-3", 1.0f, false},
      {"&H10", 16.0f, false},
      {"abc", 0.0f, false},
      {"-0", 0.0f, false},
      {"-0.0", 0.0f, true},
      {"0.466666667", 0.466666667f, false},
      {"123456789012", 123456789012.0f, false},
      {"&H0000000000FF", 255.0f, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    set_text_source(c.text);
    const float value = read_single_value();
    EXPECT_EQ(value, c.want);
    EXPECT_EQ(std::signbit(value), c.negative_zero);
  }
}

TEST(TextToNumber, Conversions) {
  struct Case {
    const char* text;
    double want;
  };
  const Case cases[] = {
      {"1e3", 1000}, {"&H10", 16},   {"abc", 0}, {"  20", 20}, {"20 30", 20}, {"", 0},
      {"   ", 0},    {"20.5", 20.5}, {"-7", -7}, {"&B11", 3},  {"&", 0},      {"\t9", 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(text_to_number(c.text), c.want);
  }
}

TEST(RoundToInt32, HalvesToEvenAndRange) {
  EXPECT_EQ(round_to_int32(20.5), 20);
  EXPECT_EQ(round_to_int32(21.5), 22);
  EXPECT_EQ(round_to_int32(-2.5), -2);
  EXPECT_EQ(round_to_int32(2147483647.4), 2147483647);
  EXPECT_EQ(round_to_int32(2147483647.5), -2147483647 - 1);
  EXPECT_EQ(round_to_int32(std::nan("")), -2147483647 - 1);
}

TEST_F(ValueReader, TextValues) {
  struct Case {
    const char* name;
    std::string line;
    std::vector<std::string> want;  // successive text reads
  };
  const Case cases[] = {
      {"blanks kept inside and after", "  my data.txt  ", {"my data.txt  "}},
      {"quoted comma", "\"a,b.txt\"", {"a,b.txt"}},
      {"unquoted comma", "a,b.txt", {"a", "b.txt"}},
      {"late quote is a character", "a\"b", {"a\"b"}},
      {"unclosed quote", "\"a b", {"a b", ""}},
      {"quoted texts back to back", "\"a\"\"b\"", {"a", "b"}},
      {"byte 255",
       "a\xff"
       "b",
       {"a\xff"
        "b"}},
      {"NUL ends the value", std::string("ab\0cd", 5), {"ab"}},
      {"past the end", "", {"", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set_text_source(c.line);
    for (const std::string& want : c.want) EXPECT_EQ(read_text_value(), want);
  }
}

TEST_F(ValueReader, NumberBufferLimit) {
  const std::string value22(22, '1');
  open_file(value22 + "\r\n5");
  EXPECT_EQ(read_text_value(), std::string(22, '1'));  // a text value keeps going
  close_channel(kChannel);

  open_file(value22 + "\r\n5");
  read_single_value();
  EXPECT_EQ(read_single_value(), 5.0f);  // the line end went with the 22 characters
  close_channel(kChannel);

  set_text_source(std::string(22, '2') + "12345678");
  read_integer_value();
  EXPECT_EQ(read_integer_value(), 12345678);
}

TEST_F(ValueReader, QuotedNumberGoesOnAfterTheQuote) {
  set_text_source("\"1 2\"3,4");
  EXPECT_EQ(read_text_value(), "1 2");
  set_text_source("\"1.5\"7 9");
  EXPECT_EQ(read_single_value(), 1.57f);
  EXPECT_EQ(read_single_value(), 9.0f);
}

TEST_F(ValueReader, WholeLines) {
  open_file("label one\r\nvalue\r\nx\r\r\n\nlast");
  std::string line;
  EXPECT_EQ(read_whole_line(kChannel, line), kStatusOk);
  EXPECT_EQ(line, "label one");
  EXPECT_EQ(read_text_value(), "value");
  EXPECT_EQ(read_whole_line(kChannel, line), kStatusOk);
  EXPECT_EQ(line, "x");  // the CR before the line end is dropped
  EXPECT_EQ(read_whole_line(kChannel, line), kStatusOk);
  EXPECT_EQ(line, "");
  EXPECT_EQ(read_whole_line(kChannel, line), kStatusNoData);
  EXPECT_EQ(line, "last");
  EXPECT_EQ(read_whole_line(kChannel, line), kStatusNoData);
  EXPECT_EQ(line, "");
  close_channel(kChannel);

  open_file("ends in CR\r");
  EXPECT_EQ(read_whole_line(kChannel, line), kStatusOk);
  EXPECT_EQ(line, "ends in CR");
  close_channel(kChannel);

  line = "unchanged";
  EXPECT_EQ(read_whole_line(kChannel, line), kStatusNotOpen);
  EXPECT_EQ(line, "unchanged");
}

TEST_F(ValueReader, WholeLineLeavesAPendingCharacterPending) {
  open_file("7 x\nnext line\n");
  EXPECT_EQ(read_integer_value(), 7);  // leaves the x pending
  std::string line;
  EXPECT_EQ(read_whole_line(kChannel, line), kStatusOk);
  EXPECT_EQ(line, "");  // the rest of the first line, after the x
  EXPECT_EQ(read_text_value(), "xnext line");
}

TEST_F(ValueReader, ClosedChannels) {
  EXPECT_EQ(at_end_of_file(kChannel), 1);
  EXPECT_EQ(select_input(kChannel), kStatusNotOpen);
  // A failed choice keeps the previous source: the rest of the typed line.
  set_text_source("1,2");
  EXPECT_EQ(read_integer_value(), 1);
  EXPECT_EQ(select_input(kChannel), kStatusNotOpen);
  EXPECT_EQ(read_integer_value(), 2);
  EXPECT_EQ(read_integer_value(), 0);

  // A chosen channel closed since yields nothing, also once reopening failed.
  open_file("5");
  close_channel(kChannel);
  EXPECT_EQ(read_text_value(), "");
  open_channel(kChannel, (path_ / "missing").string(), ChannelMode::input);
  EXPECT_EQ(select_input(kChannel), kStatusNotOpen);
  EXPECT_EQ(read_single_value(), 0.0f);
  EXPECT_EQ(select_input(99), kStatusNotOpen);
  EXPECT_EQ(at_end_of_file(-1), 1);
}

}  // namespace
}  // namespace orvanel::textio
