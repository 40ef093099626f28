// Result-file cells and records, byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "textio/channels.h"

namespace orvanel::textio {
namespace {

struct SingleCase {
  float value;
  const char* want;
};

TEST(ResultFile, SinglePrecisionCells) {
  const float inf = std::numeric_limits<float>::infinity();
  const SingleCase cases[] = {
      {45.5f, "45.5"},
      {40.25f, "40.25"},
      {1.0f, "1"},
      {0.5f, "0.5"},
      {0.0f, "0"},
      {-0.0f, "0"},
      {765.4321f, "765.4321"},
      {-0.25f, "-0.25"},
      {0.1234567f, "0.1234567"},
      {0.1f, "0.1"},
      {277.0f / 3.0f, "92.33334"},
      {static_cast<float>(499.0L / 999.0L), "0.4994995"},
      {0.00001f, "1e-05"},
      {12345678.0f, "1.234568e+07"},
      {std::nanf(""), "NaN"},
      {inf, "Inf"},
      {-inf, "-Inf"},
  };
  for (const SingleCase& c : cases) {
    SCOPED_TRACE(c.want);
    EXPECT_EQ(single_cell_text(c.value), c.want);
  }
}

class ResultFileOnDisk : public testing::Test {
 protected:
  std::filesystem::path path_ =
      std::filesystem::temp_directory_path() / ("orvanel-cells-" + std::to_string(getpid()));

  void TearDown() override {
    close_channel(1);
    std::filesystem::remove(path_);
  }

  std::string contents() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
};

TEST_F(ResultFileOnDisk, HeaderAndRecordBytes) {
  {
    std::ofstream old(path_, std::ios::binary);
    old << "an earlier run's records\r\n";
  }
  open_channel(1, path_.string(), ChannelMode::output);
  for (const char* name : {"n1", "n2", "mrb", "mrw", "R"}) write_text_cell(1, name, false);
  write_text_cell(1, "p(R)", true);
  const std::size_t header_size = 34;
  write_integer_cell(1, 3, false);
  write_integer_cell(1, 17, false);
  write_single_cell(1, 109.4f, false);
  write_single_cell(1, 90.4f, false);
  write_single_cell(1, 0.2f, false);
  write_single_cell(1, static_cast<float>(499.0L / 999.0L), true);
  write_integer_cell(1, -2, false);
  write_text_cell(1, "", true);
  EXPECT_TRUE(close_channel(1));

  const std::string bytes = contents();
  EXPECT_EQ(bytes.substr(0, header_size), "\"n1\",\"n2\",\"mrb\",\"mrw\",\"R\",\"p(R)\"\r\n");
  EXPECT_EQ(bytes.substr(header_size), "3,17,109.4,90.4,0.2,0.4994995\r\n-2,\"\"\r\n");
}

TEST_F(ResultFileOnDisk, ClosedChannelWritesNothing) {
  write_text_cell(1, "lost", false);
  write_integer_cell(1, 1, true);
  EXPECT_EQ(find_channel(1), nullptr);
  EXPECT_TRUE(close_channel(1));
  EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(ResultFileOnDisk, FileThatCannotBeCreatedLeavesTheChannelClosed) {
  open_channel(1, (path_ / "missing-folder" / "orvanel.out").string(), ChannelMode::output);
  EXPECT_EQ(find_channel(1), nullptr);
  open_channel(1, "", ChannelMode::output);
  EXPECT_EQ(find_channel(1), nullptr);
}

TEST_F(ResultFileOnDisk, OpeningAnOpenChannelKeepsTheOpenFile) {
  open_channel(1, path_.string(), ChannelMode::output);
  const std::FILE* first = find_channel(1)->stream;
  open_channel(1, (path_.string() + "-other"), ChannelMode::output);
  EXPECT_EQ(find_channel(1)->stream, first);
  EXPECT_FALSE(std::filesystem::exists(path_.string() + "-other"));
}

TEST_F(ResultFileOnDisk, FailedWriteIsReportedAtClosing) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  open_channel(1, "/dev/full", ChannelMode::output);
  ASSERT_NE(find_channel(1), nullptr);
  for (int k = 0; k < 10; ++k) write_integer_cell(1, k, true);
  EXPECT_FALSE(close_channel(1));
}

}  // namespace
}  // namespace orvanel::textio
