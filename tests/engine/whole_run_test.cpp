// Whole runs of the program with the engine against the same program built with the
// straightforward algorithms: the screen and the result file byte for byte, for any number
// of threads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "matrices.h"

namespace orvanel::engine_test {
namespace {

namespace fs = std::filesystem;

struct RunOutput {
  std::string out;
  std::string err;
  std::string result_file;
  int status = -1;
};

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Runs `binary` on "run.par" in `dir` with ORVANEL_SEED=7 and ORVANEL_THREADS as given (unset
// when none), standard input from /dev/null.
RunOutput run_program(const char* binary, const fs::path& dir, std::optional<std::string> threads) {
  fs::remove(dir / "orvanel.out");
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(".stdout", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(".stderr", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    setenv("ORVANEL_SEED", "7", 1);
    if (threads) {
      setenv("ORVANEL_THREADS", threads->c_str(), 1);
    } else {
      unsetenv("ORVANEL_THREADS");
    }
    execl(binary, binary, "run.par", static_cast<char*>(nullptr));
    _exit(127);
  }
  int wait_status = 0;
  waitpid(child, &wait_status, 0);
  RunOutput run;
  run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  run.out = read_file(dir / ".stdout");
  run.err = read_file(dir / ".stderr");
  run.result_file = read_file(dir / "orvanel.out");
  return run;
}

// A temporary directory with the matrix and the parameter file of a case.
class RunDirectory {
 public:
  explicit RunDirectory(const ScanCase& c) {
    std::string pattern = (fs::temp_directory_path() / "orvanel-engine-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    const stats::SquareMatrix matrix = generate_matrix(c.n, c.values, 31);
    std::ofstream file(dir_ / "matrix.txt", std::ios::binary);
    for (std::int32_t i = 1; i <= c.n; ++i) {
      for (std::int32_t j = 1; j <= c.n; ++j) {
        char value[32];
        std::snprintf(value, sizeof value, "%.9g", static_cast<double>(matrix(i, j)));
        file << value << (j == c.n ? "\n" : " ");
      }
    }
    std::ofstream(dir_ / "run.par", std::ios::binary) << "Matrix\nmatrix.txt\nObjects\n"
                                                      << c.n << "\nGroup 1\n"
                                                      << c.min_n1 << "\nGroup 2\n"
                                                      << c.min_n2 << "\nPermutations\n"
                                                      << c.permutations << "\n";
  }
  ~RunDirectory() { fs::remove_all(dir_); }
  const fs::path& path() const { return dir_; }

 private:
  fs::path dir_;
};

TEST(WholeRun, SameBytesAsLiteralProgramForAnyThreadCount) {
  const ScanCase cases[] = {
      {"sums in any order", 40, Values::ties, 5, 5, 99},
      {"sums in row order", 100, Values::distinct, 44, 46, 19},
      {"rows without R", 12, Values::negative, -1, 0, 25},
  };
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.name);
    const RunDirectory dir(c);
    const RunOutput want = run_program(ORVANEL_LITERAL_BINARY, dir.path(), std::nullopt);
    ASSERT_EQ(want.status, 0);
    ASSERT_NE(want.result_file, "");
    // Invalid thread counts are ignored: every core.
    const std::optional<std::string> thread_counts[] = {"1", "2", "3", std::nullopt, "0", "many"};
    for (const std::optional<std::string>& threads : thread_counts) {
      SCOPED_TRACE(threads.value_or("unset"));
      const RunOutput got = run_program(ORVANEL_BINARY, dir.path(), threads);
      EXPECT_EQ(got.status, 0);
      EXPECT_EQ(got.out, want.out);
      EXPECT_EQ(got.result_file, want.result_file);
      EXPECT_EQ(got.err, "");
    }
  }
}

}  // namespace
}  // namespace orvanel::engine_test
