// The interactive run of the whole program at a pseudo-terminal: prompts answered with the
// editing keys, a wrapped answer, repeated group minima, the key wait and the ways the run ends.
// What it computes is checked against a run of the same parameters from a parameter file.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "case_name.h"
#include "pty_session.h"

namespace orvanel::terminal_test {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMatrix =
    "0 2.38 5.44 3.7 6.04 6.26 0.66 0.13\n"
    "2.38 0 8.37 2.59 2.34 9.96 4.7 8.36\n"
    "5.44 8.37 0 4.76 6.39 1.51 6.35 8.68\n"
    "3.7 2.59 4.76 0 5.23 7.41 6.71 0.64\n"
    "6.04 2.34 6.39 5.23 0 7.58 5.91 3.01\n"
    "6.26 9.96 1.51 7.41 7.58 0 0.31 8.66\n"
    "0.66 4.7 6.35 6.71 5.91 0.31 0 4.73\n"
    "0.13 8.36 8.68 0.64 3.01 8.66 4.73 0\n";
constexpr std::string_view kParameters =
    "matrix\nm8.txt\ndimension\n8\ngroup 1\n3\ngroup 2\n2\npermutations\n99\n";
const std::string kLongDirectory = "a_rather_long_directory_name_for_wrapping";

constexpr std::string_view kNamePrompt = "- dissimilarity matrix file name? ";
constexpr std::string_view kDimensionPrompt = "- dissimilarity matrix dimension? ";
constexpr std::string_view kGroup1Prompt = "- minimum number of objects in group #1? ";
constexpr std::string_view kGroup2Prompt = "- minimum number of objects in group #2? ";
constexpr std::string_view kPermutationsPrompt = "- number of permutations? ";
constexpr std::string_view kPressAnyKey = "Press any key...";
constexpr std::string_view kAnswers = "m8.txt\r8\r3\r2\r99\r";

std::string trimmed(std::string_view text) {
  return std::string(text.substr(0, text.find_last_not_of(' ') + 1));
}

class ProgramAtTerminal : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orvanel-pty-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    directory_ = pattern;
    write_file(directory_ / "m8.txt", kMatrix);
    write_file(directory_ / "run.par", kParameters);
    fs::create_directory(directory_ / kLongDirectory);
    write_file(directory_ / kLongDirectory / "m8.txt", kMatrix);
    batch_screen_ = run_batch();
    batch_result_ = result_file();
    fs::remove(directory_ / "orvanel.out");
  }

  void TearDown() override { fs::remove_all(directory_); }

  static void write_file(const fs::path& path, std::string_view content) {
    std::ofstream(path, std::ios::binary) << content;
  }

  std::string result_file() const {
    std::ifstream in(directory_ / "orvanel.out", std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }

  PtyOptions program(std::vector<std::string> arguments = {}, unsigned short width = 80) const {
    PtyOptions options;
    options.arguments = {ORVANEL_BINARY};
    options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
    options.directory = directory_.string();
    options.environment = {"ORVANEL_SEED=1"};
    options.width = width;
    return options;
  }

  std::string run_batch() const {
    PtySession session(program({"run.par"}));
    EXPECT_TRUE(session.wait_for_exit().has_value());
    return session.screen().text();
  }

  // The screen of an interactive run with the same parameters: the banner and the table of
  // the parameter-file run around the prompts with their answers as shown.
  std::string expected_screen(std::string_view prompts_and_answers) const {
    const std::size_t echo = batch_screen_.find("Dissimilarity matrix file name:");
    const std::string last_echo = "Number of permutations: 99\n";
    const std::size_t table = batch_screen_.find(last_echo) + last_echo.size();
    return batch_screen_.substr(0, echo) + std::string(prompts_and_answers) +
           batch_screen_.substr(table) + "\n" + std::string(kPressAnyKey) + "\n";
  }

  // Waits until the prompt has been shown `times` times and the program takes keys.
  static void await_prompt(PtySession& session, std::string_view prompt, std::size_t times = 1) {
    ASSERT_TRUE(session.read_until_shown(trimmed(prompt), times)) << session.screen().text();
    ASSERT_TRUE(session.read_until_key_mode());
  }

  fs::path directory_;
  std::string batch_screen_;
  std::string batch_result_;
};

