// Fixed-decimal field formatter of the screen table.
#include "stats/format_fixed.h"

#include <cmath>
#include <string>

namespace orvanel::stats {
namespace {

std::string right_aligned(std::string text, std::int32_t width) {
  if (width > 0 && text.size() < static_cast<std::size_t>(width)) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
  }
  return text;
}

}  // namespace

std::string format_fixed(double x, std::int32_t w, std::int32_t d) {
  if (!std::isfinite(x)) {
    const char* text = std::isnan(x) ? "NaN" : (x > 0 ? "Inf" : "-Inf");
    return right_aligned(text, w + (d > 0 ? d + 1 : 0));
  }
  const bool negative = x < 0;
  double magnitude = std::fabs(std::trunc(x));
  std::string fraction;
  if (d > 0) {
    const double f = std::fabs(x - std::trunc(x));
    // Extended precision decides the last digit when 10^d * f lies next to a half.
    const long double scale = static_cast<long double>(std::pow(10.0, d));
    auto t = static_cast<std::int64_t>(std::floor(scale * f + 0.5L));
    if (t >= static_cast<std::int64_t>(scale)) {  // the fraction rounded up to a whole unit
      t -= static_cast<std::int64_t>(scale);
      magnitude += 1.0;
    }
    fraction = std::to_string(t);
    fraction.insert(0, static_cast<std::size_t>(d) - fraction.size(), '0');
  }
  std::string integer = std::to_string(static_cast<std::int64_t>(magnitude));
  if (negative) integer.insert(0, 1, '-');
  if (w <= 0 || integer.size() > static_cast<std::size_t>(w)) {
    integer.insert(0, 1, '%');
  } else {
    integer = right_aligned(integer, w);
  }
  return d > 0 ? integer + "." + fraction : integer;
}

}  // namespace orvanel::stats
