// The terminal layer at a real pseudo-terminal, through a small probe program: line entry with
// its timing-dependent lone Esc, resizes and redirected output, and the key wait.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "case_name.h"
#include "pty_session.h"

namespace orvanel::terminal_test {
namespace {

PtyOptions probe(const char* mode, unsigned short width = 80) {
  PtyOptions options;
  options.arguments = {TERMINAL_PROBE, mode};
  options.width = width;
  return options;
}

TEST(TerminalLine, EditingKeysAndLoneEscAtATerminal) {
  PtySession session(probe("line"));
  ASSERT_TRUE(session.read_until_shown("prompt>"));
  ASSERT_TRUE(session.read_until_key_mode());
  EXPECT_EQ(session.mode().c_lflag & ECHO, 0u);

  session.type("junk");
  ASSERT_TRUE(session.read_until_shown("prompt> junk"));
  session.type("\x1b");  // alone: after a short silence it clears the line
  ASSERT_TRUE(session.read_until([&] { return session.screen().row(0) == "prompt>"; }));

  session.type("abc\x1b[D\x1b[DX\x1bOH\x1b[3~\x1b[F\x7f\t\xe9\x1b[1~\x1b[C\x08Z\x1b[5~\x01");
  const std::string line = "Zb      \xe9";
  ASSERT_TRUE(session.read_until_shown("prompt> " + line));
  session.type("\r");
  expect_exit_status_zero(session);
  EXPECT_NE(session.output().find("got[" + line + "]"), std::string::npos) << session.output();
  expect_terminal_mode_restored(session.mode());
}

TEST(TerminalLine, FollowsAResize) {
  PtySession session(probe("line", 20));
  ASSERT_TRUE(session.read_until_key_mode());
  const std::string typed = "abcdefghijklmnopqrstuvwxyz0123";
  session.type(typed);
  ASSERT_TRUE(session.read_until_shown("vwxyz0123"));

  session.resize(12);
  // Up now moves by the new width: from offset 30 of the line to offset 18.
  session.type("\x1b[AZ\r");
  expect_exit_status_zero(session);
  const std::string line = typed.substr(0, 18) + "Z" + typed.substr(18);
  EXPECT_NE(session.output().find("got[" + line + "]"), std::string::npos) << session.output();
  const std::string shown = "prompt> " + line;
  std::string rows;
  for (std::size_t start = 0; start < shown.size(); start += 12) {
    rows += shown.substr(start, 12) + '\n';
  }
  EXPECT_NE(session.screen().text().find(rows), std::string::npos) << session.screen().text();
}

// Ctrl+Z hands the terminal back in its own mode; when the job goes on, the key mode returns
// and the line is drawn again on a fresh row below what the shell wrote.
TEST(TerminalLine, GoesOnAfterStopAndContinue) {
  PtySession session(probe("line-job"));
  ASSERT_TRUE(session.read_until_key_mode());
  session.type("ab");
  ASSERT_TRUE(session.read_until_shown("prompt> ab"));
  session.type("\x1a");
  ASSERT_TRUE(session.read_until_shown("stopped icanon echo"));
  ASSERT_TRUE(session.read_until_shown("prompt> ab", 2));
  ASSERT_TRUE(session.read_until_key_mode());
  session.type("c\r");
  expect_exit_status_zero(session);
  EXPECT_EQ(session.screen().text(), "prompt> ab\nstopped icanon echo\nprompt> abc\ngot[abc]\n");
}

TEST(TerminalLine, RedirectedOutputGetsOnlyTheFinishedLine) {
  char directory[] = "/tmp/orvanel-term-XXXXXX";
  ASSERT_NE(::mkdtemp(directory), nullptr);
  const std::string file = std::string(directory) + "/out.txt";
  PtyOptions options = probe("line");
  options.stdout_file = file;
  PtySession session(options);
  ASSERT_TRUE(session.read_until_key_mode());
  session.type("ab\x1b[DX\x1b[3~\r");
  expect_exit_status_zero(session);
  std::ifstream in(file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  // The Delete at the end beeps at a terminal; here there is none to beep.
  EXPECT_EQ(content.str(), "prompt> aX\r\ngot[aX]\r\n");
  std::remove(file.c_str());
  ::rmdir(directory);
}

struct KeyCase {
  const char* name;
  std::string typed;
  std::string left;  // hexadecimal bytes that must stay unread
};

class KeyWaitTest : public testing::TestWithParam<KeyCase> {};

TEST_P(KeyWaitTest, TakesExactlyOneWholeKey) {
  PtySession session(probe("key"));
  ASSERT_TRUE(session.read_until_key_mode());
  session.type(GetParam().typed);
  expect_exit_status_zero(session);
  EXPECT_NE(session.output().find("waited icanon echo left[" + GetParam().left + "]"),
            std::string::npos)
      << session.output();
  expect_terminal_mode_restored(session.mode());
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyWaitTest,
                         testing::Values(KeyCase{"Letter", "x", ""}, KeyCase{"Enter", "\r", ""},
                                         KeyCase{"CursorKey", "\x1b[A", ""},
                                         KeyCase{"FunctionKey", "\x1b[15~", ""},
                                         KeyCase{"Ss3FunctionKey", "\x1bOP", ""},
                                         KeyCase{"LoneEsc", "\x1b", ""},
                                         KeyCase{"SecondKeyStays", "\x1b[Dy", "79"}),
                         case_name<KeyCase>);

struct SignalCase {
  const char* name;
  int signal_number;
};

class KeyWaitSignalTest : public testing::TestWithParam<SignalCase> {};

// Like a closed console window on the original platform: the wait ends and the run goes on to
// its normal end.
TEST_P(KeyWaitSignalTest, EndsTheWait) {
  PtySession session(probe("key"));
  ASSERT_TRUE(session.read_until_key_mode());
  session.send_signal(GetParam().signal_number);
  expect_exit_status_zero(session);
  EXPECT_NE(session.output().find("waited"), std::string::npos) << session.output();
  expect_terminal_mode_restored(session.mode());
}

INSTANTIATE_TEST_SUITE_P(Signals, KeyWaitSignalTest,
                         testing::Values(SignalCase{"Hangup", SIGHUP},
                                         SignalCase{"Terminate", SIGTERM}),
                         case_name<SignalCase>);

}  // namespace
}  // namespace orvanel::terminal_test
