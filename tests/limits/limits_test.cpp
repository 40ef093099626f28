// Limit and fault tests: parameters at the 32-bit extremes, files that are not plain files,
// huge inputs, and standard output or the result file failing. Every run must end with its
// specified output and status 0.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "driver/matrix_loading.h"
#include "program_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace orvanel::test_support;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

// AddressSanitizer reserves terabytes of address space, so a limit on it cannot be tested there.
#define SKIP_UNDER_ADDRESS_SANITIZER() \
  if (kAddressSanitizer) GTEST_SKIP() << "address space limits do not work under ASan"

constexpr std::uint64_t kMegabyte = 1024 * 1024;

const std::string kTwo = "0 1\n1 0\n";
const std::string kTiedRun = kBanner + echo("tied.txt", " 4", " 1", " 1", " 5") + kTiedRows;
const std::map<std::string, std::string> kTiedFiles = {
    {"tied.txt", kTiedFour}, {"run.par", parameter_file("tied.txt", "4", "1", "1", "5")}};

// The one row of a dimension-1 run whose single value is 0, with three permutations.
const std::string kOneObjectRows = kTableHead +
                                   lines({"    1     0     NaN     NaN      NaN 0.00000"}) +
                                   table_foot("max(R)=%-999.00000 (n1=0, n2=0)");
const std::string kOneObjectRecords = kHeaderRecord + "1,0,NaN,NaN,NaN,0\r\n";

// The one split of two objects: its pair lies between the groups.
const std::string kTwoObjectsNoPermutations =
    kTableHead + lines({"    1     1     1.0     NaN      NaN     NaN"}) +
    table_foot("max(R)=%-999.00000 (n1=0, n2=0)");

const std::string kRangeError = lines({"Error: minimum group sizes out of range"});

struct LimitCase {
  const char* name;
  std::map<std::string, std::string> files;
  std::string want_out;
  std::optional<std::string> want_result_file;
};

std::vector<LimitCase> parameter_cases() {
  const auto run_of = [](const std::string& matrix, const std::string& n, const std::string& m1,
                         const std::string& m2, const std::string& permutations) {
    return std::map<std::string, std::string>{
        {"m.txt", matrix}, {"run.par", parameter_file("m.txt", n, m1, m2, permutations)}};
  };
  return {
      {"dimension 0", run_of(kTwo, "0", "1", "1", "1"),
       kBanner + echo("m.txt", " 0", " 1", " 1", " 1") + kSizeError, std::nullopt},
      {"negative dimension", run_of(kTwo, "-3", "1", "1", "1"),
       kBanner + echo("m.txt", "-3", " 1", " 1", " 1") + kSizeError, std::nullopt},
      {"largest dimension", run_of(kTwo, "2147483647", "1", "1", "1"),
       kBanner + echo("m.txt", " 2147483647", " 1", " 1", " 1") + kSizeError, std::nullopt},
      // The dimension rounds outside 32 bits and becomes the lowest value, whose splits cannot
      // be represented.
      {"dimension past 32 bits", run_of(kTwo, "3e9", "1", "1", "1"),
       kBanner + echo("m.txt", "-2147483648", " 1", " 1", " 1") + kRangeError, std::nullopt},
      {"lowest group 2 minimum", run_of(kTiedFour, "4", "1", "-2147483648", "1"),
       kBanner + echo("m.txt", " 4", " 1", "-2147483648", " 1") + kRangeError, std::nullopt},
      {"group 1 minimum with a last split past 32 bits",
       run_of(kTiedFour, "4", "-2147483645", "-2147483645", "1"),
       kBanner + echo("m.txt", " 4", "-2147483645", "-2147483645", " 1") + kRangeError,
       std::nullopt},
      {"largest minima: one row beyond the objects",
       run_of(kTwo, "2", "2147483647", "2147483647", "1"),
       kBanner + echo("m.txt", " 2", " 2147483647", " 2147483647", " 1") + kTableHead +
           lines({"%2147483647 %-2147483645     NaN     1.0      NaN 0.00000"}) +
           table_foot("max(R)=%-999.00000 (n1=0, n2=0)"),
       kHeaderRecord + "2147483647,-2147483645,NaN,1,NaN,0\r\n"},
      {"negative permutation count", run_of(kTiedFour, "4", "2", "2", "-5"),
       kBanner + echo("m.txt", " 4", " 2", " 2", "-5") + kTableHead +
           lines({"    2     2     3.5     3.5  0.00000 0.00000"}) +
           table_foot("max(R)= 0.00000 (n1=2, n2=2)"),
       kHeaderRecord + "2,2,3.5,3.5,0,0\r\n"},
      {"lowest permutation count", run_of(kTiedFour, "4", "2", "2", "-2147483648"),
       kBanner + echo("m.txt", " 4", " 2", " 2", "-2147483648") + kTableHead +
           lines({"    2     2     3.5     3.5  0.00000 0.00000"}) +
           table_foot("max(R)= 0.00000 (n1=2, n2=2)"),
       kHeaderRecord + "2,2,3.5,3.5,0,0\r\n"},
      {"NUL bytes end values",
       {{"m.txt", std::string("0\0x 1\n1 0\0\0\n", 12)},
        {"run.par", parameter_file(std::string("m.txt\0junk", 10),
                                   "2\0"
                                   "9",
                                   "1", "1", "0")}},
       kBanner + echo("m.txt", " 2", " 1", " 1", " 0") + kTwoObjectsNoPermutations,
       kHeaderRecord + "1,1,1,NaN,NaN,NaN\r\n"},
  };
}

