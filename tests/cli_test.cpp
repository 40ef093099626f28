// End-to-end runs of the orvanel program in fresh directories, checked byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "program_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace orvanel::test_support;

// Three objects with d(1,2) < d(1,3) < d(2,3): ranks 1, 2, 3.
const std::string kThree = "0 0.1 0.2\n0.1 0 0.3\n0.2 0.3 0\n";

struct CliCase {
  const char* name;
  std::map<std::string, std::string> files;
  std::vector<std::string> args;
  const char* seed;
  std::optional<std::string> input;
  std::string want_out;
  std::optional<std::string> want_result_file;
};

// With seed 1 (first draw 41 discarded) and two permutations per split:
// split n1 = 1 (R = -1): the relabellings give ranks ({1,2},{1,3},{2,3}) = (3,1,2), R = 0, and
// (2,1,3), R = -1: both reach -1, p = 1. Split n1 = 2 (R = 1): (1,2,3), R = 1, a hit, then
// (2,3,1), R = 0, no hit: p = 0.5.
const std::string kThreeRows = kTableHead +
                               lines({"    1     2     1.5     3.0 -1.00000 1.00000",
                                      "    2     1     2.5     1.0  1.00000 0.50000"}) +
                               table_foot("max(R)= 1.00000 (n1=2, n2=1)");
const std::string kThreeRecords = kHeaderRecord + "1,2,1.5,3,-1,1\r\n2,1,2.5,1,1,0.5\r\n";

const std::string kNoFileEcho = echo("", " 0", " 0", " 0", " 0");