TEST_F(ProgramAtTerminal, AnswersTypedWithEditingKeysAndMinimaAskedAgain) {
  PtySession session(program());
  ASSERT_NO_FATAL_FAILURE(await_prompt(session, kNamePrompt));
  // m8.txq, Backspace, Home, Delete, m, End, Left and Right in their ESC O forms, t, Insert.
  session.type("m8.txq\x7f\x1b[H\x1b[3~m\x1b[F\x1bOD\x1bOCt\x1b[2~\r");

  ASSERT_NO_FATAL_FAILURE(await_prompt(session, kDimensionPrompt));
  session.type("junk");
  ASSERT_TRUE(session.read_until_shown(trimmed(kDimensionPrompt) + " junk"));
  session.type("\x1b");  // alone, it clears the line
  ASSERT_TRUE(session.read_until_shown(trimmed(kDimensionPrompt) + "\n"));
  session.type(
      "9\x08"
      "8\x1bOP\x1b[A\x1b[B\t\r");  // the blanks of the Tab end the number

  ASSERT_NO_FATAL_FAILURE(await_prompt(session, kGroup1Prompt));
  session.type("0\r");
  ASSERT_NO_FATAL_FAILURE(await_prompt(session, kGroup1Prompt, 2));
  session.type("-2\r");
  ASSERT_NO_FATAL_FAILURE(await_prompt(session, kGroup1Prompt, 3));
  session.type("3\r");
  ASSERT_NO_FATAL_FAILURE(await_prompt(session, kGroup2Prompt));
  session.type("2\r");
  ASSERT_NO_FATAL_FAILURE(await_prompt(session, kPermutationsPrompt));
  session.type("99\r");
  ASSERT_TRUE(session.read_until_shown(kPressAnyKey));

  const std::string prompts = trimmed(kNamePrompt) + " m8.txt\n" + trimmed(kDimensionPrompt) +
                              " 8\n" + trimmed(kGroup1Prompt) + " 0\n" + trimmed(kGroup1Prompt) +
                              " -2\n" + trimmed(kGroup1Prompt) + " 3\n" + trimmed(kGroup2Prompt) +
                              " 2\n" + trimmed(kPermutationsPrompt) + " 99\n";
  EXPECT_EQ(session.screen().text(), expected_screen(prompts));
  session.type("\x1b[15~");
  expect_exit_status_zero(session);
  EXPECT_EQ(session.screen().text(), expected_screen(prompts));
  EXPECT_EQ(result_file(), batch_result_);
  expect_terminal_mode_restored(session.mode());
}

TEST_F(ProgramAtTerminal, AnswerWrappedPastTheTerminalWidth) {
  constexpr unsigned short kWidth = 40;
  const std::string path = kLongDirectory + "/m8.txt";
  PtySession session(program({}, kWidth));
  ASSERT_NO_FATAL_FAILURE(await_prompt(session, kNamePrompt));
  // Typed without its first two characters, which go in at the start of the first row; then
  // up one row into the middle of the name and back down to its end.
  session.type(path.substr(2) + "\x1b[1~" + path.substr(0, 2) + "\x1b[4~\x1b[AQ\x7f\x1b[B\r");
  ASSERT_NO_FATAL_FAILURE(await_prompt(session, kDimensionPrompt));
  session.type("8\r3\r2\r99\r");
  ASSERT_TRUE(session.read_until_shown(kPressAnyKey));
  session.type("q");
  expect_exit_status_zero(session);

  const std::string shown = std::string(kNamePrompt) + path;
  std::string rows;
  for (std::size_t start = 0; start < shown.size(); start += kWidth) {
    rows += shown.substr(start, kWidth) + '\n';
  }
  EXPECT_NE(session.screen().text().find(rows + trimmed(kDimensionPrompt) + " 8\n"),
            std::string::npos)
      << session.screen().text();
  EXPECT_EQ(result_file(), batch_result_);
}