TEST(Limits, ParametersAtTheExtremes) {
  for (const LimitCase& c : parameter_cases()) {
    SCOPED_TRACE(c.name);
    Scratch scratch(c.files);
    const RunOutcome run = run_program(scratch.dir(), {"run.par"}, "1");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, c.want_out);
    EXPECT_EQ(run.result_file, c.want_result_file);
  }
}

// Feeds bytes into a FIFO from another thread; the writer waits until the program opens it.
class FifoFeeder {
 public:
  FifoFeeder(fs::path path, std::string bytes) : path_(std::move(path)) {
    if (mkfifo(path_.c_str(), 0600) != 0) ADD_FAILURE() << "mkfifo " << path_;
    writer_ = std::thread(
        [this, bytes = std::move(bytes)] { std::ofstream(path_, std::ios::binary) << bytes; });
  }
  // A reader opened here releases a writer that the program never met.
  ~FifoFeeder() {
    const int release = open(path_.c_str(), O_RDONLY | O_NONBLOCK);
    writer_.join();
    if (release >= 0) close(release);
  }
  FifoFeeder(const FifoFeeder&) = delete;
  FifoFeeder& operator=(const FifoFeeder&) = delete;

 private:
  fs::path path_;
  std::thread writer_;
};

struct SpecialFileCase {
  const char* name;
  std::string parameter_name;  // the parameter file named on the command line
  std::map<std::string, std::string> files;
  std::string fifo_name;  // a FIFO to create and feed with `fifo_bytes`, unless empty
  std::string fifo_bytes;
  std::string want_out;
  std::optional<std::string> want_result_file;
};