std::vector<CliCase> cli_cases() {
  return {
      {"tied matrix",
       {{"tied.txt", kTiedFour}, {"run.par", parameter_file("tied.txt", "4", "1", "1", "5")}},
       {"run.par"},
       "1",
       std::nullopt,
       kBanner + echo("tied.txt", " 4", " 1", " 1", " 5") + kTiedRows,
       kTiedRecords},
      {"arguments joined with blanks",
       {{"tied.txt", kTiedFour}, {"my run.par", parameter_file("tied.txt", "4", "1", "1", "5")}},
       {"  my", "run.par  "},
       "1",
       std::nullopt,
       kBanner + echo("tied.txt", " 4", " 1", " 1", " 5") + kTiedRows,
       kTiedRecords},
      {"permutation p-values",
       {{"three.txt", kThree}, {"run.par", parameter_file("three.txt", "3", "1", "1", "2")}},
       {"run.par"},
       "1",
       std::nullopt,
       kBanner + echo("three.txt", " 3", " 1", " 1", " 2") + kThreeRows,
       kThreeRecords},
      {"similarities turned into dissimilarities",
       {{"sim.txt", "1 0.9 0.8\n0.9 1 0.7\n0.8 0.7 1\n"},
        {"run.par", parameter_file("sim.txt", "3", "1", "1", "2")}},
       {"run.par"},
       "1",
       std::nullopt,
       kBanner + echo("sim.txt", " 3", " 1", " 1", " 2") + kThreeRows,
       kThreeRecords},
      {"parameter values with quotes, blanks and a point",
       {{"a, b.txt", kTiedFour},
        {"run.par", lines({"label, with \"quotes\"", "  \"a, b.txt\"", "x", "3.5e0 9", "", " 1  ",
                           "", "1", "", "5"})}},
       {"run.par"},
       "1",
       std::nullopt,
       kBanner + echo("a, b.txt", " 4", " 1", " 1", " 5") + kTiedRows,
       kTiedRecords},
      {"no permutations",
       {{"tied.txt", kTiedFour}, {"run.par", parameter_file("tied.txt", "4", "2", "2", "0")}},
       {"run.par"},
       "1",
       std::nullopt,
       kBanner + echo("tied.txt", " 4", " 2", " 2", " 0") + kTableHead +
           lines({"    2     2     3.5     3.5  0.00000     NaN"}) +
           table_foot("max(R)= 0.00000 (n1=2, n2=2)"),
       kHeaderRecord + "2,2,3.5,3.5,0,NaN\r\n"},
      {"minima above the dimension give one row",
       {{"tied.txt", kTiedFour}, {"run.par", parameter_file("tied.txt", "4", "3", "3", "1")}},
       {"run.par"},
       "1",
       std::nullopt,
       kBanner + echo("tied.txt", " 4", " 3", " 3", " 1") + kTableHead +
           lines({"    3     1     3.5     3.5  0.00000 1.00000"}) +
           table_foot("max(R)= 0.00000 (n1=3, n2=1)"),
       kHeaderRecord + "3,1,3.5,3.5,0,1\r\n"},
      {"minimum of zero: a split without between pairs",
       {{"tied.txt", kTiedFour}, {"run.par", parameter_file("tied.txt", "4", "0", "3", "1")}},
       {"run.par"},
       "1",
       std::nullopt,
       kBanner + echo("tied.txt", " 4", " 0", " 3", " 1") + kTableHead +
           lines({"    0     4     NaN     3.5      NaN 0.00000",
                  "    1     3     3.5     3.5  0.00000 1.00000"}) +
           table_foot("max(R)= 0.00000 (n1=1, n2=3)"),
       kHeaderRecord + "0,4,NaN,3.5,NaN,0\r\n1,3,3.5,3.5,0,1\r\n"},
      {"missing matrix file with dimension 1",
       {{"run.par", parameter_file("nothere.txt", "1", "1", "1", "3")}},
       {"run.par"},
       "1",
       std::nullopt,
       kBanner + echo("nothere.txt", " 1", " 1", " 1", " 3") + kTableHead +
           lines({"    1     0     NaN     NaN      NaN 0.00000"}) +
           table_foot("max(R)=%-999.00000 (n1=0, n2=0)"),
       kHeaderRecord + "1,0,NaN,NaN,NaN,0\r\n"},
      {"missing parameter file",
       {},
       {"nothere.par"},
       "1",
       std::nullopt,
       kBanner + kNoFileEcho + kSizeError,
       std::nullopt},
      {"blank command line",
       {},
       {" "},
       "1",
       std::nullopt,
       kBanner + kNoFileEcho + kSizeError,
       std::nullopt},
      {"too few values leave an earlier result file alone",
       {{"short.txt", "0 1 1\n1 0 1\n1 1\n"},
        {"run.par", parameter_file("short.txt", "3", "1", "1", "5")},
        {"orvanel.out", "earlier"}},
       {"run.par"},
       "1",
       std::nullopt,
       kBanner + echo("short.txt", " 3", " 1", " 1", " 5") + kSizeError,
       "earlier"},
      {"too many values",
       {{"nine.txt", "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n"},
        {"run.par", parameter_file("nine.txt", "3", "1", "1", "5")}},
       {"run.par"},
       "1",
       std::nullopt,
       kBanner + echo("nine.txt", " 3", " 1", " 1", " 5") + kSizeError,
       std::nullopt},
      {"group sizes out of range",
       {{"run.par", parameter_file("tied.txt", "4", "-2147483648", "1", "5")}},
       {"run.par"},
       "1",
       std::nullopt,
       kBanner + echo("tied.txt", " 4", "-2147483648", " 1", " 5") +
           lines({"Error: minimum group sizes out of range"}),
       std::nullopt},
      {"seed that is not a whole number",
       {{"run.par", parameter_file("tied.txt", "4", "1", "1", "5")}},
       {"run.par"},
       "12x",
       std::nullopt,
       lines({"Error: ORVANEL_SEED is not a whole number"}),
       std::nullopt},
      {"interactive answers from redirected input",
       {{"tied.txt", kTiedFour}},
       {},
       "1",
       "tied.txt\n4\n0\n2\n2\n5\n",
       kBanner +
           "- minimum number of objects in group #1? - minimum number of objects in group #1? "
           "- minimum number of objects in group #2? \r\n" +
           kTableHead + lines({"    2     2     3.5     3.5  0.00000 1.00000"}) +
           table_foot("max(R)= 0.00000 (n1=2, n2=2)") + lines({"", "Press any key..."}),
       kHeaderRecord + "2,2,3.5,3.5,0,1\r\n"},
      {"interactive input that ends too soon",
       {{"tied.txt", kTiedFour}},
       {},
       "1",
       "tied.txt\n4\n",
       kBanner + "- minimum number of objects in group #1? " +
           lines({"Error: input ended before all parameters were given"}),
       std::nullopt},
  };
}

