// The fixed-decimal text of one numeric field of the screen table.
#pragma once

#include <cstdint>
#include <string>

namespace orvanel::stats {

// The integer part of x (truncated toward zero, a minus sign for every x < 0) right-aligned in
// at least w characters, then, for d > 0, a point and exactly d fraction digits rounded half
// up, a rounded-up whole unit carrying into the integer part. An integer part wider than w is
// shown whole behind a "%" mark. NaN, Inf and -Inf are right-aligned in the field's full
// width, w + d + 1 (w alone for d <= 0). Needs d <= 9 and |x| < 1e16.
std::string format_fixed(double x, std::int32_t w, std::int32_t d);

}  // namespace orvanel::stats