std::vector<SpecialFileCase> special_file_cases() {
  const std::string no_parameters = kBanner + echo("", " 0", " 0", " 0", " 0") + kSizeError;
  const auto matrix_run = [](const std::string& matrix, const std::string& n) {
    return std::map<std::string, std::string>{
        {"run.par", parameter_file(matrix, n, "1", "1", "3")}};
  };
  return {
      // A file without a length ends after its first read, which finds no data: one value 0.
      {"matrix file /dev/zero, dimension 2", "run.par", matrix_run("/dev/zero", "2"), "", "",
       kBanner + echo("/dev/zero", " 2", " 1", " 1", " 3") + kSizeError, std::nullopt},
      {"matrix file /dev/zero, dimension 1", "run.par", matrix_run("/dev/zero", "1"), "", "",
       kBanner + echo("/dev/zero", " 1", " 1", " 1", " 3") + kOneObjectRows, kOneObjectRecords},
      {"matrix file that is a directory", "run.par", matrix_run(".", "1"), "", "",
       kBanner + echo(".", " 1", " 1", " 1", " 3") + kOneObjectRows, kOneObjectRecords},
      {"matrix file that is a FIFO", "run.par", matrix_run("matrix.fifo", "2"), "matrix.fifo", kTwo,
       kBanner + echo("matrix.fifo", " 2", " 1", " 1", " 3") + kSizeError, std::nullopt},
      {"parameter file /dev/zero", "/dev/zero", {}, "", "", no_parameters, std::nullopt},
      {"parameter file that is a directory", ".", {}, "", "", no_parameters, std::nullopt},
      {"parameter file that is a FIFO",
       "run.fifo",
       {{"tied.txt", kTiedFour}},
       "run.fifo",
       parameter_file("tied.txt", "4", "1", "1", "5"),
       kTiedRun,
       kTiedRecords},
  };
}

TEST(Limits, FilesThatAreNotPlainFiles) {
  for (const SpecialFileCase& c : special_file_cases()) {
    SCOPED_TRACE(c.name);
    Scratch scratch(c.files);
    std::optional<FifoFeeder> feeder;
    if (!c.fifo_name.empty()) feeder.emplace(scratch.dir() / c.fifo_name, c.fifo_bytes);
    const RunOutcome run = run_program(scratch.dir(), {c.parameter_name}, "1");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, c.want_out);
    EXPECT_EQ(run.result_file, c.want_result_file);
  }
}

// Interactive answers from a device that never ends: it gives no data, so the run stops at the
// first group minimum instead of asking for ever.
TEST(Limits, InteractiveInputFromADevice) {
  Scratch scratch({});
  RunSettings settings;
  settings.input_device = "/dev/zero";
  const RunOutcome run = run_program(scratch.dir(), {}, "1", std::nullopt, settings);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBanner + "- minimum number of objects in group #1? " +
                         lines({"Error: input ended before all parameters were given"}));
}

// A parameter file whose first label line is 10 MB long.
TEST(Limits, LongLabelLine) {
  Scratch scratch({{"tied.txt", kTiedFour}});
  std::ofstream(scratch.dir() / "run.par", std::ios::binary)
      << std::string(10 * kMegabyte, 'x') << "\r\n"
      << parameter_file("tied.txt", "4", "1", "1", "5")
             .substr(std::string("Matrix file\r\n").size());
  const RunOutcome run = run_program(scratch.dir(), {"run.par"}, "1");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kTiedRun);
  EXPECT_EQ(run.result_file, kTiedRecords);
}

// One value of a million digits is read 22 characters at a time: 45454 values of 22 digits and
// one of 12, 45455 values in all, which fit the dimension 213 (213^2 = 45369) and no other.
TEST(Limits, ValueOfAMillionCharacters) {
  Scratch scratch({{"run.par", parameter_file("long.txt", "212", "213", "1", "0")}});
  std::ofstream(scratch.dir() / "long.txt", std::ios::binary) << std::string(1000000, '7') << "\n";
  const RunOutcome too_small = run_program(scratch.dir(), {"run.par"}, "1");
  EXPECT_EQ(too_small.out, kBanner + echo("long.txt", " 212", " 213", " 1", " 0") + kSizeError);

  std::ofstream(scratch.dir() / "run.par", std::ios::binary)
      << parameter_file("long.txt", "213", "213", "1", "0");
  const RunOutcome fits = run_program(scratch.dir(), {"run.par"}, "1");
  EXPECT_EQ(fits.status, 0);
  // One split with every object in group 1: no pair between the groups.
  EXPECT_NE(fits.out.find(kTableHead + "  213     0     NaN "), std::string::npos) << fits.out;
  ASSERT_TRUE(fits.result_file.has_value());
  EXPECT_EQ(fits.result_file->rfind(kHeaderRecord + "213,0,NaN,", 0), 0u);
}