TEST(Cli, RunsMatchByteForByte) {
  for (const CliCase& c : cli_cases()) {
    SCOPED_TRACE(c.name);
    Scratch scratch(c.files);
    const RunOutcome run = run_program(scratch.dir(), c.args, c.seed, c.input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, c.want_out);
    EXPECT_EQ(run.result_file, c.want_result_file);
  }
}

TEST(Cli, SeedsThatAreWholeNumbers) {
  for (const char* seed : {"0", "+5", "-2147483648", "2147483647", "007"}) {
    SCOPED_TRACE(seed);
    Scratch scratch(
        {{"tied.txt", kTiedFour}, {"run.par", parameter_file("tied.txt", "4", "1", "1", "5")}});
    EXPECT_EQ(run_program(scratch.dir(), {"run.par"}, seed).out,
              kBanner + echo("tied.txt", " 4", " 1", " 1", " 5") + kTiedRows);
  }
  for (const char* seed : {"", "+", "-", "2147483648", "-2147483649", " 1", "1 ", "0x10", "1e3"}) {
    SCOPED_TRACE(seed);
    Scratch scratch({});
    const RunOutcome run = run_program(scratch.dir(), {"run.par"}, seed);
    EXPECT_EQ(run.out, lines({"Error: ORVANEL_SEED is not a whole number"}));
    EXPECT_EQ(run.status, 0);
  }
}

TEST(Cli, ResultFileThatCannotBeCreated) {
  Scratch scratch(
      {{"tied.txt", kTiedFour}, {"run.par", parameter_file("tied.txt", "4", "1", "1", "5")}});
  fs::create_directory(scratch.dir() / "orvanel.out");
  const RunOutcome run = run_program(scratch.dir(), {"run.par"}, "1");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBanner + echo("tied.txt", " 4", " 1", " 1", " 5") + kTiedRows);
  EXPECT_TRUE(fs::is_directory(scratch.dir() / "orvanel.out"));
}

TEST(Cli, SameSeedSameBytesOnTheBundledExample) {
  const fs::path examples = fs::path(ORVANEL_SOURCE_DIR) / "examples";
  Scratch scratch({{"dune-bray-curtis.txt", read_file(examples / "dune-bray-curtis.txt")},
                   {"dune.par", read_file(examples / "dune.par")}});
  const RunOutcome first = run_program(scratch.dir(), {"dune.par"}, "42");
  const RunOutcome second = run_program(scratch.dir(), {"dune.par"}, "42");
  EXPECT_EQ(first.out, second.out);
  EXPECT_EQ(first.result_file, second.result_file);
  const RunOutcome other = run_program(scratch.dir(), {"dune.par"}, "43");
  EXPECT_NE(first.result_file, other.result_file);
}

TEST(Cli, HelpAndVersion) {
  Scratch scratch({});
  const RunOutcome help = run_program(scratch.dir(), {"--help"}, nullptr);
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: orvanel [PARAMETER-FILE]\r\n"), std::string::npos);
  EXPECT_NE(help.out.find("ORVANEL_SEED"), std::string::npos);
  const RunOutcome version = run_program(scratch.dir(), {"--version"}, nullptr);
  EXPECT_EQ(version.out.rfind("orvanel ", 0), 0u);
  EXPECT_FALSE(version.result_file.has_value());
  // Anything else is a parameter file name.
  const RunOutcome other = run_program(scratch.dir(), {"--help", "me"}, "1");
  EXPECT_EQ(other.out, kBanner + echo("", " 0", " 0", " 0", " 0") + kSizeError);
}

}  // namespace
