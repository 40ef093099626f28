// The progress line of a long scan on standard error.
#include "driver/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvanel::driver {
namespace {

constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRedrawInterval = std::chrono::milliseconds(250);

// m:ss, or h:mm:ss from an hour on.
std::string clock_text(std::int64_t seconds) {
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  }
  return text;
}

// Standard error is unbuffered, so the bytes leave at once, in order with standard output.
void write_standard_error(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stderr);
}

double seconds_left(double elapsed_seconds, double work_share) {
  return elapsed_seconds * (1.0 - work_share) / work_share;
}

}  // namespace

std::string progress_text(std::int64_t splits_done, std::int64_t splits, double elapsed_seconds,
                          double work_share) {
  std::string text = std::to_string(splits_done) + "/" + std::to_string(splits) + " splits, " +
                     clock_text(static_cast<std::int64_t>(elapsed_seconds)) + " elapsed, ";
  if (work_share <= 0.0) return text + "estimating time left";
  return text + "about " + clock_text(std::llround(seconds_left(elapsed_seconds, work_share))) +
         " left";
}

ProgressLine::ProgressLine(std::int64_t splits, double work)
    : ProgressLine(splits, work, ::isatty(STDERR_FILENO) == 1, write_standard_error, Clock::now) {}

ProgressLine::ProgressLine(std::int64_t splits, double work, bool enabled, Writer write,
                           std::function<Clock::time_point()> now)
    : splits_(splits),
      work_(work),
      enabled_(enabled),
      write_(std::move(write)),
      now_(std::move(now)),
      start_(now_()),
      drawn_at_(start_) {}

ProgressLine::~ProgressLine() { erase(); }

void ProgressLine::update(std::int64_t splits_done, std::int64_t work_done) {
  if (!enabled_) return;
  const Clock::time_point now = now_();
  const std::chrono::duration<double> elapsed = now - start_;
  if (elapsed < kQuietStart) return;
  const double share = work_ > 0.0 ? static_cast<double>(work_done) / work_ : 0.0;
  if (shown_length_ != 0) {
    if (now - drawn_at_ < kRedrawInterval) return;
  } else if (!was_shown_ && share > 0.0 && seconds_left(elapsed.count(), share) < 1.0) {
    return;  // about to end: a line now would only flicker
  }
  std::string line = "\r";
  line += progress_text(splits_done, splits_, elapsed.count(), share);
  const std::size_t length = line.size() - 1;
  // Blanks over whatever is left of a longer earlier text.
  if (length < shown_length_) line.append(shown_length_ - length, ' ');
  write_(line);
  shown_length_ = std::max(length, shown_length_);
  was_shown_ = false;
  drawn_at_ = now;
}

void ProgressLine::erase() {
  if (shown_length_ == 0) return;
  std::string blanks(shown_length_ + 2, ' ');
  blanks.front() = '\r';
  blanks.back() = '\r';
  write_(blanks);
  shown_length_ = 0;
  was_shown_ = true;
}

}  // namespace orvanel::driver
