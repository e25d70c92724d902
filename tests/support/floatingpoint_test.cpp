// The floating-point control state: saved and put back as it was, and the platform's reset.
#include <gtest/gtest.h>

#include <cmath>

#include "support/FloatingPoint.h"

namespace {

TEST(FloatingPoint, ResetGivesThePlatformStateWhateverCameBefore) {
  const support::FloatingPointControl before = support::FloatingPointControl::current();
  // What this compiler's runtime reset leaves, with rounding toward zero on SSE.
  support::FloatingPointControl{0x037F, 0x7F80}.apply();
  support::resetFloatingPoint();
  const support::FloatingPointControl after = support::FloatingPointControl::current();
  EXPECT_EQ(0x027F, after.x87);
  EXPECT_EQ(0x1F80u, after.mxcsr & ~0x3Fu);
  before.apply();
}

TEST(FloatingPoint, AppliedStateIsTheCurrentOneWithoutPendingFlags) {
  const support::FloatingPointControl before = support::FloatingPointControl::current();
  volatile double tiny = 1e-300;
  volatile double product = tiny * tiny;  // raises the underflow and precision flags
  (void)product;
  EXPECT_NE(0u, support::FloatingPointControl::current().mxcsr & 0x3Fu);
  support::FloatingPointControl{0x027F, 0x1F80 | 0x3F}.apply();
  EXPECT_EQ(0u, support::FloatingPointControl::current().mxcsr & 0x3Fu);
  before.apply();
}

}  // namespace
