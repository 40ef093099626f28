// Shared by the fuzz targets: bounded values taken from the input bytes, scratch files, and the
// property check that turns a broken rule into a finding.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace orvanel::fuzz {

// A broken property aborts, which both libFuzzer and the corpus replay report as a failure.
#define FUZZ_CHECK(condition)                                                                \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (false)

// Takes values from the front of the input; an exhausted input yields zeros and empty text, so
// every byte string is a valid input.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : bytes_(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t take_byte() {
    if (bytes_.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(bytes_.front());
    bytes_.remove_prefix(1);
    return byte;
  }

  // A value from `low` to `high` (at most 2^16 apart), from two bytes.
  std::int32_t take_in_range(std::int32_t low, std::int32_t high) {
    const std::uint32_t raw = static_cast<std::uint32_t>(take_byte()) << 8 | take_byte();
    const auto span = static_cast<std::uint32_t>(static_cast<std::int64_t>(high) - low + 1);
    return static_cast<std::int32_t>(low + static_cast<std::int64_t>(raw % span));
  }

  // Up to `length` bytes.
  std::string take_bytes(std::size_t length) {
    const std::string_view taken = bytes_.substr(0, length);
    bytes_.remove_prefix(taken.size());
    return std::string(taken);
  }

  std::string take_rest() { return take_bytes(bytes_.size()); }

 private:
  std::string_view bytes_;
};

// A private directory for the files a target writes, removed when the process ends normally.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvanel-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  // Writes the bytes to the named file in the directory and returns its path.
  std::string write(const std::string& name, std::string_view bytes) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
  }

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The program's screen text is not what a target checks; sending it to /dev/null keeps the
// fuzzer's own report readable and fast.
inline void silence_standard_output() {
  static const bool silenced = [] {
    const int null_device = open("/dev/null", O_WRONLY);
    return null_device >= 0 && dup2(null_device, STDOUT_FILENO) >= 0;
  }();
  (void)silenced;
}

}  // namespace orvanel::fuzz
