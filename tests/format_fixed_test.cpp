// Fixed-decimal fields of the screen table.
#include "stats/format_fixed.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace orvanel::stats {
namespace {

struct FieldCase {
  double x;
  int w;
  int d;
  const char* want;
};

TEST(FormatFixed, FieldsOfTheTable) {
  const FieldCase cases[] = {
      {3, 5, 0, "    3"},
      {12, 2, 0, "12"},
      {123, 2, 0, "%123"},
      {4.75, 5, 0, "    4"},  // the integer part is never rounded
      {-2.5, 5, 0, "   -2"},
      {45.25, 5, 1, "   45.3"},  // halves round up
      {45.04, 5, 1, "   45.0"},
      {7.5, 5, 1, "    7.5"},
      {0.0625, 2, 5, " 0.06250"},
      {1, 2, 5, " 1.00000"},
      {-1, 2, 5, "-1.00000"},
      {-2.25, 5, 2, "   -2.25"},
      {-999, 2, 5, "%-999.00000"},
      {0, 1, 5, "0.00000"},
      {0.05, 1, 5, "0.05000"},
      {5, 0, 0, "%5"},
      {5, -3, 2, "%5.00"},
      {5, 3, -1, "  5"},
      // A fraction of a negative value above -1 keeps its sign.
      {-0.25, 2, 5, "-0.25000"},
      {-0.0, 2, 5, " 0.00000"},
      // A fraction that rounds up to a whole unit carries into the integer part.
      {45.96875, 5, 1, "   46.0"},
      {0.999999, 2, 5, " 1.00000"},
      {-0.999999, 2, 5, "-1.00000"},
      {9.99999, 1, 3, "%10.000"},
      // The last digit of a p-value is decided in extended precision.
      {0.040405, 1, 5, "0.04041"},
      {1.0 / 3.0, 1, 5, "0.33333"},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " w=" << c.w << " d=" << c.d);
    EXPECT_EQ(format_fixed(c.x, c.w, c.d), c.want);
  }
}

TEST(FormatFixed, NotANumberAndInfinityFillTheWholeField) {
  const double inf = std::numeric_limits<double>::infinity();
  const FieldCase cases[] = {
      {std::nan(""), 5, 1, "    NaN"}, {std::nan(""), 2, 5, "     NaN"},
      {std::nan(""), 1, 5, "    NaN"}, {inf, 2, 5, "     Inf"},
      {-inf, 2, 5, "    -Inf"},        {std::nan(""), 5, 0, "  NaN"},
      {std::nan(""), 0, 0, "NaN"},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.want);
    EXPECT_EQ(format_fixed(c.x, c.w, c.d), c.want);
  }
}

}  // namespace
}  // namespace orvanel::stats
