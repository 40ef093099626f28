// The progress line of a long scan on standard error.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orvanel::driver {

// "12/45 splits, 0:03 elapsed, about 0:10 left": splits done, elapsed time (whole seconds) and
// the time left as estimated from the share of the work done (none yet: "estimating time
// left"), rounded to seconds.
std::string progress_text(std::int64_t splits_done, std::int64_t splits, double elapsed_seconds,
                          double work_share);

// A one-line progress report for a terminal: it appears once the scan has run for a second
// and is expected to need at least another, is redrawn at most four times a second, and is
// erased (overwritten with blanks) on request and at the end. A disabled line writes nothing.
class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;
  using Writer = std::function<void(std::string_view)>;

  // On standard error, enabled only when standard error is a terminal.
  // `work` is the whole scan's work in any unit that update() counts in.
  ProgressLine(std::int64_t splits, double work);
  // Writing through `write`, for tests.
  ProgressLine(std::int64_t splits, double work, bool enabled, Writer write,
               std::function<Clock::time_point()> now);
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine();

  // Draws the line when it is due.
  void update(std::int64_t splits_done, std::int64_t work_done);
  // Removes the line, if shown; the next update draws it again at once.
  void erase();

 private:
  std::int64_t splits_;
  double work_;
  bool enabled_;
  Writer write_;
  std::function<Clock::time_point()> now_;
  Clock::time_point start_;
  Clock::time_point drawn_at_;
  std::size_t shown_length_ = 0;  // characters on the line now; 0 when none
  bool was_shown_ = false;        // erased for a table row, to come back at once
};

}  // namespace orvanel::driver
