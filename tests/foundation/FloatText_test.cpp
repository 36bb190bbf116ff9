#include "foundation/FloatText.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using tessaly::FormatFloatGeneral;

// Values without a number form get their names, not JSON's "null". (The finite forms are
// pinned through the JSON writer's table.)
TEST(FloatText, NonFiniteValuesHaveNames) {
  EXPECT_EQ(FormatFloatGeneral(std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(FormatFloatGeneral(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FormatFloatGeneral(-std::numeric_limits<double>::infinity()), "-INF");
}

// The exponent starts where plain decimals stop: 1E15 up and below 1E-5, never "E+" or padded.
TEST(FloatText, ExponentBoundaries) {
  EXPECT_EQ(FormatFloatGeneral(999999999999999.0), "999999999999999");
  EXPECT_EQ(FormatFloatGeneral(1e15), "1E15");
  EXPECT_EQ(FormatFloatGeneral(1e-5), "0.00001");
  EXPECT_EQ(FormatFloatGeneral(-1e-6), "-1E-6");
}

}  // namespace
