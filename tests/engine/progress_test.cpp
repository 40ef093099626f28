// The progress line: when it shows, what it says, and that it leaves no trace.
#include "driver/progress.h"

#include <gtest/gtest.h>

#include <string>

namespace orvanel::driver {
namespace {

using namespace std::chrono_literals;

TEST(ProgressText, SplitsElapsedAndTimeLeft) {
  struct Case {
    std::int64_t done;
    std::int64_t splits;
    double elapsed;
    double share;
    const char* want;
  };
  const Case cases[] = {
      {3, 45, 3.7, 0.25, "3/45 splits, 0:03 elapsed, about 0:11 left"},
      {0, 1, 65.0, 0.0, "0/1 splits, 1:05 elapsed, estimating time left"},
      {2, 9, 3725.0, 0.5, "2/9 splits, 1:02:05 elapsed, about 1:02:05 left"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(progress_text(c.done, c.splits, c.elapsed, c.share), c.want);
  }
}

// What erasing a line of `length` characters writes.
std::string blanked(std::size_t length) {
  std::string bytes(length + 2, ' ');
  bytes.front() = '\r';
  bytes.back() = '\r';
  return bytes;
}

// A line on a fake terminal with a hand-moved clock; `written` collects every byte.
class FakeTerminal : public testing::Test {
 protected:
  ProgressLine line(bool enabled) {
    return ProgressLine(
        10, 100, enabled, [this](std::string_view bytes) { written += bytes; },
        [this] { return now; });
  }
  // The bytes written since the last call.
  std::string take() { return std::exchange(written, ""); }

  std::string written;
  ProgressLine::Clock::time_point now{};
};

TEST_F(FakeTerminal, ShowsAfterOneSecondRedrawsSparinglyAndErases) {
  {
    ProgressLine progress = line(true);
    now += 900ms;
    progress.update(0, 5);
    EXPECT_EQ(take(), "") << "quiet in the first second";
    now += 600ms;
    progress.update(1, 10);
    EXPECT_EQ(take(), "\r1/10 splits, 0:01 elapsed, about 0:14 left");
    now += 100ms;
    progress.update(1, 11);
    EXPECT_EQ(take(), "") << "at most four times a second";
    progress.erase();
    EXPECT_EQ(take(), blanked(42));
    progress.update(2, 20);
    EXPECT_EQ(take(), "\r2/10 splits, 0:01 elapsed, about 0:06 left") << "back at once";
    now += 20s;
    progress.update(9, 90);
    EXPECT_EQ(take(), "\r9/10 splits, 0:21 elapsed, about 0:02 left");
  }
  EXPECT_EQ(take(), blanked(42)) << "erased at the end";
}

TEST_F(FakeTerminal, LongerTextIsCoveredByBlanks) {
  ProgressLine progress = line(true);
  now += 1200ms;
  progress.update(0, 0);
  EXPECT_EQ(take(), "\r0/10 splits, 0:01 elapsed, estimating time left");
  now += 9s;
  progress.update(5, 50);
  EXPECT_EQ(take(), "\r5/10 splits, 0:10 elapsed, about 0:10 left     ");
}

TEST_F(FakeTerminal, NothingForAScanAboutToEnd) {
  {
    ProgressLine progress = line(true);
    now += 1500ms;
    progress.update(9, 95);  // about 0.08 s left
  }
  EXPECT_EQ(take(), "");
}

TEST_F(FakeTerminal, NothingWhenNotATerminal) {
  {
    ProgressLine progress = line(false);
    now += 30s;
    progress.update(1, 1);
    progress.erase();
  }
  EXPECT_EQ(take(), "");
}

}  // namespace
}  // namespace orvanel::driver