// A key typed while the scan runs waits unseen for the key wait: the terminal must not echo it
// into the table. The run is held stopped while the key is typed, since a terminal echoes as
// the key arrives.
TEST_F(ProgramAtTerminal, KeyTypedDuringTheScanIsNotEchoed) {
  constexpr int kObjects = 40;
  std::string matrix;
  for (int i = 0; i < kObjects; ++i) {
    for (int j = 0; j < kObjects; ++j) {
      const int a = std::min(i, j), b = std::max(i, j);
      matrix += std::to_string(i == j ? 0 : (a * 37 + b * 11) % 101 + 1) + ' ';
    }
    matrix += '\n';
  }
  write_file(directory_ / "m40.txt", matrix);
  PtySession session(program());
  ASSERT_NO_FATAL_FAILURE(await_prompt(session, kNamePrompt));
  session.type("m40.txt\r40\r3\r3\r2000\r");
  ASSERT_TRUE(session.read_until_shown("mrb"));
  session.send_signal(SIGSTOP);
  session.type("x");
  session.send_signal(SIGCONT);
  ASSERT_TRUE(session.read_until_shown(kPressAnyKey));
  expect_exit_status_zero(session);

  const std::string text = session.screen().text();
  const std::size_t table = text.find("mrb");
  const std::size_t summary = text.find("max(R)=");
  ASSERT_LT(table, summary);
  EXPECT_EQ(text.substr(table, summary - table).find('x'), std::string::npos) << text;
  EXPECT_TRUE(text.ends_with("\n" + std::string(kPressAnyKey) + "\n")) << text;
  expect_terminal_mode_restored(session.mode());
}

struct EntrySignalCase {
  const char* name;
  std::string typed;  // the key that raises the signal, if it comes from the keyboard
  int signal_number;
};

class ProgramEntrySignalTest : public ProgramAtTerminal,
                               public testing::WithParamInterface<EntrySignalCase> {};

// The signal's default action ends the run, after the terminal's mode has been put back.
TEST_P(ProgramEntrySignalTest, RestoresTheTerminal) {
  const EntrySignalCase& c = GetParam();
  PtySession session(program());
  ASSERT_NO_FATAL_FAILURE(await_prompt(session, kNamePrompt));
  session.type("m8");
  ASSERT_TRUE(session.read_until_shown(trimmed(kNamePrompt) + " m8"));
  if (c.typed.empty()) {
    session.send_signal(c.signal_number);
  } else {
    session.type(c.typed);
  }
  const std::optional<int> status = session.wait_for_exit();
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == c.signal_number) << *status;
  expect_terminal_mode_restored(session.mode());
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramEntrySignalTest,
                         testing::Values(EntrySignalCase{"CtrlC", "\x03", SIGINT},
                                         EntrySignalCase{"Terminate", "", SIGTERM},
                                         EntrySignalCase{"Hangup", "", SIGHUP}),
                         case_name<EntrySignalCase>);

struct KeyWaitCase {
  const char* name;
  std::string typed_ahead;  // after the answers, while the scan runs
  int signal_number;        // sent once "Press any key..." shows, when nothing was typed
};

class ProgramKeyWaitTest : public ProgramAtTerminal,
                           public testing::WithParamInterface<KeyWaitCase> {};

// All answers typed ahead at once: each prompt takes its own, and nothing typed is echoed
// out of turn, not even the key that waits through the scan for "Press any key...".
TEST_P(ProgramKeyWaitTest, EndsWithStatusZero) {
  const KeyWaitCase& c = GetParam();
  PtySession session(program());
  ASSERT_NO_FATAL_FAILURE(await_prompt(session, kNamePrompt));
  session.type(std::string(kAnswers) + c.typed_ahead);
  ASSERT_TRUE(session.read_until_shown(kPressAnyKey)) << session.screen().text();
  if (c.typed_ahead.empty()) {
    ASSERT_TRUE(session.read_until_asleep());  // in the key wait, not on its way there
    session.send_signal(c.signal_number);
  }
  expect_exit_status_zero(session);

  const std::string prompts = trimmed(kNamePrompt) + " m8.txt\n" + trimmed(kDimensionPrompt) +
                              " 8\n" + trimmed(kGroup1Prompt) + " 3\n" + trimmed(kGroup2Prompt) +
                              " 2\n" + trimmed(kPermutationsPrompt) + " 99\n";
  EXPECT_EQ(session.screen().text(), expected_screen(prompts));
  EXPECT_EQ(result_file(), batch_result_);
  expect_terminal_mode_restored(session.mode());
}

INSTANTIATE_TEST_SUITE_P(Endings, ProgramKeyWaitTest,
                         testing::Values(KeyWaitCase{"KeyTypedDuringScan", "x", 0},
                                         KeyWaitCase{"Hangup", "", SIGHUP},
                                         KeyWaitCase{"Terminate", "", SIGTERM}),
                         case_name<KeyWaitCase>);

}  // namespace
}  // namespace orvanel::terminal_test