// A matrix whose values are separated by 200 MB of blanks is read in bounded memory: the
// blanks are skipped, never kept.
TEST(Limits, HeavyRunOfBlanks) {
  Scratch scratch({{"run.par", parameter_file("blank.txt", "2", "1", "1", "0")}});
  {
    std::ofstream matrix(scratch.dir() / "blank.txt", std::ios::binary);
    matrix << "0";
    const std::string blanks(kMegabyte, ' ');
    for (int k = 0; k < 200; ++k) matrix << blanks;
    matrix << "1\n1 0\n";
  }
  RunSettings settings;
  if (!kAddressSanitizer) settings.address_space_limit = 64 * kMegabyte;
  const RunOutcome run = run_program(scratch.dir(), {"run.par"}, "1", std::nullopt, settings);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            kBanner + echo("blank.txt", " 2", " 1", " 1", " 0") + kTwoObjectsNoPermutations);
}

// 2^31 - 1 permutations of a tied matrix all reach the observed R: p is exactly 1, which a
// count that stops growing at 2^24 would miss.
TEST(Limits, HeavyLargestPermutationCount) {
  Scratch scratch({{"m.txt", "0 1 1\n1 0 1\n1 1 0\n"},
                   {"run.par", parameter_file("m.txt", "3", "1", "2", "2147483647")}});
  const RunOutcome run = run_program(scratch.dir(), {"run.par"}, "1");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.result_file, kHeaderRecord + "1,2,2,2,0,1\r\n");
}

// A run of dimension 3000 asks for 108 MB; within a 64 MB address space it says that there is
// not enough memory instead of failing, while a small run still fits.
TEST(Limits, MatricesBeyondTheAddressSpace) {
  SKIP_UNDER_ADDRESS_SANITIZER();
  Scratch scratch({{"big.par", parameter_file("big.txt", "3000", "1", "1", "0")},
                   {"big.txt", std::string(3000 * 3000, ',')}});
  RunSettings settings;
  settings.address_space_limit = 64 * kMegabyte;
  settings.environment = {{"ORVANEL_THREADS", "1"}};
  const RunOutcome big = run_program(scratch.dir(), {"big.par"}, "1", std::nullopt, settings);
  EXPECT_EQ(big.status, 0);
  EXPECT_EQ(big.out, kBanner + echo("big.txt", " 3000", " 1", " 1", " 0") +
                         lines({"Error: not enough memory for a matrix of dimension 3000"}));
  EXPECT_FALSE(big.result_file.has_value());

  for (const auto& [name, bytes] : kTiedFiles) std::ofstream(scratch.dir() / name) << bytes;
  const RunOutcome small = run_program(scratch.dir(), {"run.par"}, "1", std::nullopt, settings);
  EXPECT_EQ(small.out, kTiedRun);
  EXPECT_EQ(small.result_file, kTiedRecords);
}

// Threads that cannot be had under an address-space limit: the scan goes on with those it got,
// or on the calling thread alone, and the bytes are the same.
TEST(Limits, ThreadsBeyondTheAddressSpace) {
  SKIP_UNDER_ADDRESS_SANITIZER();
  for (const std::uint64_t megabytes : {std::uint64_t{20}, std::uint64_t{40}}) {
    SCOPED_TRACE(megabytes);
    Scratch scratch(kTiedFiles);
    RunSettings settings;
    settings.address_space_limit = megabytes * kMegabyte;
    settings.environment = {{"ORVANEL_THREADS", "64"}};
    const RunOutcome run = run_program(scratch.dir(), {"run.par"}, "1", std::nullopt, settings);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kTiedRun);
    EXPECT_EQ(run.result_file, kTiedRecords);
  }
}

// Standard output that fails in any way leaves the run and the result file whole.
TEST(Limits, StandardOutputThatFails) {
  for (const StandardOutput output :
       {StandardOutput::closed, StandardOutput::broken_pipe, StandardOutput::full_device}) {
    SCOPED_TRACE(static_cast<int>(output));
    Scratch scratch(kTiedFiles);
    RunSettings settings;
    settings.output = output;
    const RunOutcome run = run_program(scratch.dir(), {"run.par"}, "1", std::nullopt, settings);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.result_file, kTiedRecords);
  }
}

