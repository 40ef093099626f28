// Runs the orvanel program in a scratch directory and builds the screen text it is expected to
// show; shared by the end-to-end tests.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace orvanel::test_support {

namespace fs = std::filesystem;

struct RunOutcome {
  std::string out;
  int status = -1;
  std::optional<std::string> result_file;  // orvanel.out, when the run left one
};

inline std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A scratch directory holding the given files; removed unless the test failed.
class Scratch {
 public:
  explicit Scratch(const std::map<std::string, std::string>& files) {
    std::string pattern = (fs::temp_directory_path() / "orvanel-cli-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    for (const auto& [name, bytes] : files) std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  ~Scratch() {
    if (testing::Test::HasFailure()) {
      std::cerr << "kept " << dir_ << "\n";
    } else {
      fs::remove_all(dir_);
    }
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
};

// Where the program's standard output goes.
enum class StandardOutput {
  file,         // a file, returned as RunOutcome::out
  pipe,         // a pipe, read to its end and returned as RunOutcome::out
  closed,       // no standard output at all
  broken_pipe,  // a pipe whose reading end is already closed
  full_device,  // /dev/full: every write fails for want of space
};

struct RunSettings {
  StandardOutput output = StandardOutput::file;
  std::uint64_t address_space_limit = 0;  // bytes, 0 for none
  std::uint64_t file_size_limit = 0;      // bytes, 0 for none
  std::string input_device;               // standard input from this file instead, when set
  std::vector<std::pair<std::string, std::string>> environment;
};

// A run that has not ended after this long is a hang; the child is then killed by SIGALRM and
// its status tells so.
inline constexpr unsigned kHangSeconds = 600;

// Runs the program in `dir` with the arguments, ORVANEL_SEED (unless null) and standard input
// from the given bytes (from the settings' input device, else /dev/null, when none).
inline RunOutcome run_program(const fs::path& dir, const std::vector<std::string>& args,
                              const char* seed,
                              const std::optional<std::string>& input = std::nullopt,
                              const RunSettings& settings = {}) {
  const fs::path out_path = dir / ".stdout";
  const fs::path in_path = dir / ".stdin";
  if (input) std::ofstream(in_path, std::ios::binary) << *input;
  int pipe_ends[2] = {-1, -1};
  const bool piped =
      settings.output == StandardOutput::pipe || settings.output == StandardOutput::broken_pipe;
  if (piped && pipe(pipe_ends) != 0) return {};
  if (settings.output == StandardOutput::broken_pipe) close(pipe_ends[0]);
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    const std::string in_name = !settings.input_device.empty() ? settings.input_device
                                : input                        ? in_path.string()
                                                               : "/dev/null";
    const int in = open(in_name.c_str(), O_RDONLY);
    dup2(in, STDIN_FILENO);
    switch (settings.output) {
      case StandardOutput::file:
        dup2(open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        break;
      case StandardOutput::closed:
        close(STDOUT_FILENO);
        break;
      case StandardOutput::pipe:
        close(pipe_ends[0]);
        dup2(pipe_ends[1], STDOUT_FILENO);
        break;
      case StandardOutput::broken_pipe:
        dup2(pipe_ends[1], STDOUT_FILENO);
        break;
      case StandardOutput::full_device:
        dup2(open("/dev/full", O_WRONLY), STDOUT_FILENO);
        break;
    }
    if (seed != nullptr) {
      setenv("ORVANEL_SEED", seed, 1);
    } else {
      unsetenv("ORVANEL_SEED");
    }
    for (const auto& [name, value] : settings.environment) setenv(name.c_str(), value.c_str(), 1);
    for (const auto& [resource, bytes] : {std::pair{RLIMIT_AS, settings.address_space_limit},
                                          std::pair{RLIMIT_FSIZE, settings.file_size_limit}}) {
      const rlimit limit{bytes, bytes};
      if (bytes != 0) setrlimit(resource, &limit);
    }
    // The program decides itself what SIGPIPE does; start it from the default.
    std::signal(SIGPIPE, SIG_DFL);
    alarm(kHangSeconds);
    std::vector<char*> argv = {const_cast<char*>(ORVANEL_BINARY)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(ORVANEL_BINARY, argv.data());
    _exit(127);
  }
  RunOutcome run;
  if (piped) close(pipe_ends[1]);
  if (settings.output == StandardOutput::pipe) {
    char buffer[4096];
    for (ssize_t got; (got = read(pipe_ends[0], buffer, sizeof buffer)) > 0;) {
      run.out.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipe_ends[0]);
  }
  int wait_status = 0;
  waitpid(child, &wait_status, 0);
  run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
  if (settings.output == StandardOutput::file) run.out = read_file(out_path);
  fs::remove(out_path);
  fs::remove(in_path);
  if (fs::is_regular_file(dir / "orvanel.out")) run.result_file = read_file(dir / "orvanel.out");
  return run;
}

// Joins lines, each ended by CR LF.
inline std::string lines(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += text + "\r\n";
  return joined;
}

inline const std::string kRule = "--------------------------------------------";
inline const std::string kBanner = lines({kRule, "  Orvanel", kRule, ""});
inline const std::string kTableHead =
    lines({"   n1    n2     mrb     mrw        R    p(R)", kRule});
inline const std::string kHeaderRecord = "\"n1\",\"n2\",\"mrb\",\"mrw\",\"R\",\"p(R)\"\r\n";
inline const std::string kSizeError =
    lines({"Error: total number of objects does not match matrix size"});

// The echo of a parameter file's five values; the numbers are given with their sign position.
inline std::string echo(const std::string& file, const std::string& n, const std::string& m1,
                        const std::string& m2, const std::string& permutations) {
  return lines({"Dissimilarity matrix file name: " + file, "Dissimilarity matrix dimension: " + n,
                "Minimum number of objects in group #1:" + m1,
                "Minimum number of objects in group #2:" + m2,
                "Number of permutations:" + permutations, ""});
}

inline std::string parameter_file(const std::string& matrix, const std::string& n,
                                  const std::string& m1, const std::string& m2,
                                  const std::string& permutations) {
  return lines({"Matrix file", matrix, "Dimension", n, "Minimum size of group 1", m1,
                "Minimum size of group 2", m2, "Permutations", permutations});
}

inline std::string table_foot(const std::string& summary) { return lines({kRule, "", summary}); }

// Four objects, every dissimilarity the same: every rank is 3.5, every R is 0, and every
// relabelling reaches it, so p is 1. Its splits with minima 1 and 1 and any permutations:
inline const std::string kTiedFour = "0 0.5 0.5 0.5\n0.5 0 0.5 0.5\n0.5 0.5 0 0.5\n0.5 0.5 0.5 0\n";
inline const std::string kTiedRows = kTableHead +
                                     lines({"    1     3     3.5     3.5  0.00000 1.00000",
                                            "    2     2     3.5     3.5  0.00000 1.00000",
                                            "    3     1     3.5     3.5  0.00000 1.00000"}) +
                                     table_foot("max(R)= 0.00000 (n1=1, n2=3)");
inline const std::string kTiedRecords =
    kHeaderRecord + "1,3,3.5,3.5,0,1\r\n2,2,3.5,3.5,0,1\r\n3,1,3.5,3.5,0,1\r\n";

}  // namespace orvanel::test_support