// A result file that cannot be written completely: every row is shown, then the message after
// the summary. A file size limit stands in for a disk that fills up after the first 40 bytes.
TEST(Limits, ResultFileOnAFullDisk) {
  struct Case {
    const char* name;
    bool to_full_device;
    std::uint64_t file_size_limit;
    std::optional<std::string> want_result_file;
  };
  const Case cases[] = {
      {"symbolic link to /dev/full", true, 0, std::nullopt},
      {"file size limit", false, 40, kTiedRecords.substr(0, 40)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch scratch(kTiedFiles);
    if (c.to_full_device) fs::create_symlink("/dev/full", scratch.dir() / "orvanel.out");
    RunSettings settings;
    settings.output = StandardOutput::pipe;  // not limited in size
    settings.file_size_limit = c.file_size_limit;
    const RunOutcome run = run_program(scratch.dir(), {"run.par"}, "1", std::nullopt, settings);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kTiedRun + lines({"Error: the result file orvanel.out could not be "
                                         "written completely"}));
    EXPECT_EQ(run.result_file, c.want_result_file);
  }
}

// A small file system of its own, filled to the last byte: the result file is created but
// nothing reaches it. Needs the right to mount, as root in CI.
TEST(Limits, ResultFileOnAFullFileSystem) {
  Scratch scratch(std::map<std::string, std::string>{
      {"tied.txt", kTiedFour}, {"run.par", parameter_file("../tied.txt", "4", "1", "1", "5")}});
  const fs::path disk = scratch.dir() / "disk";
  fs::create_directory(disk);
  if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=8k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
  }
  {
    std::ofstream filler(disk / "filler", std::ios::binary);
    filler << std::string(64 * 1024, 'x');
  }
  RunSettings settings;
  settings.output = StandardOutput::pipe;  // the full disk has no room for it either
  const RunOutcome run = run_program(disk, {"../run.par"}, "1", std::nullopt, settings);
  umount(disk.c_str());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBanner + echo("../tied.txt", " 4", " 1", " 1", " 5") + kTiedRows +
                         lines({"Error: the result file orvanel.out could not be written "
                                "completely"}));
  EXPECT_EQ(run.result_file, "");
}

// A directory without write permission: the result file cannot be created, which is silent.
TEST(Limits, ResultFileInAReadOnlyDirectory) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write in any directory";
  Scratch scratch(kTiedFiles);
  fs::permissions(scratch.dir(), fs::perms::owner_write, fs::perm_options::remove);
  RunSettings settings;
  settings.output = StandardOutput::pipe;
  const RunOutcome run = run_program(scratch.dir(), {"run.par"}, "1", std::nullopt, settings);
  fs::permissions(scratch.dir(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kTiedRun);
  EXPECT_FALSE(run.result_file.has_value());
}

// The file changes between the counting pass and the reading pass: values that are gone read
// as 0, values added are never read.
TEST(Limits, MatrixFileChangedBetweenThePasses) {
  struct Case {
    const char* name;
    std::string after_count;
    std::vector<float> want;
  };
  const Case cases[] = {
      {"truncated", "0 1", {0, 1, 0, 0}},
      {"emptied", "", {0, 0, 0, 0}},
      {"grown", "0 1 1 0 5 5 5 5 5 5 5", {0, 1, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch scratch({{"m.txt", std::string("0 1 1 0\n")}});
    const std::string path = (scratch.dir() / "m.txt").string();
    ASSERT_EQ(orvanel::driver::count_values(path), 4);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.after_count;
    const orvanel::stats::SquareMatrix matrix = orvanel::driver::read_matrix(path, 2);
    EXPECT_EQ(std::vector<float>(matrix.data(), matrix.data() + 4), c.want);
  }
}

}  // namespace
